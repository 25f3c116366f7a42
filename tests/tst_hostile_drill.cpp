// Hostile clients against the real rm740-bridge's web front, for what only the
// running process shows (places let go, penalties over a pipeline, memory, the
// line); each case from an address of its own, 127.0.0.N. Rules: tst_webrules.

#include "support/bridgeprocess.h"
#include "support/ser2netserver.h"
#include "support/simulatorprocess.h"

#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <memory>

namespace {

constexpr int Patience = 15000;  // ms: the most any answer or close may take here

// A request with the page's password (or `password`), for the bridge (or `host`).
QByteArray request(const QByteArray &line, const QByteArray &fields = {}, const QByteArray &body = {},
                   const QByteArray &host = "127.0.0.1", const QByteArray &password = "right horse")
{
    QByteArray bytes = line + " HTTP/1.1\r\nHost: " + host + "\r\nAuthorization: Basic "
        + ("web:" + password).toBase64() + "\r\n" + fields;
    if (!body.isEmpty())
        bytes += "Content-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n";
    return bytes + "\r\n" + body;
}

const QByteArray CommandLine = "POST /api/projectors/0/command";
const QByteArray CommandBody = R"({"command":"input"})";

// A raw client from 127.0.0.N that sends its bytes and keeps what it is sent.
struct Client {
    Client(int n, quint16 port, const QByteArray &bytes)
    {
        QObject::connect(&socket, &QIODevice::readyRead, [this] { received += socket.readAll(); });
        if (socket.bind(QHostAddress(QStringLiteral("127.0.0.%1").arg(n))))
            socket.connectToHost(QHostAddress::LocalHost, port);
        socket.write(bytes);
    }
    [[nodiscard]] bool closed() const { return socket.state() == QAbstractSocket::UnconnectedState; }
    [[nodiscard]] qsizetype answers(const QByteArray &status) const { return received.count("HTTP/1.1 " + status); }
    QTcpSocket socket;
    QByteArray received;
};

qint64 residentKiB(qint64 pid)
{
    QFile statm(QStringLiteral("/proc/%1/statm").arg(pid));  // its second figure: resident pages
    return statm.open(QIODevice::ReadOnly) ? statm.readAll().split(' ').value(1).toLongLong() * ::getpagesize() / 1024 : -1;
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
        const QString config = writePrivateFile(m_dir, "bridge.conf", QStringLiteral(
            "[Room 101]\nport = %1\npjlink = 127.0.0.1:%2\npoll-interval = 0\n[web]\nlisten = 127.0.0.1:%3\n"
            "password-file = %4\nmax-connections = 16\nconnections-per-peer = 4\nrequest-timeout = 1\n")
            .arg(link).arg(freeLoopbackPort()).arg(m_http).arg(writePrivateFile(m_dir, "web-password", "right horse\n"))
            .toUtf8());
#ifdef __SANITIZE_ADDRESS__
        // The sanitizer keeps freed memory aside (its quarantine), which would
        // count as the bridge's; without it, memory measures what is held.
        qputenv("ASAN_OPTIONS", qgetenv("ASAN_OPTIONS") + ":quarantine_size_mb=0");
#endif
        QVERIFY2(m_bridge.start({"--config", config}), qPrintable(m_bridge.errorString()));
        QVERIFY(m_bridge.waitForLog("is open"));
    }

    // A hostile peer is answered and closed, then shut out (guesses, before the
    // right password behind them is looked at) or let in again to its places
    // (six refusals are more than its four): its own pipeline, a command that
    // takes the line's time then two quick GETs, answered in request order.
    void aHostilePeerIsClosed_data()
    {
        QTest::addColumn<int>("peer");
        QTest::addColumn<QByteArray>("bytes");       // on a WebSocket of its own unless a request
        QTest::addColumn<int>("times");
        QTest::addColumn<QByteArray>("closedWith");  // the end of what it is sent
        QTest::addColumn<bool>("shutOut");
        QByteArray guesses;
        for (int i = 0; i < 10; ++i)
            guesses += request("GET /api/projectors", {}, {}, "127.0.0.1", "horse " + QByteArray::number(i));
        QTest::newRow("rebound commands")
            << 3 << request(CommandLine, "Origin: http://evil.example\r\n", CommandBody, "evil.example") << 6
            << QByteArray("does not serve evil.example\"}") << false;
        QTest::newRow("pipelined guesses") << 7 << guesses + request("GET /api/projectors") << 1
                                           << QByteArray("wrong password\"}") << true;
        QTest::newRow("an unmasked frame") << 10 << QByteArray("\x81\x02hi", 4) << 1
                                           << QByteArray("\x88\x02\x03\xea", 4) << false;  // close, 1002
    }
    void aHostilePeerIsClosed()
    {
        QFETCH(int, peer);
        QFETCH(QByteArray, bytes);
        QFETCH(int, times);
        QFETCH(QByteArray, closedWith);
        QFETCH(bool, shutOut);
        const qsizetype before = SimulatorProcess::framesIn(m_simulator.log()).size();
        for (int i = 0; i < times; ++i) {
            const auto client = clientFor(peer, bytes);
            QVERIFY(client);
            client->socket.write(bytes);
            QTRY_VERIFY_WITH_TIMEOUT(client->closed(), 4 * Patience);
            QVERIFY2(client->received.endsWith(closedWith), client->received.right(300).constData());
        }
        const auto own = from(peer, request(CommandLine, {}, CommandBody) + request("GET /api/projectors")
                                        + request("GET /api/panel"));
        QTRY_VERIFY_WITH_TIMEOUT(shutOut ? own->closed() : own->received.contains("\"label\":"), Patience);
        QCOMPARE(own->answers(shutOut ? "" : "200 "), shutOut ? 0 : 3);
        const QByteArray &got = own->received;
        const qsizetype outcome = got.indexOf("\"outcome\":\"done\""), name = got.indexOf("\"name\":\"Room 101\"");
        QVERIFY2(shutOut || (outcome >= 0 && outcome < name && name < got.indexOf("\"label\":")), got.constData());
        QCOMPARE(SimulatorProcess::framesIn(m_simulator.log()).mid(before),
                 shutOut ? QByteArrayList() : QByteArrayList{"CR1"});
    }

