// What the web front decides about a client's bytes before Qt's HTTP server
// reads them: the request head's rules, the Host that names the front, the
// peer a request counts for, where an answer ends, and the client's frames.

#include "bridge/web/clientframes.h"
#include "bridge/web/requestrules.h"

#include <QTest>

using RequestRules::Verdict;

class WebRulesTest : public QObject
{
    Q_OBJECT

private slots:
    // A row's verdict: "refused STATUS", "not yet", or "whole" (the request
    // being all the bytes, else its length follows) with "close" and "upgrade".
    void requestHeads_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("listen");
        QTest::addColumn<QByteArray>("verdict");
        const QString lan = QStringLiteral("192.168.1.2");
        const auto row = [](const char *name, const QByteArray &bytes, const QByteArray &verdict,
                            const QString &listen = QStringLiteral("127.0.0.1")) {
            QTest::newRow(name) << bytes << listen << verdict;
        };
        const auto head = [](const QByteArray &host, const QByteArray &rest = {}) {
            return "GET / HTTP/1.1\r\nHost: " + host + "\r\n" + rest + "\r\n";
        };
        const auto post = [](const QByteArray &rest) { return "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\n" + rest; };
        const QByteArray get = head("127.0.0.1:8080");
        const QByteArray key = "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n";
        const QByteArray chunked = post("Transfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n");

