// Hostile clients against the real rm740-bridge's web front on loopback, for
// what only the running process shows: places held and let go, penalties
// over a pipeline, memory under what a client does not read, what reaches
// the line. Each client speaks from an address of its own (127.0.0.N), so a
// peer's bounds and penalties fall on it alone. The rules themselves are
// rows in tst_webrules.

#include "support/bridgeprocess.h"
#include "support/ser2netserver.h"
#include "support/simulatorprocess.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

constexpr int Patience = 15000;  // ms: the most any answer or close may take here

// A raw client, bound to its own loopback address, keeping what it is sent.
class Client
{
public:
    Client(const QString &from, quint16 port)
    {
        m_reading = QObject::connect(&m_socket, &QIODevice::readyRead, [this] { m_received += m_socket.readAll(); });
        if (m_socket.bind(QHostAddress(from)))
            m_socket.connectToHost(QHostAddress::LocalHost, port);
    }
    [[nodiscard]] bool connected() { return m_socket.waitForConnected(Patience); }
    void write(const QByteArray &bytes) { m_socket.write(bytes); }
    [[nodiscard]] bool closed() const { return m_socket.state() == QAbstractSocket::UnconnectedState; }
    [[nodiscard]] const QByteArray &received() const { return m_received; }
    // The status of each answer so far.
    [[nodiscard]] QList<int> statuses() const
    {
        QList<int> result;
        static const QRegularExpression statusLine(QStringLiteral("HTTP/1\\.1 (\\d{3}) "));
        for (auto it = statusLine.globalMatch(QString::fromLatin1(m_received)); it.hasNext();)
            result.append(it.next().captured(1).toInt());
        return result;
    }
    QTcpSocket &socket() { return m_socket; }
    // From here on the client reads nothing: what it is sent waits in TCP.
    void stopReading()
    {
        QObject::disconnect(m_reading);
        m_socket.setReadBufferSize(1);
    }

private:
    QTcpSocket m_socket;
    QMetaObject::Connection m_reading;
    QByteArray m_received;
};

qint64 residentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

} // namespace

