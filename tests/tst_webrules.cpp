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
    void requestHeads_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("listen");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("status");     // when refused
        QTest::addColumn<int>("length");     // when complete
        QTest::addColumn<bool>("close");
        QTest::addColumn<bool>("upgrade");

        const QByteArray get = "GET / HTTP/1.1\r\nHost: 127.0.0.1:8080\r\n\r\n";
        const QByteArray key = "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n";
        const auto head = [](const QByteArray &host, const QByteArray &rest = {}) {
            return "GET / HTTP/1.1\r\nHost: " + host + "\r\n" + rest + "\r\n";
        };
        const auto complete = [](const QByteArray &bytes) { return int(bytes.size()); };
        const QString loopback = QStringLiteral("127.0.0.1");
        const QString lan = QStringLiteral("192.168.1.2");
        const QString any = QStringLiteral("0.0.0.0");
        const int C = Verdict::Complete, R = Verdict::Refused, I = Verdict::Incomplete;

        QTest::newRow("the listen address") << get << loopback << C << 0 << complete(get) << false << false;
        QTest::newRow("localhost on loopback") << head("localhost:8080") << loopback << C << 0
                                               << complete(head("localhost:8080")) << false << false;
        QTest::newRow("a rebound name") << head("evil.example:8080") << loopback << R << 421 << 0 << false << false;
        QTest::newRow("localhost beyond loopback") << head("localhost") << lan << R << 421 << 0 << false << false;
        QTest::newRow("a configured name") << head("Bridge.Example.") << lan << C << 0
                                           << complete(head("Bridge.Example.")) << false << false;
        QTest::newRow("any address: an address") << head(lan.toLatin1() + ":80") << any << C << 0
                                                 << complete(head(lan.toLatin1() + ":80")) << false << false;
        QTest::newRow("any address: a name") << head("evil.example") << any << R << 421 << 0 << false << false;
        QTest::newRow("IPv6 loopback") << head("[::1]:8080") << QStringLiteral("::1") << C << 0
                                       << complete(head("[::1]:8080")) << false << false;
        QTest::newRow("no Host") << QByteArray("GET / HTTP/1.1\r\n\r\n") << loopback << R << 400 << 0 << false << false;
        QTest::newRow("two Hosts") << head("127.0.0.1", "Host: evil.example\r\n") << loopback << R << 400 << 0 << false
                                   << false;
        QTest::newRow("two Content-Lengths") << QByteArray("POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 3\r\n"
                                                           "Content-Length: 4\r\n\r\nabcd")
                                             << loopback << R << 400 << 0 << false << false;
        QTest::newRow("Content-Length and chunked") << QByteArray("POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 3\r\n"
                                                                  "Transfer-Encoding: chunked\r\n\r\n0\r\n\r\n")
                                                    << loopback << R << 400 << 0 << false << false;
        QTest::newRow("half an upgrade") << head("127.0.0.1", "Upgrade: websocket\r\n" + key) << loopback << R << 400
                                         << 0 << false << false;
        const QByteArray upgrade = head("127.0.0.1", "Upgrade: websocket\r\nConnection: keep-alive, Upgrade\r\n" + key);
        QTest::newRow("a whole upgrade") << upgrade << loopback << C << 0 << complete(upgrade) << false << true;
        QTest::newRow("Connection: close") << head("127.0.0.1", "Connection: Close\r\n") << loopback << C << 0
                                           << complete(head("127.0.0.1", "Connection: Close\r\n")) << true << false;
        const QByteArray old = "GET / HTTP/1.0\r\n\r\n";
        QTest::newRow("HTTP/1.0 closes") << old << loopback << C << 0 << complete(old) << true << false;
        QTest::newRow("a head not yet whole") << get.chopped(2) << loopback << I << 0 << 0 << false << false;
        QTest::newRow("a body not yet whole") << QByteArray("POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 10\r\n\r\nabc")
                                              << loopback << I << 0 << 0 << false << false;
        const QByteArray chunked = "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n";
        QTest::newRow("a chunked body") << chunked + get << loopback << C << 0 << complete(chunked) << false << false;
        QTest::newRow("the first of a pipeline") << get + get << loopback << C << 0 << complete(get) << false << false;
        QTest::newRow("a head too long") << head("127.0.0.1", "X: " + QByteArray(RequestRules::LongestHead, 'x') + "\r\n")
                                         << loopback << R << 431 << 0 << false << false;
        QTest::newRow("a folded line") << head("127.0.0.1", " folded\r\n") << loopback << R << 400 << 0 << false << false;
    }

    void requestHeads()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, listen);
        QFETCH(int, kind);
        const Verdict verdict = RequestRules::examine(bytes, {QHostAddress(listen), {QStringLiteral("bridge.example")}});
        QCOMPARE(int(verdict.kind), kind);
        if (kind == Verdict::Refused) {
            QTEST(verdict.status, "status");
            QVERIFY(RequestRules::refusal(verdict.status, verdict.reason).contains("\r\nConnection: close\r\n"));
        }
        if (kind == Verdict::Complete) {
            QTEST(int(verdict.length), "length");
            QTEST(verdict.close, "close");
            QTEST(verdict.upgrade, "upgrade");
        }
    }

    void peerOfARequest_data()
    {
        QTest::addColumn<QString>("socket");
        QTest::addColumn<QByteArrayList>("forwardedFor");
        QTest::addColumn<QString>("peer");
        QTest::newRow("no proxy") << "10.0.0.7" << QByteArrayList{"1.2.3.4"} << "10.0.0.7";
        QTest::newRow("a trusted proxy") << "10.0.0.1" << QByteArrayList{"6.6.6.6, 1.2.3.4"} << "1.2.3.4";
        QTest::newRow("the proxy's last field") << "10.0.0.1" << QByteArrayList{"6.6.6.6", "1.2.3.5"} << "1.2.3.5";
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
        QTest::newRow("Basic") << "Basic " + credentials << QByteArray("right horse");
        QTest::newRow("the scheme in lower case") << "basic " + credentials << QByteArray("right horse");
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
        QTest::addColumn<bool>("complete");
        QTest::addColumn<int>("end");  // head and body; -1: until the close
        QTest::newRow("a length") << QByteArray("HTTP/1.1 200 OK\r\ncontent-length: 5\r\n\r\nabc") << false << true << 43;
        QTest::newRow("a HEAD's") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n") << true << true << 38;
        QTest::newRow("after a 100") << QByteArray("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 204 No Content\r\n\r\n") << false
                                     << true << 52;
        QTest::newRow("no length") << QByteArray("HTTP/1.1 200 OK\r\n\r\n") << false << true << -1;
        QTest::newRow("a head not yet whole") << QByteArray("HTTP/1.1 200 OK\r\n") << false << false << 0;
    }

    void answersEnd()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, bodyless);
        QFETCH(int, end);
        const RequestRules::Answer answer = RequestRules::answer(bytes, bodyless);
        QTEST(answer.complete, "complete");
        if (answer.complete)
            QCOMPARE(answer.bodyLength < 0 ? -1 : int(answer.headLength + answer.bodyLength), end);
    }

    void clientFrames_data()
    {
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<bool>("unmasked");
        const QByteArray masked("\x81\x83" "abcd" "xyz", 9);
        const QByteArray longMasked = QByteArray("\x82\xfe\x01\x00" "abcd", 8) + QByteArray(256, 'p');
        QTest::newRow("masked") << QByteArrayList{masked + masked} << false;
        QTest::newRow("masked, a byte at a time") << [&] {
            QByteArrayList bytes;
            for (const char c : masked + masked)
                bytes.append(QByteArray(1, c));
            return bytes;
        }() << false;
        QTest::newRow("unmasked") << QByteArrayList{QByteArray("\x81\x03xyz", 5)} << true;
        QTest::newRow("unmasked after a long masked one") << QByteArrayList{longMasked.first(100), longMasked.sliced(100),
                                                                            QByteArray("\x89\x00", 2)} << true;
        QTest::newRow("a payload that looks unmasked") << QByteArrayList{QByteArray("\x81\x82" "abcd" "\x81\x03", 8)}
                                                       << false;
    }

    void clientFrames()
    {
        QFETCH(QByteArrayList, pieces);
        ClientFrames frames;
        ClientFrames::Verdict verdict = ClientFrames::Verdict::Fine;
        for (const QByteArray &piece : pieces) {
            if (verdict == ClientFrames::Verdict::Fine)
                verdict = frames.feed(piece);
        }
        QTEST(verdict == ClientFrames::Verdict::Unmasked, "unmasked");
    }
};

QTEST_GUILESS_MAIN(WebRulesTest)
#include "tst_webrules.moc"