        row("the listen address", get, "whole");
        row("localhost on loopback", head("localhost:8080"), "whole");
        row("a configured name", head("Bridge.Example."), "whole", lan);
        row("any address: an address", head(lan.toLatin1() + ":80"), "whole", QStringLiteral("0.0.0.0"));
        row("IPv6 loopback", head("[::1]:8080"), "whole", QStringLiteral("::1"));
        row("a whole upgrade", head("127.0.0.1", "Upgrade: websocket\r\nConnection: keep-alive, Upgrade\r\n" + key),
            "whole upgrade");
        row("Connection: close", head("127.0.0.1", "Connection: Close\r\n"), "whole close");
        row("HTTP/1.0 closes", "GET / HTTP/1.0\r\n\r\n", "whole close");
        row("a chunked body, then the next request", chunked + get, "whole " + QByteArray::number(chunked.size()));
        row("a rebound name", head("evil.example:8080"), "refused 421");
        row("localhost beyond loopback", head("localhost"), "refused 421", lan);
        row("two Hosts", head("127.0.0.1", "Host: evil.example\r\n"), "refused 400");
        row("two Content-Lengths", post("Content-Length: 3\r\nContent-Length: 4\r\n\r\nabcd"), "refused 400");
        row("Content-Length and chunked", post("Content-Length: 3\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n"),
            "refused 400");
        row("half an upgrade", head("127.0.0.1", "Upgrade: websocket\r\n" + key), "refused 400");
        row("a head too long", head("127.0.0.1", "X: " + QByteArray(RequestRules::LongestHead, 'x') + "\r\n"), "refused 431");
        row("a folded line", head("127.0.0.1", " folded\r\n"), "refused 400");
        row("a head not yet whole", get.chopped(2), "not yet");
        row("a body not yet whole", post("Content-Length: 10\r\n\r\nabc"), "not yet");
    }

    void requestHeads()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, listen);
        const Verdict v = RequestRules::examine(bytes, {QHostAddress(listen), {QStringLiteral("bridge.example")}});
        QByteArray said = "not yet";
        if (v.kind == Verdict::Refused) {
            said = "refused " + QByteArray::number(v.status);
            QVERIFY(RequestRules::refusal(v.status, v.reason).contains("\r\nConnection: close\r\n"));
        } else if (v.kind == Verdict::Complete) {
            said = "whole" + (v.length == bytes.size() ? QByteArray() : " " + QByteArray::number(v.length))
                + (v.close ? " close" : "") + (v.upgrade ? " upgrade" : "");
        }
        QTEST(said, "verdict");
    }

    void peerOfARequest_data()
    {
        QTest::addColumn<QString>("socket");
        QTest::addColumn<QByteArrayList>("forwardedFor");
        QTest::addColumn<QString>("peer");
        QTest::newRow("no proxy") << "10.0.0.7" << QByteArrayList{"1.2.3.4"} << "10.0.0.7";
        QTest::newRow("a trusted proxy: the last it added") << "10.0.0.1" << QByteArrayList{"6.6.6.6", "7.7.7.7, 1.2.3.5"}
                                                           << "1.2.3.5";
        QTest::newRow("a trusted proxy, nothing forwarded") << "10.0.0.1" << QByteArrayList{} << "10.0.0.1";
        QTest::newRow("IPv4 through a dual stack") << "::ffff:10.0.0.1" << QByteArrayList{"1.2.3.4"} << "1.2.3.4";
    }

    void peerOfARequest()
    {
        QFETCH(QString, socket);
        QFETCH(QByteArrayList, forwardedFor);
        QTEST(RequestRules::peer(QHostAddress(socket), forwardedFor, {QHostAddress(QStringLiteral("10.0.0.1"))}), "peer");
    }

    void basicCredentials_data()
    {
        QTest::addColumn<QByteArray>("authorization");
        QTest::addColumn<QByteArray>("password");  // empty: none read
        const QByteArray credentials = QByteArray("anyone:right horse").toBase64();
        QTest::newRow("Basic, in any case") << "basic " + credentials << QByteArray("right horse");
        QTest::newRow("another scheme") << "Bearer " + credentials << QByteArray();
        QTest::newRow("no user part") << "Basic " + QByteArray("right horse").toBase64() << QByteArray();
    }

    void basicCredentials()
    {
        QFETCH(QByteArray, authorization);
        QFETCH(QByteArray, password);
        QCOMPARE(RequestRules::basicPassword(authorization).value_or(QByteArray()), password);
    }

    // Where Qt's answer ends decides when the next request is handed on.
    void answersEnd_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("bodyless");
        QTest::addColumn<int>("end");  // head and body; -1: at the close; 0: not whole yet
        QTest::newRow("a length") << QByteArray("HTTP/1.1 200 OK\r\ncontent-length: 5\r\n\r\nabc") << false << 43;
        QTest::newRow("a HEAD's") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n") << true << 38;
        QTest::newRow("after a 100") << QByteArray("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 204 No Content\r\n\r\n") << false
                                     << 52;
        QTest::newRow("no length") << QByteArray("HTTP/1.1 200 OK\r\n\r\n") << false << -1;
        QTest::newRow("a head not yet whole") << QByteArray("HTTP/1.1 200 OK\r\n") << false << 0;
    }

    void answersEnd()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, bodyless);
        const RequestRules::Answer answer = RequestRules::answer(bytes, bodyless);
        QTEST(!answer.complete ? 0 : answer.bodyLength < 0 ? -1 : int(answer.headLength + answer.bodyLength), "end");
    }

    // Each row fed whole and a byte at a time.
    void clientFrames_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("unmasked");
        const QByteArray masked("\x81\x83" "abcd" "xyz", 9);
        QTest::newRow("masked") << masked + masked << false;
        QTest::newRow("unmasked after a long masked one")
            << QByteArray("\x82\xfe\x01\x00" "abcd", 8) + QByteArray(256, 'p') + QByteArray("\x89\x00", 2) << true;
        QTest::newRow("a payload that looks unmasked") << QByteArray("\x81\x82" "abcd" "\x81\x03", 8) << false;
    }

    void clientFrames()
    {
        QFETCH(QByteArray, bytes);
        ClientFrames whole, bytewise;
        QTEST(whole.feed(bytes) == ClientFrames::Verdict::Unmasked, "unmasked");
        ClientFrames::Verdict verdict = ClientFrames::Verdict::Fine;
        for (qsizetype i = 0; i < bytes.size() && verdict == ClientFrames::Verdict::Fine; ++i)
            verdict = bytewise.feed(bytes.sliced(i, 1));
        QTEST(verdict == ClientFrames::Verdict::Unmasked, "unmasked");
    }
};

QTEST_GUILESS_MAIN(WebRulesTest)
#include "tst_webrules.moc"