class HostileDrill : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_http = freeLoopbackPort();
        const QString link = m_dir.filePath(QStringLiteral("projector"));
        QVERIFY2(m_simulator.start(link, {}), qPrintable(m_simulator.errorString()));
        const QString config = writeFile(
            "bridge.conf",
            QStringLiteral("[Room 101]\nport = %1\npjlink = 127.0.0.1:%2\npoll-interval = 0\n"
                           "[web]\nlisten = 127.0.0.1:%3\npassword-file = %4\nmax-connections = 16\n"
                           "connections-per-peer = 4\nrequest-timeout = 1\n")
                .arg(link).arg(freeLoopbackPort()).arg(m_http).arg(writeFile("web-password", "right horse\n"))
                .toUtf8());
        QVERIFY2(m_bridge.start({"--config", config}), qPrintable(m_bridge.errorString()));
        QVERIFY(m_bridge.waitForLog("is open"));
    }

    // Half an upgrade is refused and closed, so rounds of them take no place for good.
    void halfUpgradesLockNobodyOut()
    {
        for (int round = 0; round < 3; ++round) {
            std::vector<std::unique_ptr<Client>> clients;
            for (int i = 0; i < 4; ++i) {
                clients.push_back(std::make_unique<Client>(QStringLiteral("127.0.0.2"), m_http));
                QVERIFY(clients.back()->connected());
                clients.back()->write(request("GET", "/ws", "Upgrade: websocket\r\n"));
            }
            for (const auto &client : clients) {
                QTRY_VERIFY_WITH_TIMEOUT(client->closed(), Patience);
                QCOMPARE(client->statuses(), QList<int>{400});
            }
        }
        Client after(QStringLiteral("127.0.0.2"), m_http);
        QVERIFY(after.connected());
        after.write(request("GET", "/api/projectors"));
        QTRY_COMPARE_WITH_TIMEOUT(after.statuses(), QList<int>{200}, Patience);
    }

    // A byte a second holds a place only until the request's deadline, and
    // one peer only its share of the places.
    void slowlorisHoldsOnlyItsShare()
    {
        std::vector<std::unique_ptr<Client>> slow;
        for (int i = 0; i < 6; ++i)
            slow.push_back(std::make_unique<Client>(QStringLiteral("127.0.0.3"), m_http));
        const QByteArray head = request("GET", "/api/projectors");
        int sent = 0;
        QTimer trickle;
        connect(&trickle, &QTimer::timeout, this, [&] {
            for (const auto &client : slow) {
                if (!client->closed())
                    client->write(head.mid(sent % (head.size() - 4), 1));
            }
            ++sent;
        });
        trickle.start(100);
        QVERIFY(m_bridge.waitForLog("127.0.0.3: refused, 4 connections from it already"));
        Client other(QStringLiteral("127.0.0.4"), m_http);
        QVERIFY(other.connected());
        other.write(head);
        QTRY_COMPARE_WITH_TIMEOUT(other.statuses(), QList<int>{200}, Patience);
        for (const auto &client : slow)
            QTRY_VERIFY_WITH_TIMEOUT(client->closed(), Patience);
        int timedOut = 0;
        for (const auto &client : slow)
            timedOut += client->statuses() == QList<int>{408};
        QCOMPARE(timedOut, 4);
    }

    // Pipelined guesses are checked one after another, each waiting out the
    // penalty before; a few wrong ones shut the peer out, before the right
    // one is ever looked at.
    void pipelinedGuessesAreSlowedThenShutOut()
    {
        Client guesser(QStringLiteral("127.0.0.5"), m_http);
        QVERIFY(guesser.connected());
        QByteArray guesses;
        for (int i = 0; i < 10; ++i)
            guesses += request("GET", "/probe-" + QByteArray::number(i), {}, {}, "horse " + QByteArray::number(i));
        guesser.write(guesses + request("GET", "/probe-right"));
        QTRY_VERIFY_WITH_TIMEOUT(guesser.closed(), 4 * Patience);
        QCOMPARE(guesser.statuses(), QList<int>(4, 401));
        QVERIFY(m_bridge.log().contains("127.0.0.5: wrong password for the web page (5 in a row), its connections closed"));
        QVERIFY(!guesser.received().contains("probe-right"));

        Client again(QStringLiteral("127.0.0.5"), m_http);
        again.write(request("GET", "/api/projectors"));
        QTRY_VERIFY_WITH_TIMEOUT(again.closed(), Patience);
        QVERIFY(again.received().isEmpty());
        Client other(QStringLiteral("127.0.0.6"), m_http);
        QVERIFY(other.connected());
        other.write(request("GET", "/api/projectors"));
        QTRY_COMPARE_WITH_TIMEOUT(other.statuses(), QList<int>{200}, Patience);
    }

    // Answers a client does not read wait in TCP, not in the bridge: it stops
    // reading that client. Nothing tells when it has stopped, so the drill
    // gives it a while.
    void unreadAnswersStayBounded_data()
    {
        QTest::addColumn<bool>("webSocket");
        QTest::newRow("pipelined requests") << false;
        QTest::newRow("WebSocket pings") << true;
    }
    void unreadAnswersStayBounded()
    {
        QFETCH(bool, webSocket);
        const qint64 pid = m_bridge.process().processId();
        const qint64 before = residentKiB(pid);
        Client flood(QStringLiteral("127.0.0.7"), m_http);
        QVERIFY(flood.connected());
        // More than loopback's buffers hold, so the bridge must stop reading
        // for some to stay with the client.
        constexpr qsizetype Flood = 24 * 1024 * 1024;
        QByteArray one = request("GET", "/api/projectors");
        if (webSocket) {
            QVERIFY(openWebSocket(flood));
            // Masked pings of 125 bytes, each answered with a pong.
            one = QByteArray("\x89\xfd\0\0\0\0", 6) + QByteArray(125, 'p');
        }
        flood.stopReading();
        flood.write(one.repeated(Flood / one.size()));
        QTest::qWait(3000);
        const qint64 after = residentKiB(pid);
        QVERIFY2(after - before < 32 * 1024, qPrintable(QStringLiteral("%1 KiB, then %2 KiB").arg(before).arg(after)));
        QVERIFY2(flood.socket().bytesToWrite() > 0, "the bridge read everything");
        QVERIFY(!flood.closed());
    }

    // Another name in Host is another site's page (DNS rebinding): refused
    // before anything, nothing on the line, no WebSocket.
    void reboundNamesAreMisdirected()
    {
        const qsizetype before = SimulatorProcess::framesIn(m_simulator.log()).size();
        const QByteArray evil = "evil.example:" + QByteArray::number(m_http);
        Client page(QStringLiteral("127.0.0.8"), m_http);
        QVERIFY(page.connected());
        page.write(request("POST", "/api/projectors/0/command", "Origin: http://" + evil + "\r\n",
                           R"({"command":"input"})", "right horse", evil));
        QTRY_VERIFY_WITH_TIMEOUT(page.closed(), Patience);
        QCOMPARE(page.statuses(), QList<int>{421});
        Client socket(QStringLiteral("127.0.0.8"), m_http);
        QVERIFY(socket.connected());
        socket.write(request("GET", "/ws", "Upgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Version: 13\r\n"
                                           "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n",
                             {}, "right horse", evil));
        QTRY_VERIFY_WITH_TIMEOUT(socket.closed(), Patience);
        QCOMPARE(socket.statuses(), QList<int>{421});
        // A command of the page's own goes through; it alone reaches the line.
        Client own(QStringLiteral("127.0.0.8"), m_http);
        QVERIFY(own.connected());
        own.write(request("POST", "/api/projectors/0/command", {}, R"({"command":"input"})"));
        QTRY_COMPARE_WITH_TIMEOUT(own.statuses(), QList<int>{200}, Patience);
        QCOMPARE(SimulatorProcess::framesIn(m_simulator.log()).mid(before), QByteArrayList{"CR1"});
    }

    // A command that takes the line's time, then two quick GETs, in one write:
    // answered in request order.
    void pipelinedAnswersKeepTheirOrder()
    {
        Client client(QStringLiteral("127.0.0.9"), m_http);
        QVERIFY(client.connected());
        client.write(request("POST", "/api/projectors/0/command", {}, R"({"command":"input"})")
                     + request("GET", "/api/projectors") + request("GET", "/api/panel"));
        QTRY_COMPARE_WITH_TIMEOUT(client.statuses(), QList<int>(3, 200), Patience);
        const QByteArray &got = client.received();
        const qsizetype outcome = got.indexOf("\"outcome\":\"done\"");
        const qsizetype name = got.indexOf("\"name\":\"Room 101\"");
        const qsizetype label = got.indexOf("\"label\":");
        QVERIFY2(outcome >= 0 && outcome < name && name < label, got.constData());
    }

    void anUnmaskedFrameIsAProtocolError()
    {
        Client client(QStringLiteral("127.0.0.10"), m_http);
        QVERIFY(client.connected());
        QVERIFY(openWebSocket(client));
        client.write(QByteArray("\x81\x02hi", 4));
        QTRY_VERIFY_WITH_TIMEOUT(client.closed(), Patience);
        QVERIFY(client.received().endsWith(QByteArray("\x88\x02\x03\xea", 4)));
        QVERIFY(m_bridge.log().contains("127.0.0.10: an unmasked WebSocket frame, closed (1002)"));
    }

