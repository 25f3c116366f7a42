// rm740-bridge, the real program, between PJLink clients and the simulated
// projector; what only the whole process shows. And one PJLink connection on
// its own, where what shows is its socket's buffer.

#include "bridge/pjlink/pjlinkauth.h"
#include "bridge/pjlink/pjlinkconnection.h"
#include "bridge/projector/projectorservice.h"
#include "bridge/projector/wrongpasswords.h"
#include "support/bridgeprocess.h"
#include "support/fakeprojector.h"
#include "support/pjlinkclient.h"
#include "support/ser2netserver.h"
#include "support/simulatorprocess.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QNetworkDatagram>
#include <QTcpServer>
#include <QUdpSocket>
#include <QTest>

#include <memory>
#include <sys/stat.h>

namespace {

// The UDP sockets a process holds, from /proc: its socket inodes found in the
// system's UDP tables.
int udpSocketsOf(qint64 pid)
{
    QSet<QByteArray> inodes;
    for (const QString &table : {QStringLiteral("/proc/net/udp"), QStringLiteral("/proc/net/udp6")}) {
        QFile file(table);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : file.readAll().split('\n').mid(1)) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() > 9)
                inodes.insert(fields[9]);
        }
    }
    int held = 0;
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QFileInfo &fd : fds.entryInfoList(QDir::System)) {
        const QString target = fd.symLinkTarget().isEmpty() ? QFile::symLinkTarget(fd.filePath()) : fd.symLinkTarget();
        const QString name = QFileInfo(target).fileName();
        if (name.startsWith(u"socket:[") && inodes.contains(name.mid(8).chopped(1).toLatin1()))
            ++held;
    }
    return held;
}

QByteArray answerOf(const QByteArray &line)
{
    return line.mid(line.indexOf('=') + 1);
}

} // namespace

class BridgeTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_port = freeLoopbackPort();
        m_simulator = std::make_unique<SimulatorProcess>();
        m_bridge = std::make_unique<BridgeProcess>();
    }

    void cleanup()
    {
        m_bridge.reset();
        m_simulator.reset();
    }

    void powerGoesThroughWarmUpAndCooling()
    {
        serve({"--poll-interval", "0.1"}, {"--warmup", "1", "--cooldown", "1"});
        PjlinkClient client;
        QVERIFY(client.connectTo(m_port));
        QCOMPARE(client.greeting(), QByteArray("PJLINK 0"));
        QCOMPARE(client.ask("%1POWR ?"), QByteArray("%1POWR=0"));
        QCOMPARE(client.ask("%1POWR 1"), QByteArray("%1POWR=OK"));
        QCOMPARE(client.ask("%1POWR ?"), QByteArray("%1POWR=3"));
        // A power command while it warms up is not for now.
        QCOMPARE(client.ask("%1POWR 0"), QByteArray("%1POWR=ERR3"));
        QTRY_COMPARE_WITH_TIMEOUT(client.ask("%1POWR ?"), QByteArray("%1POWR=1"), 5000);
        QCOMPARE(client.ask("%1LAMP ?"), QByteArray("%1LAMP=123 1"));
        QCOMPARE(client.ask("%1POWR 0"), QByteArray("%1POWR=OK"));
        QCOMPARE(client.ask("%1POWR ?"), QByteArray("%1POWR=2"));
        QTRY_COMPARE_WITH_TIMEOUT(client.ask("%1POWR ?"), QByteArray("%1POWR=0"), 5000);
        QCOMPARE(client.ask("%1LAMP ?"), QByteArray("%1LAMP=123 0"));
        const QByteArrayList frames = SimulatorProcess::framesIn(m_simulator->log());
        QCOMPARE(frames.count("C00"), 1);
        QCOMPARE(frames.count("C01"), 1);
    }

    void setsGoOutAsThePanelsFrames_data()
    {
        QTest::addColumn<QByteArrayList>("requests");
        QTest::addColumn<QByteArrayList>("answers");
        QTest::addColumn<QByteArrayList>("frames");  // the sets' frames, in order
        QTest::newRow("input") << QByteArrayList{"%1INPT 32", "%1INPT ?"} << QByteArrayList{"OK", "32"}
                               << QByteArrayList{"C5C"};
        QTest::newRow("mutes") << QByteArrayList{"%1AVMT 31", "%1AVMT ?", "%1AVMT 10", "%1AVMT ?"}
                               << QByteArrayList{"OK", "31", "OK", "21"} << QByteArrayList{"C0D", "C0B", "C0E"};
    }
    void setsGoOutAsThePanelsFrames()
    {
        QFETCH(QByteArrayList, requests);
        QFETCH(QByteArrayList, answers);
        serve({"--poll-interval", "0"}, {});
        PjlinkClient client;
        QVERIFY(client.connectTo(m_port));
        for (qsizetype i = 0; i < requests.size(); ++i)
            QCOMPARE(answerOf(client.ask(requests[i])), answers[i]);
        QByteArrayList sets = SimulatorProcess::framesIn(m_simulator->log());
        sets.removeIf([](const QByteArray &frame) { return frame.startsWith("CR"); });
        QTEST(sets, "frames");
    }

    void manyClientsShareOneRead()
    {
        serve({"--poll-interval", "0"}, {});
        std::vector<std::unique_ptr<PjlinkClient>> clients;
        for (int i = 0; i < 10; ++i) {
            clients.push_back(std::make_unique<PjlinkClient>());
            QVERIFY(clients.back()->connectTo(m_port));
        }
        for (auto &client : clients)
            client->socket().write("%1POWR ?\r");
        for (auto &client : clients)
            QCOMPARE(client->readLine(), QByteArray("%1POWR=0"));
        QCOMPARE(SimulatorProcess::framesIn(m_simulator->log()), QByteArrayList{"CR0"});
    }

    void aSilentProjectorIsAFailure()
    {
        serve({"--poll-interval", "0", "--reply-timeout", "200"}, {"--silent"});
        PjlinkClient client;
        QVERIFY(client.connectTo(m_port));
        QCOMPARE(client.ask("%1POWR ?"), QByteArray("%1POWR=ERR4"));
        QCOMPARE(client.ask("%1POWR 1"), QByteArray("%1POWR=ERR4"));
        QCOMPARE(client.ask("%1CLSS ?"), QByteArray("%1CLSS=1"));
        QVERIFY(m_bridge->waitForLog("does not answer"));
    }

    void aRefusingProjectorIsUnavailable()
    {
        FakeProjector projector;
        QVERIFY(projector.open());
        projector.setResponder([](const QByteArray &frame) -> QByteArray {
            return frame.startsWith("CR0") ? "80\r" : "?\r";
        });
        QVERIFY2(m_bridge->start({"--port", projector.devicePath(), "--pjlink", endpoint(), "--poll-interval", "0"}),
                 qPrintable(m_bridge->errorString()));
        PjlinkClient client;
        QVERIFY(client.connectTo(m_port));
        QCOMPARE(client.ask("%1AVMT 11"), QByteArray("%1AVMT=ERR3"));
        QCOMPARE(client.ask("%1AVMT ?"), QByteArray("%1AVMT=ERR4"));
        QCOMPARE(client.ask("%1POWR 1"), QByteArray("%1POWR=ERR3"));
        QCOMPARE(client.ask("%1POWR ?"), QByteArray("%1POWR=0"));
    }

    void aPulledPortIsOpenedAgainWhenItReturns_data()
    {
        QTest::addColumn<bool>("network");
        QTest::addColumn<QString>("reason");  // what happened, not the errno of the last call
        QTest::newRow("device") << false << "went away: the device was unplugged, or closed at its far end";
        QTest::newRow("network port, redialled") << true << "closed the connection";
    }
    void aPulledPortIsOpenedAgainWhenItReturns()
    {
        QFETCH(bool, network);
        QFETCH(QString, reason);
        const QStringList simulatorOptions =
            network ? QStringList{"--tcp", QString::number(freeLoopbackPort())} : QStringList{};
        serve({"--poll-interval", "0"}, simulatorOptions);
        PjlinkClient client;
        QVERIFY(client.connectTo(m_port));
        QCOMPARE(client.ask("%1POWR ?"), QByteArray("%1POWR=0"));
        m_simulator->stop();
        QVERIFY(m_bridge->waitForLog("went away"));
        QVERIFY2(m_bridge->log().contains(reason.toUtf8()), m_bridge->log().constData());
        QCOMPARE(client.ask("%1POWR ?"), QByteArray("%1POWR=ERR4"));
        QCOMPARE(client.ask("%1POWR 1"), QByteArray("%1POWR=ERR4"));
        QVERIFY2(network ? m_simulator->startListening(simulatorOptions) : m_simulator->start(link(), {}),
                 qPrintable(m_simulator->errorString()));
        QTRY_COMPARE_WITH_TIMEOUT(m_bridge->log().count("is open"), 2, 10000);
        QCOMPARE(client.ask("%1POWR ?"), QByteArray("%1POWR=0"));
        QCOMPARE(client.ask("%1POWR 1"), QByteArray("%1POWR=OK"));
        QVERIFY(SimulatorProcess::framesIn(m_simulator->log()).contains("C00"));
    }

    // The right and the wrong password are the independent client's test
    // (tests/bridge); here what it does not show: a digest left out, and a
    // fresh challenge for each connection.
    void aRequestWithoutItsDigestIsRefused()
    {
        serve({"--password-file", writeFile("password", "JBMIAProjectorLink\n", 0600)}, {});
        PjlinkClient client;
        QVERIFY(client.connectTo(m_port));
        QVERIFY2(client.greeting().startsWith("PJLINK 1 ") && client.greeting().size() == 17, client.greeting());
        QCOMPARE(client.ask("%1POWR ?"), QByteArray("PJLINK ERRA"));
        QVERIFY(client.isClosedByServer());
        QVERIFY(m_bridge->waitForLog("authentication failed: no digest"));
        QVERIFY(m_bridge->log().contains("127.0.0.1:"));
        PjlinkClient next;
        QVERIFY(next.connectTo(m_port));
        QVERIFY(next.challenge() != client.challenge());
        QCOMPARE(next.ask(PjlinkAuth::digest(next.challenge(), "JBMIAProjectorLink") + "%1POWR ?"),
                 QByteArray("%1POWR=0"));
        QCOMPARE(next.ask("%1CLSS ?"), QByteArray("%1CLSS=1"));
    }

    void hostileClientsReachNothing_data()
    {
        QTest::addColumn<QString>("attack");
        for (const char *attack : {"garbage", "10 MB without CR", "half a line, then silence", "100 connections at once",
                                   "wrong digests again and again"})
            QTest::newRow(attack) << QString::fromLatin1(attack);
    }
    void hostileClientsReachNothing()
    {
        QFETCH(QString, attack);
        const QString passwordFile = writeFile("password", "secret\n", 0600);
        QStringList options{"--poll-interval", "0", "--idle-timeout", "0.5"};
        if (attack.startsWith(u"wrong"))
            options += QStringList{"--password-file", passwordFile};
        serve(options, {});

        if (attack == u"100 connections at once") {
            std::vector<std::unique_ptr<QTcpSocket>> sockets;
            for (int i = 0; i < 100; ++i) {
                sockets.push_back(std::make_unique<QTcpSocket>());
                sockets.back()->connectToHost(QHostAddress::LocalHost, m_port);
            }
            QVERIFY(m_bridge->waitForLog("refused: 16 clients already"));
            sockets.clear();
        } else if (attack.startsWith(u"wrong")) {
            // Each digest waits out the penalty of the wrong one before, and
            // after a few the address is shut out; the log sums them up.
            int guesses = 0;
            for (; guesses < 20; ++guesses) {
                PjlinkClient thief;
                if (!thief.connectTo(m_port))
                    break;
                QCOMPARE(thief.ask(QByteArray(32, 'a') + "%1POWR 1"), QByteArray("PJLINK ERRA"));
                QVERIFY(thief.isClosedByServer());
            }
            QCOMPARE(guesses, 5);
            QVERIFY(m_bridge->waitForLog("more wrong digests from 127.0.0.1", 15000));
            QCOMPARE(m_bridge->log().count("authentication failed: wrong digest"), 1);
        } else {
            PjlinkClient attacker;
            QVERIFY(attacker.connectTo(m_port));
            if (attack == u"garbage")
                attacker.socket().write(QByteArray("%1POWR 1\x00\xff\x13\r", 12));
            else if (attack == u"10 MB without CR")
                attacker.socket().write(QByteArray(10 * 1024 * 1024, '1'));
            else
                attacker.socket().write("%1POW");
            QVERIFY(attacker.isClosedByServer());
        }
        QCOMPARE(m_bridge->process().state(), QProcess::Running);
        // Once the bridge has seen the attackers go, the next client is served.
        std::unique_ptr<PjlinkClient> next;
        QVERIFY(QTest::qWaitFor([&] {
            next = std::make_unique<PjlinkClient>();
            return next->connectTo(m_port);
        }, 15000));
        QCOMPARE(next->ask(attack.startsWith(u"wrong") ? PjlinkAuth::digest(next->challenge(), "secret") + "%1CLSS ?"
                                                        : QByteArray("%1CLSS ?")),
                 QByteArray("%1CLSS=1"));
        QCOMPARE(SimulatorProcess::framesIn(m_simulator->log()), QByteArrayList{});
    }

    // One connection alone, sending through a small kernel buffer: a client
    // that pipelines requests without reading is not read while 64 KiB of
    // answers wait for it.
    void aClientThatDoesNotReadIsNotRead()
    {
        ProjectorService service({QStringLiteral("room"), {QStringLiteral("none"), 0, m_dir.filePath("none")}, {}});
        const PjlinkSettings settings;
        QTcpServer listener;
        QVERIFY(listener.listen(QHostAddress::LocalHost));
        QTcpSocket client;
        client.setReadBufferSize(1);
        client.connectToHost(QHostAddress::LocalHost, listener.serverPort());
        QVERIFY(listener.waitForNewConnection(5000));
        QTcpSocket *served = listener.nextPendingConnection();
        served->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, 4096);
        QObject owner;
        const WrongPasswords wrong;
        new PjlinkConnection(served, service, settings, wrong, &owner);
        client.write(QByteArray("%1INF2 ?\r").repeated(40000));
        QTRY_VERIFY_WITH_TIMEOUT(served->bytesToWrite() > PjlinkConnection::MostUnsent, 20000);
        QVERIFY(!QTest::qWaitFor([&] { return served->bytesToWrite() > PjlinkConnection::MostUnsent + 64; }, 500));
        // As it reads, it is served again, to the last request.
        client.setReadBufferSize(0);
        QByteArray answers;
        QTRY_VERIFY_WITH_TIMEOUT((answers += client.readAll()).count('\r') == 40001, 20000);
        QVERIFY(answers.endsWith("%1INF2=RM740\r"));
    }

    void anIdleClientIsLetGo()
    {
        serve({"--idle-timeout", "0.3", "--max-clients", "1"}, {});
        PjlinkClient first;
        QVERIFY(first.connectTo(m_port));
        PjlinkClient second;
        QVERIFY(!second.connectTo(m_port));
        QVERIFY(first.isClosedByServer());
        PjlinkClient third;
        QVERIFY(third.connectTo(m_port));
    }

    void searchesAreAnsweredOnlyWhenAskedTo()
    {
        serve({}, {});
        QCOMPARE(udpSocketsOf(m_bridge->process().processId()), 0);
        m_bridge->stop();

        if (isListeningOnLoopback(4352))
            QSKIP("something else listens on PJLink's port 4352 here");
        const quint16 searchPort = freeLoopbackPort();
        QVERIFY2(m_bridge->start({"--port", link(), "--pjlink", "127.0.0.1:4352", "--discovery", "--discovery-port",
                                  QString::number(searchPort)}),
                 qPrintable(m_bridge->errorString()));
        QCOMPARE(udpSocketsOf(m_bridge->process().processId()), 1);
        QUdpSocket controller;
        QVERIFY(controller.bind(QHostAddress::LocalHost, 0));
        controller.writeDatagram("%2SRCH\r", QHostAddress::LocalHost, searchPort);
        QTRY_VERIFY(controller.hasPendingDatagrams());
        QCOMPARE(controller.receiveDatagram().data(), QByteArray("%2ACKN=00:00:00:00:00:00\r"));
        controller.writeDatagram("%2SRCH?\r", QHostAddress::LocalHost, searchPort);
        controller.writeDatagram("%2SRCH\r", QHostAddress::LocalHost, searchPort);
        QTRY_VERIFY(controller.hasPendingDatagrams());
        QCOMPARE(controller.receiveDatagram().data(), QByteArray("%2ACKN=00:00:00:00:00:00\r"));
        QVERIFY(!controller.hasPendingDatagrams());
        QVERIFY(m_bridge->waitForLog("searched; answered on lo"));
    }

    // The checks and their wording are tst_bridgeparts'; here the exit
    // status, and what only the system shows: a password file or a device
    // that is not there, a variable the service would have set.
    void aConfigurationIsCheckedWhole_data()
    {
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("port") << QByteArray("[a]\nport = rfc2217://[::1\n") << 78 << QByteArray("bridge.conf:2: port ");
        QTest::newRow("password missing") << QByteArray("[a]\nport = /dev/null\npassword-file = /nonexistent\n") << 78
                                          << QByteArray("bridge.conf:3: the password file /nonexistent does not exist");
        QTest::newRow("credentials unset")
            << QByteArray("[a]\nport = /dev/null\npassword-file = ${CREDENTIALS_DIRECTORY}/pw\n") << 78
            << QByteArray("bridge.conf:3: the password file ${CREDENTIALS_DIRECTORY}/pw is in "
                          "${CREDENTIALS_DIRECTORY}, which is not set");
        QTest::newRow("device not plugged in") << QByteArray("[a]\nport = /dev/ttyUSB-absent\n") << 0
                                               << QByteArray("bridge.conf:2: port /dev/ttyUSB-absent: "
                                                             "/dev/ttyUSB-absent does not exist now");
    }
    void aConfigurationIsCheckedWhole()
    {
        QFETCH(QByteArray, config);
        QFETCH(int, status);
        QFETCH(QByteArray, message);
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("CREDENTIALS_DIRECTORY"));
        process.setProcessEnvironment(environment);
        process.start(BridgeProcess::program(), {"--check", "--config", writeFile("bridge.conf", config, 0644)});
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), status);
        const QByteArray error = process.readAllStandardError();
        QVERIFY2(error.contains(message), error);
    }

