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

#include <algorithm>
#include <memory>

namespace {

constexpr int Patience = 15000;  // ms: the most any answer or close may take here
const QByteArray Command = R"({"command":"input"})";
const QByteArray Upgrade = "Upgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Version: 13\r\n"
                           "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n";

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
    [[nodiscard]] QList<int> statuses() const  // of each answer so far
    {
        QList<int> result;
        for (qsizetype at = received.indexOf("HTTP/1.1 "); at >= 0; at = received.indexOf("HTTP/1.1 ", at + 1))
            result.append(received.mid(at + 9, 3).toInt());
        return result;
    }
    QTcpSocket socket;
    QByteArray received;
};

qint64 residentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
    const qsizetype at = text.indexOf("VmRSS:");
    return at < 0 ? -1 : text.mid(at + 6, text.indexOf('\n', at) - at - 6).trimmed().split(' ').first().toLongLong();
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
        QVERIFY2(m_bridge.start({"--config", config}), qPrintable(m_bridge.errorString()));
        QVERIFY(m_bridge.waitForLog("is open"));
    }

    // Refusals are closed, so more of them than a peer's places leave it its
    // places; a page under another name (DNS rebinding) puts nothing on
    // the line. The peer's own pipeline, a command that takes the line's time
    // then two quick GETs, is answered in request order.
    void refusalsLockNobodyOut_data()
    {
        QTest::addColumn<int>("peer");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<int>>("statuses");
        const QByteArray evil = "evil.example:" + QByteArray::number(m_http);
        const QByteArray origin = "Origin: http://" + evil + "\r\n";
        QTest::newRow("half upgrades") << 2 << request("GET", "/ws", "Upgrade: websocket\r\n") << QList<int>{400};
        QTest::newRow("a rebound command") << 3 << request("POST", "/api/projectors/0/command", origin, Command, evil) << QList<int>{421};
        QTest::newRow("a rebound WebSocket") << 4 << request("GET", "/ws", Upgrade, {}, evil) << QList<int>{421};
    }
    void refusalsLockNobodyOut()
    {
        QFETCH(int, peer);
        QFETCH(QByteArray, bytes);
        const qsizetype before = SimulatorProcess::framesIn(m_simulator.log()).size();
        for (int i = 0; i < 6; ++i)
            QTEST(answersTillClosed(peer, bytes), "statuses");
        const auto own = from(peer, request("POST", "/api/projectors/0/command", {}, Command)
                                        + request("GET", "/api/projectors") + request("GET", "/api/panel"));
        QTRY_COMPARE_WITH_TIMEOUT(own->statuses(), QList<int>(3, 200), Patience);
        const qsizetype outcome = own->received.indexOf("\"outcome\":\"done\"");
        const qsizetype name = own->received.indexOf("\"name\":\"Room 101\"");
        QVERIFY2(outcome >= 0 && outcome < name && name < own->received.indexOf("\"label\":"), own->received.constData());
        QCOMPARE(SimulatorProcess::framesIn(m_simulator.log()).mid(before), QByteArrayList{"CR1"});
    }

    // A byte at a time holds a place only until the request's deadline, and
    // one peer only its share of the places.
    void slowlorisHoldsOnlyItsShare()
    {
        const QByteArray head = request("GET", "/api/projectors");
        std::vector<std::unique_ptr<Client>> slow;
        for (int i = 0; i < 6; ++i)
            slow.push_back(from(5));
        QTimer trickle;
        connect(&trickle, &QTimer::timeout, this, [&, sent = 0]() mutable {
            for (const auto &client : slow) {
                if (!client->closed())
                    client->socket.write(head.mid(sent % (head.size() - 4), 1));
            }
            ++sent;
        });
        trickle.start(100);
        QVERIFY(m_bridge.waitForLog("127.0.0.5: refused"));
        const auto other = from(6, head);
        QTRY_COMPARE_WITH_TIMEOUT(other->statuses(), QList<int>{200}, Patience);
        for (const auto &client : slow)
            QTRY_VERIFY_WITH_TIMEOUT(client->closed(), Patience);
        QCOMPARE(std::count_if(slow.cbegin(), slow.cend(), [](const auto &c) { return c->statuses() == QList<int>{408}; }), 4);
    }

    // Pipelined guesses are checked one after another; wrong ones shut the
    // peer out before the right one is ever looked at.
    void pipelinedGuessesAreShutOut()
    {
        QByteArray guesses;
        for (int i = 0; i < 10; ++i)
            guesses += request("GET", "/api/projectors", {}, {}, {}, "horse " + QByteArray::number(i));
        const QList<int> answers = answersTillClosed(7, guesses + request("GET", "/api/projectors"));
        QVERIFY(!answers.isEmpty() && answers.size() < 10 && answers.count(401) == answers.size());
        QCOMPARE(answersTillClosed(7, request("GET", "/api/projectors")), QList<int>{});
    }

    // Answers a client does not read wait in TCP, not in the bridge: it stops
    // reading that client, so the client's own bytes stop draining.
    void unreadAnswersStayBounded_data()
    {
        QTest::addColumn<QByteArray>("one");
        QTest::newRow("pipelined requests") << request("GET", "/api/projectors");
        QTest::newRow("masked WebSocket pings") << QByteArray("\x89\xfd\0\0\0\0", 6) + QByteArray(125, 'p');
    }
    void unreadAnswersStayBounded()
    {
        QFETCH(QByteArray, one);
        const qint64 pid = m_bridge.process().processId();
        const qint64 before = residentKiB(pid);
        const bool webSocket = !one.startsWith("GET");
        const auto flood = webSocket ? openWebSocket(8) : from(9);
        QVERIFY(flood);
        flood->socket.disconnect();
        flood->socket.setReadBufferSize(1);
        // More than loopback's buffers hold, so some must stay with the client.
        flood->socket.write(one.repeated(24 * 1024 * 1024 / one.size()));
        auto stalled = [&, last = qint64(-1), still = 0]() mutable {
            still = flood->socket.bytesToWrite() == last ? still + 1 : 0;
            last = flood->socket.bytesToWrite();
            return still >= 10;
        };
        QTRY_VERIFY_WITH_TIMEOUT(stalled(), 4 * Patience);
        QVERIFY2(flood->socket.bytesToWrite() > 0, "the bridge read everything");
        const qint64 after = residentKiB(pid);
        QVERIFY2(after - before < 32 * 1024, qPrintable(QStringLiteral("%1 KiB, then %2 KiB").arg(before).arg(after)));
        QVERIFY(!flood->closed());
    }

    void anUnmaskedFrameIsAProtocolError()
    {
        const auto client = openWebSocket(10);
        QVERIFY(client);
        client->socket.write(QByteArray("\x81\x02hi", 4));
        QTRY_VERIFY_WITH_TIMEOUT(client->closed(), Patience);
        QVERIFY(client->received.endsWith(QByteArray("\x88\x02\x03\xea", 4)));  // close, 1002
    }