private:
    QByteArray request(const QByteArray &method, const QByteArray &path, const QByteArray &fields = {},
                       const QByteArray &body = {}, const QByteArray &password = "right horse",
                       const QByteArray &host = {}) const
    {
        QByteArray bytes = method + ' ' + path + " HTTP/1.1\r\nHost: "
            + (host.isEmpty() ? "127.0.0.1:" + QByteArray::number(m_http) : host) + "\r\n"
            + "Authorization: Basic " + ("web:" + password).toBase64() + "\r\n" + fields;
        if (!body.isEmpty())
            bytes += "Content-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n";
        return bytes + "\r\n" + body;
    }

    // The page's token, then the upgrade on `client`, its 101 read.
    [[nodiscard]] bool openWebSocket(Client &client)
    {
        Client panel(QStringLiteral("127.0.0.11"), m_http);
        panel.write(request("GET", "/api/panel"));
        if (!QTest::qWaitFor([&] { return panel.received().contains("\"token\""); }, Patience))
            return false;
        const QByteArray body = panel.received().mid(panel.received().indexOf("\r\n\r\n") + 4);
        const QByteArray token = QJsonDocument::fromJson(body).object().value("token").toString().toLatin1();
        client.write(request("GET", "/ws?token=" + token,
                             "Upgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Version: 13\r\n"
                             "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"));
        return QTest::qWaitFor([&] { return client.statuses().contains(101); }, Patience);
    }

    QString writeFile(const char *name, const QByteArray &contents) { return writePrivateFile(m_dir, name, contents); }

    QTemporaryDir m_dir;
    quint16 m_http = 0;
    SimulatorProcess m_simulator;
    BridgeProcess m_bridge;
};

QTEST_GUILESS_MAIN(HostileDrill)
#include "tst_hostile_drill.moc"