private:
    QString link() const { return m_dir.filePath(QStringLiteral("projector")); }
    QString endpoint() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }

    QString writeFile(const QString &name, const QByteArray &contents, int mode)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return {};
        file.write(contents);
        file.close();
        ::chmod(QFile::encodeName(path).constData(), mode_t(mode));
        return path;
    }

    // The simulator on a pseudo-terminal, or on a network port when asked
    // with --tcp, and the bridge on it.
    void serve(const QStringList &bridgeOptions, const QStringList &simulatorOptions)
    {
        const bool network = simulatorOptions.contains(u"--tcp"_qs);
        QVERIFY2(network ? m_simulator->startListening(simulatorOptions) : m_simulator->start(link(), simulatorOptions),
                 qPrintable(m_simulator->errorString()));
        const QString port = network ? m_simulator->devicePath() : link();
        QVERIFY2(m_bridge->start(QStringList{"--port", port, "--pjlink", endpoint()} + bridgeOptions),
                 qPrintable(m_bridge->errorString()));
        QVERIFY(m_bridge->waitForLog("is open"));
    }

    QTemporaryDir m_dir;
    quint16 m_port = 0;
    std::unique_ptr<SimulatorProcess> m_simulator;
    std::unique_ptr<BridgeProcess> m_bridge;
};

QTEST_GUILESS_MAIN(BridgeTest)
#include "tst_bridge.moc"
