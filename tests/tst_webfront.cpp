// rm740-bridge's web API through HTTP, against the simulated projector: good
// and bad requests as rows, each with what must reach the serial line (and
// nothing for a bad one), the password and the origin check.

#include "support/bridgeprocess.h"
#include "support/ser2netserver.h"
#include "support/simulatorprocess.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTcpSocket>
#include <QTest>
#include <QWebSocket>

class WebFrontTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_http = freeLoopbackPort();
        const QString link = m_dir.filePath(QStringLiteral("projector"));
        QVERIFY2(m_simulator.start(link, {}), qPrintable(m_simulator.errorString()));
        // The page has a password of its own, not PJLink's. No polling: what
        // reaches the line is what the requests send.
        const QString config = writeFile(
            "bridge.conf", QStringLiteral("[Room 101]\nport = %1\npjlink = %2\npoll-interval = 0\npassword-file = %3\n"
                                          "[web]\nlisten = 127.0.0.1:%4\npassword-file = %5\n")
                               .arg(link).arg(freeLoopbackPort()).arg(writeFile("pjlink-password", "pjlink horse\n"))
                               .arg(m_http).arg(writeFile("web-password", "right horse\n")).toUtf8());
        QVERIFY2(m_bridge.start({"--config", config}), qPrintable(m_bridge.errorString()));
        QVERIFY(m_bridge.waitForLog("is open"));
    }

    void requestsAreAnsweredAndCheckedBeforeTheLine_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("password");  // empty: none given
        QTest::addColumn<QByteArray>("origin");    // empty: none; "self": the bridge's own
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("answer");       // a part of the answer's body
        QTest::addColumn<QByteArrayList>("frames"); // what reaches the line

        const QByteArray json = "application/json";
        const QByteArray right = "right horse";
        const QString command = QStringLiteral("/api/projectors/0/command");
        QTest::newRow("list") << QByteArray("GET") << "/api/projectors" << QByteArray() << right << QByteArray()
                              << QByteArray() << 200 << "\"name\":\"Room 101\"" << QByteArrayList{};
        QTest::newRow("mutes unknown before a set") << QByteArray("GET") << "/api/projectors" << QByteArray() << right
                                                   << QByteArray() << QByteArray() << 200
                                                   << "\"audioMuted\":null" << QByteArrayList{};
        QTest::newRow("panel") << QByteArray("GET") << "/api/panel" << QByteArray() << right << QByteArray()
                               << QByteArray() << 200 << "\"label\":\"Menu pointer up\"" << QByteArrayList{};
        QTest::newRow("page") << QByteArray("GET") << "/" << QByteArray() << right << QByteArray() << QByteArray()
                              << 200 << "<title>Projectors</title>" << QByteArrayList{};
        QTest::newRow("named") << QByteArray("POST") << command << QByteArray(R"({"command":"input"})") << right
                               << QByteArray() << json << 200 << "\"outcome\":\"done\"" << QByteArrayList{"CR1"};
        QTest::newRow("button") << QByteArray("POST") << command << QByteArray(R"({"button":"Command5"})") << right
                                << QByteArray("self") << json << 200 << "done" << QByteArrayList{"C3C"};
        QTest::newRow("catalogue") << QByteArray("POST") << command << QByteArray(R"({"send":"CF BRIGHT 050[CR]"})")
                                   << right << QByteArray() << json << 200 << "done" << QByteArrayList{"CF BRIGHT 050"};
        QTest::newRow("no password") << QByteArray("GET") << "/api/projectors" << QByteArray() << QByteArray()
                                     << QByteArray() << QByteArray() << 401 << "a password is needed" << QByteArrayList{};
        QTest::newRow("PJLink's password") << QByteArray("GET") << "/api/projectors" << QByteArray()
                                           << QByteArray("pjlink horse") << QByteArray() << QByteArray() << 401
                                           << "wrong password" << QByteArrayList{};
        QTest::newRow("wrong password") << QByteArray("POST") << command << QByteArray(R"({"command":"power on"})")
                                        << QByteArray("wrong horse") << QByteArray() << json << 401 << "wrong password"
                                        << QByteArrayList{};
        QTest::newRow("cross-origin") << QByteArray("POST") << command << QByteArray(R"({"command":"power on"})")
                                      << right << QByteArray("http://evil.example") << json << 403
                                      << "own page only" << QByteArrayList{};
        QTest::newRow("a form's type") << QByteArray("POST") << command << QByteArray(R"({"command":"power on"})")
                                       << right << QByteArray() << QByteArray("text/plain") << 415 << "must be JSON"
                                       << QByteArrayList{};
        QTest::newRow("unknown projector") << QByteArray("POST") << "/api/projectors/7/command"
                                           << QByteArray(R"({"command":"status"})") << right << QByteArray() << json
                                           << 404 << "no projector 7" << QByteArrayList{};
        QTest::newRow("bad name") << QByteArray("POST") << command << QByteArray(R"({"command":"explode"})") << right
                                  << QByteArray() << json << 400 << "no command is called \\\"explode\\\""
                                  << QByteArrayList{};
        QTest::newRow("bad button") << QByteArray("POST") << command << QByteArray(R"({"button":"Command99"})")
                                    << right << QByteArray() << json << 400 << "no button" << QByteArrayList{};
        QTest::newRow("placeholder") << QByteArray("POST") << command << QByteArray(R"({"send":"CF BRIGHT %%%"})")
                                     << right << QByteArray() << json << 400 << "by a digit (0-9)\"}" << QByteArrayList{};
        QTest::newRow("control characters") << QByteArray("POST") << command << QByteArray(R"({"send":"C00\rC01"})")
                                            << right << QByteArray() << json << 400 << "control characters\"}"
                                            << QByteArrayList{};
        QTest::newRow("not JSON") << QByteArray("POST") << command << QByteArray("power on") << right << QByteArray()
                                  << json << 400 << "JSON object" << QByteArrayList{};
        QTest::newRow("two fields") << QByteArray("POST") << command
                                    << QByteArray(R"({"command":"status","send":"C00"})") << right << QByteArray()
                                    << json << 400 << "one of" << QByteArrayList{};
        QTest::newRow("oversized") << QByteArray("POST") << command
                                   << QByteArray(R"({"send":")") + QByteArray(5000, 'C') + "\"}" << right
                                   << QByteArray() << json << 413 << "longer than 1024 bytes" << QByteArrayList{};
        QTest::newRow("GET a command") << QByteArray("GET") << command << QByteArray() << right << QByteArray()
                                       << QByteArray() << 405 << "use POST" << QByteArrayList{};
        QTest::newRow("nothing there") << QByteArray("GET") << "/etc/passwd" << QByteArray() << right << QByteArray()
                                       << QByteArray() << 404 << "nothing at" << QByteArrayList{};
    }
    void requestsAreAnsweredAndCheckedBeforeTheLine()
    {
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, password);
        QFETCH(QByteArray, origin);
        QFETCH(QByteArray, contentType);
        QFETCH(int, status);
        QFETCH(QString, answer);
        QFETCH(QByteArrayList, frames);

        const qsizetype before = SimulatorProcess::framesIn(m_simulator.log()).size();
        QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_http).arg(path)));
        if (!password.isEmpty())
            request.setRawHeader("Authorization", "Basic " + ("web:" + password).toBase64());
        if (!origin.isEmpty())
            request.setRawHeader("Origin", origin == "self" ? QStringLiteral("http://127.0.0.1:%1").arg(m_http).toLatin1() : origin);
        if (!contentType.isEmpty())
            request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
        std::unique_ptr<QNetworkReply> reply(m_network.sendCustomRequest(request, method, body));
        QSignalSpy finished(reply.get(), &QNetworkReply::finished);
        QVERIFY(finished.wait(15000));
        const QByteArray got = reply->readAll();
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), status);
        QVERIFY2(got.contains(answer.toUtf8()), got.constData());
        QCOMPARE(SimulatorProcess::framesIn(m_simulator.log()).mid(before), frames);
    }

    // The live updates need the token the page gets with the password, and
    // the page's own origin.
    void aWebSocketNeedsTheTokenAndTheOrigin_data()
    {
        QTest::addColumn<bool>("withToken");
        QTest::addColumn<QString>("origin");
        QTest::addColumn<bool>("served");
        QTest::newRow("the page") << true << QString() << true;
        QTest::newRow("no token") << false << QString() << false;
        QTest::newRow("another site") << true << QStringLiteral("http://evil.example") << false;
    }
    void aWebSocketNeedsTheTokenAndTheOrigin()
    {
        QFETCH(bool, withToken);
        QFETCH(QString, origin);
        QFETCH(bool, served);
        QNetworkRequest panelRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/api/panel").arg(m_http)));
        panelRequest.setRawHeader("Authorization", "Basic " + QByteArray("web:right horse").toBase64());
        std::unique_ptr<QNetworkReply> reply(m_network.get(panelRequest));
        QSignalSpy finished(reply.get(), &QNetworkReply::finished);
        QVERIFY(finished.wait(15000));
        const QString token = QJsonDocument::fromJson(reply->readAll()).object().value("token").toString();
        QVERIFY(!token.isEmpty());

        QWebSocket socket(origin);
        QSignalSpy received(&socket, &QWebSocket::textMessageReceived);
        QSignalSpy closed(&socket, &QWebSocket::disconnected);
        socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws%2").arg(m_http).arg(withToken ? "?token=" + token : QString())));
        if (served) {
            QVERIFY(received.wait(15000));
            QVERIFY(received.first().first().toString().contains(u"\"name\":\"Room 101\""));
        } else {
            QVERIFY(closed.wait(15000));
            QCOMPARE(received.size(), 0);
        }
    }

    void wrongPasswordsAreLoggedWithThePeer()
    {
        // The "wrong password" row ran before; the log names where it came from.
        QVERIFY(m_bridge.waitForLog("[web] 127.0.0.1: wrong password for the web page"));
        QVERIFY(!m_bridge.log().contains("horse"));
    }

    // A connection beyond the limit is closed at once, a silent one after the
    // idle time; a page that answers the pings stays, and frees its place.
    void webConnectionsAreBoundedAndKeptAlive()
    {
        const quint16 http = freeLoopbackPort();
        BridgeProcess bridge;
        QVERIFY2(bridge.start({"--port", m_dir.filePath(QStringLiteral("absent")), "--pjlink",
                               QStringLiteral("127.0.0.1:%1").arg(freeLoopbackPort()), "--http",
                               QStringLiteral("127.0.0.1:%1").arg(http), "--http-max-connections", "2",
                               "--idle-timeout", "0.4"}),
                 qPrintable(bridge.errorString()));
        QWebSocket page;
        QSignalSpy received(&page, &QWebSocket::textMessageReceived);
        QSignalSpy pageClosed(&page, &QWebSocket::disconnected);
        page.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(http)));
        QVERIFY(received.wait(15000));
        QTcpSocket silent;
        QTcpSocket beyond;
        silent.connectToHost(QHostAddress::LocalHost, http);
        QVERIFY(silent.waitForConnected());
        beyond.connectToHost(QHostAddress::LocalHost, http);
        QVERIFY(bridge.waitForLog("127.0.0.1: refused, 2 connections already"));
        QTRY_COMPARE_WITH_TIMEOUT(beyond.state(), QAbstractSocket::UnconnectedState, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(silent.state(), QAbstractSocket::UnconnectedState, 5000);
        QVERIFY(!pageClosed.wait(1500));  // several idle times, pinged and answering

        page.close();
        QTRY_COMPARE_WITH_TIMEOUT(pageClosed.size(), 1, 5000);
        // Once a request has been answered the bridge has let the page go.
        QTcpSocket again;
        again.connectToHost(QHostAddress::LocalHost, http);
        again.write("GET /api/projectors HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        QVERIFY(again.waitForReadyRead(5000));
        QTcpSocket andAgain;
        andAgain.connectToHost(QHostAddress::LocalHost, http);
        QVERIFY(andAgain.waitForConnected());
        QTRY_COMPARE_WITH_TIMEOUT(andAgain.state(), QAbstractSocket::UnconnectedState, 5000);
        QCOMPARE(bridge.log().count("refused, 2 connections already"), 1);
    }

private:
    QTemporaryDir m_dir;
    QString writeFile(const char *name, const QByteArray &contents) { return writePrivateFile(m_dir, name, contents); }

    quint16 m_http = 0;
    SimulatorProcess m_simulator;
    BridgeProcess m_bridge;
    QNetworkAccessManager m_network;
};

QTEST_GUILESS_MAIN(WebFrontTest)
#include "tst_webfront.moc"