private:
    [[nodiscard]] std::unique_ptr<Client> from(int n, const QByteArray &bytes = {}) const
    {
        return std::make_unique<Client>(n, m_http, bytes);
    }
    // The statuses 127.0.0.N is answered to `bytes` till the bridge closes on it; {-1} if it does not.
    [[nodiscard]] QList<int> answersTillClosed(int n, const QByteArray &bytes) const
    {
        const auto client = from(n, bytes);
        return QTest::qWaitFor([&] { return client->closed(); }, 4 * Patience) ? client->statuses() : QList<int>{-1};
    }

    QByteArray request(const QByteArray &method, const QByteArray &path, const QByteArray &fields = {},
                       const QByteArray &body = {}, QByteArray host = {}, const QByteArray &password = "right horse") const
    {
        if (host.isEmpty())
            host = "127.0.0.1:" + QByteArray::number(m_http);
        QByteArray bytes = method + ' ' + path + " HTTP/1.1\r\nHost: " + host + "\r\nAuthorization: Basic "
            + ("web:" + password).toBase64() + "\r\n" + fields;
        if (!body.isEmpty())
            bytes += "Content-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n";
        return bytes + "\r\n" + body;
    }

    // A WebSocket from 127.0.0.N with the page's token, its 101 read; null if none.
    [[nodiscard]] std::unique_ptr<Client> openWebSocket(int n) const
    {
        const auto panel = from(11, request("GET", "/api/panel"));
        const QByteArray &page = panel->received;
        const auto at = [&] { return page.indexOf("\"token\":\"") + 9; };  // 8 if not there yet
        if (!QTest::qWaitFor([&] { return at() > 8 && page.indexOf('"', at()) > 0; }, Patience))
            return nullptr;
        auto client = from(n, request("GET", "/ws?token=" + page.mid(at(), page.indexOf('"', at()) - at()), Upgrade));
        return QTest::qWaitFor([&] { return client->statuses().contains(101); }, Patience) ? std::move(client) : nullptr;
    }

    QTemporaryDir m_dir;
    quint16 m_http = 0;
    SimulatorProcess m_simulator;
    BridgeProcess m_bridge;
};

QTEST_GUILESS_MAIN(HostileDrill)
#include "tst_hostile_drill.moc"