    // A byte at a time holds a place only until the request's deadline, and
    // one peer only its share of the places.
    void slowlorisHoldsOnlyItsShare()
    {
        const QByteArray head = request("GET /api/projectors");
        std::vector<std::unique_ptr<Client>> slow;
        for (int i = 0; i < 6; ++i)
            slow.push_back(from(5));
        QTimer trickle;
        connect(&trickle, &QTimer::timeout, this, [&, sent = 0]() mutable {
            for (const auto &client : slow)
                if (!client->closed())
                    client->socket.write(head.mid(sent % (head.size() - 4), 1));
            ++sent;
        });
        trickle.start(100);
        QVERIFY(m_bridge.waitForLog("127.0.0.5: refused"));
        const auto other = from(6, head);
        QTRY_COMPARE_WITH_TIMEOUT(other->answers("200 "), 1, Patience);
        for (const auto &client : slow)
            QTRY_VERIFY_WITH_TIMEOUT(client->closed(), Patience);
        QCOMPARE(std::count_if(slow.cbegin(), slow.cend(), [](const auto &c) { return c->received.startsWith("HTTP/1.1 408 "); }), 4);
    }

    // Answers a client does not read wait in TCP, not in the bridge: it stops
    // reading that client, so the client's own bytes stop draining.
    void unreadAnswersStayBounded_data()
    {
        QTest::addColumn<QByteArray>("one");
        QTest::newRow("pipelined requests") << request("GET /api/projectors");
        QTest::newRow("masked WebSocket pings") << QByteArray("\x89\xfd\0\0\0\0", 6) + QByteArray(125, 'p');
    }
    void unreadAnswersStayBounded()
    {
        QFETCH(QByteArray, one);
        const qint64 pid = m_bridge.process().processId();
        const qint64 before = residentKiB(pid);
        const auto flood = clientFor(8, one);
        QVERIFY(flood);
        flood->socket.disconnect();
        flood->socket.setReadBufferSize(1);
        // More than loopback's buffers hold, so some must stay with the client.
        flood->socket.write(one.repeated(24 * 1024 * 1024 / one.size()));
        QTRY_VERIFY_WITH_TIMEOUT(!flood->socket.waitForBytesWritten(500), 4 * Patience);  // nothing drains for a while
        QVERIFY2(flood->socket.bytesToWrite() > 0, "the bridge read everything");
        const qint64 after = residentKiB(pid);
        QVERIFY2(after - before < 32 * 1024, qPrintable(QStringLiteral("%1 KiB, then %2 KiB").arg(before).arg(after)));
        QVERIFY(!flood->closed());
    }

private:
    [[nodiscard]] std::unique_ptr<Client> from(int n, const QByteArray &bytes = {}) const
    {
        return std::make_unique<Client>(n, m_http, bytes);
    }

    // A client from 127.0.0.N to send `bytes`: a plain one for requests, else
    // one on a WebSocket opened with the page's token, its 101 read; null if none.
    [[nodiscard]] std::unique_ptr<Client> clientFor(int n, const QByteArray &bytes) const
    {
        if (bytes.contains(" HTTP/1.1\r\n"))
            return from(n);
        const auto panel = from(11, request("GET /api/panel"));
        const QByteArray &page = panel->received;
        const auto at = [&] { return page.indexOf("\"token\":\"") + 9; };  // 8 if not there yet
        if (!QTest::qWaitFor([&] { return at() > 8 && page.indexOf('"', at()) > 0; }, Patience))
            return nullptr;
        auto client = from(n, request("GET /ws?token=" + page.mid(at(), page.indexOf('"', at()) - at()),
                                      "Upgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Version: 13\r\n"
                                      "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"));
        return QTest::qWaitFor([&] { return client->answers("101 ") == 1; }, Patience) ? std::move(client) : nullptr;
    }

    QTemporaryDir m_dir;
    quint16 m_http = 0;
    SimulatorProcess m_simulator;
    BridgeProcess m_bridge;
};

QTEST_GUILESS_MAIN(HostileDrill)
#include "tst_hostile_drill.moc"
