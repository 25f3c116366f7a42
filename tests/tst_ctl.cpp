// rm740ctl as a shell runs it: the real program against the simulated
// projector on pseudo-terminals (the rm740-sim process, or the same model
// in-process where the exact bytes on the wire count), on network ports, and
// on ports that cannot be opened; its output read back as text and as JSON.

#include "sim/exchangelog.h"
#include "support/fakeprojector.h"
#include "support/ser2netserver.h"
#include "support/simulatorprocess.h"
#include "support/testsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

namespace {

constexpr int FinishTimeoutMs = 20000;

struct Outcome {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    [[nodiscard]] QList<QByteArray> lines() const
    {
        QList<QByteArray> result = out.split('\n');
        if (!result.isEmpty() && result.constLast().isEmpty())
            result.removeLast();
        return result;
    }
    [[nodiscard]] QString report() const
    {
        return QStringLiteral("exit %1\nstdout:\n%2\nstderr:\n%3")
            .arg(exitCode)
            .arg(QString::fromLocal8Bit(out), QString::fromLocal8Bit(err));
    }
};

// Runs rm740ctl with the event loop going, so that in-process projectors answer.
Outcome runCtl(const QStringList &arguments)
{
    QProcess process;
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(QStringLiteral(RM740CTL_PATH), arguments);
    if (!process.waitForStarted(FinishTimeoutMs) || !finished.wait(FinishTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    Outcome outcome;
    outcome.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    outcome.out = process.readAllStandardOutput();
    outcome.err = process.readAllStandardError();
    return outcome;
}

// The frames the simulator logged, spelled out as its log spells them.
QStringList loggedFrames(const QByteArray &log)
{
    static const QRegularExpression frameLine(QStringLiteral(R"(^\d\d:\d\d:\d\d\.\d{3}  (.*)\[CR\]  ->  )"),
                                              QRegularExpression::MultilineOption);
    QStringList frames;
    for (const auto &match : frameLine.globalMatch(QString::fromLatin1(log)))
        frames.append(match.captured(1));
    return frames;
}

QJsonObject jsonObject(const QByteArray &line)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    return error.error == QJsonParseError::NoError ? document.object() : QJsonObject();
}

QList<QByteArray> fields(const QByteArray &line)
{
    return line.split('\t');
}

// Serial locks (where QSerialPort and other serial programs put them) for
// devices under `folder`.
QStringList lockFilesOf(const QString &folder)
{
    const QString mangled = QStringLiteral("LCK..") + QString(folder).replace(u'/', u'_');
    QStringList found;
    for (const char *directory : {"/var/lock", "/run/lock", "/tmp", "/var/tmp"}) {
        for (const QString &name : QDir(QLatin1StringView(directory)).entryList({"LCK..*"}, QDir::Files | QDir::System))
            if (name.startsWith(mangled))
                found.append(QLatin1StringView(directory) + u'/' + name);
    }
    return found;
}

} // namespace

class CtlTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestSettings::useTemporaryStore();
        QVERIFY(m_folder.isValid());
        QVERIFY2(QFileInfo(QStringLiteral(RM740CTL_PATH)).isExecutable(), RM740CTL_PATH);
        QVERIFY2(QFileInfo(SimulatorProcess::program()).isExecutable(), qPrintable(SimulatorProcess::program()));
    }

    void init() { TestSettings::clear(); }

    void cleanup()
    {
        if (m_simulator && QTest::currentTestFailed())
            qWarning().noquote() << "simulator log:\n" << m_simulator->log();
        m_simulator.reset();
        m_projectors.clear();
    }

    // --- named commands against rm740-sim ---------------------------------------

    void namedCommandSendsItsButtonsFrameAndPrintsItsStatus_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QByteArray>("frameText");
        QTest::addColumn<QByteArray>("renderedFrame");
        QTest::addColumn<QByteArray>("renderedReply");
        QTest::addColumn<QByteArray>("status");

        // A projector in stand-by, as the simulator starts.
        QTest::newRow("power on") << QStringList{"power", "on"} << QByteArray("C00")
                            << QByteArray(" C 0 0  [CR] ") << QByteArray("  [ACK] ")
                            << QByteArray("");
        QTest::newRow("power off") << QStringList{"power", "off"} << QByteArray("C01")
                            << QByteArray(" C 0 1  [CR] ") << QByteArray("  [ACK] ")
                            << QByteArray("");
        QTest::newRow("status") << QStringList{"status"} << QByteArray("CR0")
                            << QByteArray(" C R 0  [CR] ") << QByteArray(" 8 0  [CR] ")
                            << QByteArray(" Stand by");
        QTest::newRow("input") << QStringList{"input"} << QByteArray("CR1")
                            << QByteArray(" C R 1  [CR] ") << QByteArray(" 1  [CR] ")
                            << QByteArray(" Input 1");
        QTest::newRow("lamp-time") << QStringList{"lamp-time"} << QByteArray("CR3")
                            << QByteArray(" C R 3  [CR] ") << QByteArray(" 0 0 1 2 3  [CR] ")
                            << QByteArray("     1 2 3   Hour Use");
        QTest::newRow("temperatures") << QStringList{"temperatures"} << QByteArray("CR6")
                            << QByteArray(" C R 6  [CR] ") << QByteArray(" 0 2 5 . 0 _ 0 2 6 . 5 _ 0 2 8 . 0  [CR] ")
                            << QByteArray(" 0 2 5 . 0 deg C 0 2 6 . 5 deg C 0 2 8 . 0 deg C ");
        QTest::newRow("lamp-status") << QStringList{"lamp-status"} << QByteArray("CR LAMPSTS")
                            << QByteArray(" C R _ L A M P S T S  [CR] ") << QByteArray(" 0 0 0 _ 1 O  [CR] ")
                            << QByteArray(" Lamp is OFF");
        QTest::newRow("lamp-mode") << QStringList{"lamp-mode"} << QByteArray("CR7")
                            << QByteArray(" C R 7  [CR] ") << QByteArray(" 0 0 0 _ N O R M A L  [CR] ")
                            << QByteArray(" Lamp Mode is NORMAL");
        QTest::newRow("setting") << QStringList{"setting"} << QByteArray("CR4")
                            << QByteArray(" C R 4  [CR] ") << QByteArray(" 1 1  [CR] ")
                            << QByteArray(" Normally");
    }
    void namedCommandSendsItsButtonsFrameAndPrintsItsStatus()
    {
        QFETCH(QStringList, words);
        QFETCH(QByteArray, frameText);
        QFETCH(QByteArray, renderedFrame);
        QFETCH(QByteArray, renderedReply);
        QFETCH(QByteArray, status);
        const QString link = startSimulator({});
        if (QTest::currentTestFailed())
            return;

        const Outcome outcome = runCtl(QStringList{"--port", link} + words);
        QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.report()));
        QVERIFY2(outcome.err.isEmpty(), outcome.err);
        QCOMPARE(outcome.lines().size(), 1);
        const QList<QByteArray> printed = fields(outcome.lines().front());
        QCOMPARE(printed.size(), 4);
        QCOMPARE(printed[0], renderedFrame);
        QCOMPARE(printed[1], renderedReply);
        QCOMPARE(printed[2], status);
        QCOMPARE(printed[3], QByteArray("answered"));
        QTRY_COMPARE_WITH_TIMEOUT(loggedFrames(m_simulator->log()),
                                  QStringList{ExchangeLog::spellOut(frameText)}, FinishTimeoutMs);
    }

    void severalCommandsGoOutInOrderOnOneOpening()
    {
        const QString link = startSimulator({"--warmup", "5"});
        if (QTest::currentTestFailed())
            return;
        const Outcome outcome = runCtl({"--port", link, "power", "on", "status", "send", "CF BRIGHT 050", "lamp-status"});
        QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.report()));
        const QList<QByteArray> lines = outcome.lines();
        QCOMPARE(lines.size(), 4);
        QCOMPARE(fields(lines[1]).value(2), QByteArray(" Count down"));
        QCOMPARE(fields(lines[3]).value(2), QByteArray(" Lamp is ON"));
        QTRY_COMPARE_WITH_TIMEOUT(loggedFrames(m_simulator->log()),
                                  (QStringList{"C00", "CR0", "CF BRIGHT 050", "CR LAMPSTS"}), FinishTimeoutMs);
        // The simulator logs the line speed once for each opening.
        QCOMPARE(m_simulator->log().count("line at 19200 baud"), 1);
    }

    // --- send ---------------------------------------------------------------------

    void sendPutsOutTheTextAndOneCr_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("onTheWire");

        QTest::newRow("spaces") << QStringList{"send", "CF BRIGHT 050"} << QByteArray("CF BRIGHT 050\r");
        QTest::newRow("an entry as the list prints it")
            << QStringList{"send", "CF BRIGHT 050[CR]  \t\t:Set Brightness value"} << QByteArray("CF BRIGHT 050\r");
        QTest::newRow("empty: a lone CR") << QStringList{"send", ""} << QByteArray("\r");
        QTest::newRow("placeholders with --raw") << QStringList{"--raw", "send", "CF BRIGHT 0%%"} << QByteArray("CF BRIGHT 0%%\r");
        QTest::newRow("a text that starts with a dash") << QStringList{"send", "-C00"} << QByteArray("-C00\r");
        QTest::newRow("two in a row") << QStringList{"send", "C0B", "send", "C0C"} << QByteArray("C0B\rC0C\r");
    }
    void sendPutsOutTheTextAndOneCr()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, onTheWire);
        FakeProjector &projector = addProjector();
        projector.setResponder([](const QByteArray &) { return QByteArray(1, '\x06'); });

        const Outcome outcome = runCtl(QStringList{"--port", projector.devicePath()} + arguments);
        QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.report()));
        QCOMPARE(projector.received(), onTheWire);
        QCOMPARE(outcome.lines().size(), onTheWire.count('\r'));
    }

    void textWithAPlaceholderIsRefusedWithoutRaw()
    {
        FakeProjector &projector = addProjector();
        projector.emulateProjector();
        const Outcome outcome = runCtl({"--port", projector.devicePath(), "status", "send", "CF BRIGHT 0%%"});
        QCOMPARE(outcome.exitCode, 64);
        QVERIFY2(outcome.err.contains("\"CF BRIGHT 0%%\" still has a \"%\"") && outcome.err.contains("--raw"),
                 outcome.err);
        // Refused before anything went out, the status before it included.
        QVERIFY(outcome.out.isEmpty());
        QCOMPARE(projector.received(), QByteArray());
    }

    // --- bad arguments --------------------------------------------------------------

    void badArgumentsGive64AndAUsageLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("told");

        QTest::newRow("no command") << QStringList{"--port", "COM1"} << "no command given";
        QTest::newRow("unknown command") << QStringList{"stats"} << "unknown command \"stats\"";
        QTest::newRow("power alone") << QStringList{"power"} << "power takes on or off";
        QTest::newRow("power up") << QStringList{"power", "up"} << "power takes on or off";
        QTest::newRow("send without a text") << QStringList{"status", "send"} << "send needs the command text";
        QTest::newRow("control characters") << QStringList{"send", "C00\rC01"} << "control characters";
        QTest::newRow("not Latin-1") << QStringList{"send", QStringLiteral("C0\u20ac")} << "no bytes";
        QTest::newRow("list among commands") << QStringList{"status", "list"} << "list goes alone";
        QTest::newRow("list with two words") << QStringList{"list", "read", "lamp", "mode"} << "list takes a list";
        QTest::newRow("option after a command") << QStringList{"status", "--json"} << "options go before";
        QTest::newRow("unknown option") << QStringList{"--colour", "status"} << "unknown option \"--colour\"";
        QTest::newRow("option without its value") << QStringList{"--port"} << "--port";
        QTest::newRow("baud 4800") << QStringList{"--baud", "4800", "status"} << "--baud is 9600 or 19200";
        QTest::newRow("timeout 0") << QStringList{"--timeout", "0", "status"} << "--timeout is a number";
        QTest::newRow("timeout in seconds") << QStringList{"--timeout", "2s", "status"} << "--timeout is a number";
        QTest::newRow("timeout negative") << QStringList{"--timeout", "-5", "status"} << "--timeout is a number";
        QTest::newRow("COM16") << QStringList{"--port", "COM16", "status"} << "COM1 to COM15";
        QTest::newRow("COM0") << QStringList{"--port", "0", "status"} << "COM1 to COM15";
        QTest::newRow("COM and no number") << QStringList{"--port", "COMX", "status"} << "no COM number";
        QTest::newRow("URL without a port number") << QStringList{"--port", "socket://10.0.0.7", "status"}
                                                   << "port number is missing";
        QTest::newRow("URL of another scheme") << QStringList{"--port", "telnet://10.0.0.7:23", "status"}
                                               << "no network port";
        QTest::newRow("missing ports file") << QStringList{"--ports-file", "/nonexistent/rooms", "status"}
                                            << "cannot read the ports file /nonexistent/rooms";
    }
    void badArgumentsGive64AndAUsageLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, told);
        const Outcome outcome = runCtl(arguments);
        QCOMPARE(outcome.exitCode, 64);
        QVERIFY(outcome.out.isEmpty());
        const QStringList lines = QString::fromLocal8Bit(outcome.err).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[0].startsWith(u"rm740ctl: ") && lines[0].contains(told), qPrintable(lines[0]));
        QVERIFY2(lines[1].startsWith(u"Usage: rm740ctl "), qPrintable(lines[1]));
    }

    void helpAndVersionGoToStandardOutput()
    {
        const Outcome help = runCtl({"--help"});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.err.isEmpty());
        QVERIFY(help.out.startsWith("Usage: rm740ctl "));
        for (const char *word : {"--port", "--ports-file", "--baud", "--timeout", "--json", "--raw", "power on",
                                 "power off", "status", "input", "lamp-time", "temperatures", "lamp-status",
                                 "lamp-mode", "setting", "send TEXT", "list", "Exit status", "COMn or n",
                                 "1 to 3600000 ms", "refused", "unexpected", "no-reply", "port-lost"})
            QVERIFY2(help.out.contains(word), word);

        const Outcome version = runCtl({"--version"});
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out, QByteArray("rm740ctl " PROJECT_VERSION "\n"));
    }

    // --- waiting ----------------------------------------------------------------------

    void silentProjectorGivesExit3OnceTheTimeoutIsOver()
    {
        const QString link = startSimulator({"--silent"});
        if (QTest::currentTestFailed())
            return;
        const Outcome outcome = runCtl({"--port", link, "--timeout", "300", "--json", "status", "power", "off"});
        QCOMPARE(outcome.exitCode, 3);
        QVERIFY2(outcome.err.contains("no reply to \"CR0\" within 300 ms")
                     && outcome.err.contains("no reply to \"C01\" within 300 ms"),
                 outcome.err);
        const QList<QByteArray> lines = outcome.lines();
        QCOMPARE(lines.size(), 2);
        for (const QByteArray &line : lines) {
            const QJsonObject object = jsonObject(line);
            QCOMPARE(object.value("complete"), QJsonValue(false));
            QCOMPARE(object.value("reply"), QJsonValue(QString()));
            QCOMPARE(object.value("status"), QJsonValue(QJsonValue::Null));
            // The wait lasted the whole timeout, not less.
            QVERIFY2(object.value("elapsed_ms").toDouble() >= 300, line);
        }
        // The second command still went out after the first one's wait.
        QTRY_COMPARE_WITH_TIMEOUT(loggedFrames(m_simulator->log()), (QStringList{"CR0", "C01"}), FinishTimeoutMs);
    }

    void replyIsCutAtItsEnd_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QJsonValue>("status");

        QTest::newRow("noise after the CR") << QByteArray("00\rXYZ") << 0 << "00\r" << QJsonValue(" Power ON");
        QTest::newRow("a stray ACK before the reply") << QByteArray("\x06" "00\r") << 0 << "00\r"
                                                      << QJsonValue(" Power ON");
        QTest::newRow("no CR: incomplete") << QByteArray("00") << 3 << "00" << QJsonValue(QJsonValue::Null);
    }
    void replyIsCutAtItsEnd()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, exitCode);
        QFETCH(QString, reply);
        QFETCH(QJsonValue, status);
        FakeProjector &projector = addProjector();
        projector.setResponder([answer](const QByteArray &) { return answer; });

        const Outcome outcome = runCtl({"--port", projector.devicePath(), "--timeout", "300", "--json", "status"});
        QCOMPARE(outcome.exitCode, exitCode);
        const QJsonObject object = jsonObject(outcome.lines().value(0));
        QCOMPARE(object.value("reply").toString(), reply);
        QCOMPARE(object.value("complete").toBool(), exitCode == 0);
        QCOMPARE(object.value("status"), status);
        if (exitCode != 0)
            QVERIFY2(outcome.err.contains("no complete reply to \"CR0\" within 300 ms"), outcome.err);
    }

    // --- ports that do not open ---------------------------------------------------------

    void portThatDoesNotOpenGivesExit2AndItsReason_data()
    {
        QTest::addColumn<bool>("held");
        QTest::newRow("held by another program") << true;
        QTest::newRow("missing") << false;
    }
    void portThatDoesNotOpenGivesExit2AndItsReason()
    {
        QFETCH(bool, held);
        QString device = m_folder.filePath(QStringLiteral("missing-device"));
        QSerialPort holder;
        if (held) {
            FakeProjector &projector = addProjector();
            projector.emulateProjector();
            device = projector.devicePath();
            holder.setPortName(device);
            QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));
        }
        const Outcome outcome = runCtl({"--port", device, "status"});
        QCOMPARE(outcome.exitCode, 2);
        QVERIFY(outcome.out.isEmpty());
        QVERIFY2(outcome.err.startsWith(("rm740ctl: " + device + ": the port did not open: ").toLocal8Bit()),
                 outcome.err);
        if (held)
            QCOMPARE(m_projectors.front()->received(), QByteArray());
    }

    void projectorGoneInTheMiddleGivesExit2()
    {
        const QString link = startSimulator({"--drop-after", "1"});
        if (QTest::currentTestFailed())
            return;
        const Outcome outcome = runCtl({"--port", link, "status", "status", "status"});
        QCOMPARE(outcome.exitCode, 2);
        QVERIFY2(outcome.err.contains("the port went away"), outcome.err);
        // The first was answered; nothing went out after the loss.
        QCOMPARE(fields(outcome.lines().value(0)).value(2), QByteArray(" Stand by"));
        QVERIFY(outcome.lines().size() <= 2);
    }

    // --- what a device does, and what a script learns of it -------------------------------

    void deviceBehaviourGivesItsOutcome_data()
    {
        QTest::addColumn<QStringList>("simulator");
        QTest::addColumn<QStringList>("earlierRun");  // run before, on the same device
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("outcomes");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("told");

        QTest::newRow("a late reply answers nothing in the next run")
            << QStringList{"--delay", "300"} << QStringList{"--timeout", "100", "status"} << QStringList{"lamp-time"}
            << QStringList{"answered"} << 0 << QString();
        QTest::newRow("a late reply answers nothing in the same run")
            << QStringList{"--delay", "900"} << QStringList() << QStringList{"--timeout", "500", "status", "input"}
            << QStringList{"no-reply", "unexpected"} << 3 << "unexpected reply to \"CR1\": \"80\\r\"";
        QTest::newRow("a reply just too late is let fall quiet")
            << QStringList{"--delay", "200"} << QStringList()
            << QStringList{"--timeout", "100", "send", "CR BRIGHT", "send", "CR CONT"}
            << QStringList{"no-reply", "no-reply"} << 3 << "no reply to \"CR CONT\" within 100 ms";
        QTest::newRow("refused") << QStringList() << QStringList() << QStringList{"send", "CF BRIGHT 999"}
                                 << QStringList{"refused"} << 4
                                 << "the projector refused \"CF BRIGHT 999\" (it answered \"?\")";
        QTest::newRow("garbage") << QStringList{"--flood", "--silent", "--seed", "21"} << QStringList()
                                 << QStringList{"--timeout", "300", "status"} << QStringList{"unexpected"} << 5
                                 << "unexpected reply to \"CR0\": \"";
        QTest::newRow("lost while a reply is awaited")
            << QStringList{"--drop-after", "1", "--delay", "300"} << QStringList()
            << QStringList{"--timeout", "5000", "status", "status"} << QStringList{"answered", "port-lost"} << 2
            << "the port went away while the reply to \"CR0\" was awaited (the device was unplugged, or closed "
               "at its far end)";
    }
    void deviceBehaviourGivesItsOutcome()
    {
        QFETCH(QStringList, simulator);
        QFETCH(QStringList, earlierRun);
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, outcomes);
        QFETCH(int, exitCode);
        QFETCH(QString, told);
        const QString link = startSimulator(simulator);
        if (QTest::currentTestFailed())
            return;
        if (!earlierRun.isEmpty())
            QCOMPARE(runCtl(QStringList{"--port", link} + earlierRun).exitCode, 3);

        const Outcome outcome = runCtl(QStringList{"--port", link, "--json"} + arguments);
        QVERIFY2(outcome.exitCode == exitCode, qPrintable(outcome.report()));
        QStringList seen;
        for (const QByteArray &line : outcome.lines()) {
            const QJsonObject object = jsonObject(line);
            seen.append(object.value("outcome").toString());
            // A reply that does not fit is never put in plain English.
            QVERIFY2(seen.last() == u"answered" || object.value("status").isNull(), line);
        }
        QCOMPARE(seen, outcomes);
        QVERIFY2(outcome.err.contains(told.toLocal8Bit()), outcome.err);
    }

    // --- port names ----------------------------------------------------------------------

    void badPortNamesFailAloneAndLeaveNoLock_data()
    {
        // "{good}" is an answering projector, "{folder}" a folder of the test's,
        // "{file}" the ports file with the row's text.
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("portsFile");
        QTest::addColumn<QString>("told");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("goodServed");

        const QStringList withFile{"--ports-file", "{file}"};
        const QByteArray longName = "{folder}/" + QByteArray(300, 'a');
        QTest::newRow("a NUL in a ports file line")
            << withFile << QByteArray("{folder}/q\0a\n{good}\n", 20)
            << "{file}:1: \"{folder}/q\\0a\" cannot name a port: it holds a control character" << 2 << 1;
        QTest::newRow("a binary file as ports file")
            << QStringList{"--ports-file", "/bin/true", "--port", "{good}"} << QByteArray()
            << "/bin/true:1: a line longer than 1024 characters" << 2 << 1;
        QTest::newRow("a port listed twice") << QStringList{"--port", "{good}", "--ports-file", "{file}"}
                                             << QByteArray("{good}\n{good} # again\n") << QString() << 0 << 1;
        QTest::newRow("a broken [Ports] entry") << QStringList{"--port", "COM3", "--port", "{good}"} << QByteArray()
                                                << "COM3: the entry COM3 of the settings' [Ports] group" << 2 << 1;
        QTest::newRow("a comment with ESC and BEL")
            << withFile << QByteArray("{folder}/gone # room \x1b[2J\x07\n{good}\n")
            << "rm740ctl: {folder}/gone (room \\x1b[2J\\x07): " << 2 << 1;
        QTest::newRow("a name too long for --port")
            << QStringList{"--port", QString::fromLatin1(longName)} << QByteArray()
            << "is too long for a serial device's name: 3" << 64 << 0;
    }
    void badPortNamesFailAloneAndLeaveNoLock()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, portsFile);
        QFETCH(QString, told);
        QFETCH(int, exitCode);
        QFETCH(int, goodServed);
        FakeProjector &good = addProjector();
        good.emulateProjector();
        TestSettings::mapPort(3, QStringLiteral("rfc2217://[::1"));
        const QString file = m_folder.filePath(QStringLiteral("rooms"));
        const auto filled = [&](QString text) {
            return text.replace(QStringLiteral("{good}"), good.devicePath())
                .replace(QStringLiteral("{folder}"), m_folder.path())
                .replace(QStringLiteral("{file}"), file);
        };
        if (!portsFile.isEmpty()) {
            QFile rooms(file);
            QVERIFY(rooms.open(QIODevice::WriteOnly | QIODevice::Truncate));
            rooms.write(filled(QString::fromLatin1(portsFile)).toLatin1());
        }
        for (QString &argument : arguments)
            argument = filled(argument);

        const Outcome outcome = runCtl(arguments + QStringList{"status"});
        QVERIFY2(outcome.exitCode == exitCode, qPrintable(outcome.report()));
        QVERIFY2(outcome.err.contains(filled(told).toLocal8Bit()), qPrintable(outcome.report()));
        // Whatever a file holds, what reaches the terminal is short and printable.
        for (const QByteArray &line : outcome.err.split('\n'))
            QVERIFY2(line.size() < 2048 && !line.contains('\x1b') && !line.contains('\x07'), line.left(200));
        QCOMPARE(good.received(), QByteArray("CR0\r").repeated(goodServed));
        QCOMPARE(lockFilesOf(m_folder.path()), QStringList());
    }

    // --- the store ------------------------------------------------------------------------

    void storedPortIsReadAsTheStartUpReadsItAndLeftAlone_data()
    {
        QTest::addColumn<QString>("comPort");
        QTest::addColumn<QString>("baudRate");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("lineSpeed");

        QTest::newRow("9600") << "3" << "96" << QStringList() << 9600;
        QTest::newRow("19200") << "3" << "192" << QStringList() << 19200;
        QTest::newRow("any other code: 19200") << "3" << "garbage" << QStringList() << 19200;
        QTest::newRow("no code: 19200") << "3" << QString() << QStringList() << 19200;
        QTest::newRow("a number with a tail") << "3 (USB)" << "96" << QStringList() << 9600;
        QTest::newRow("--baud over the store") << "3" << "192" << QStringList{"--baud", "9600"} << 9600;
        QTest::newRow("--port over the store, its speed kept")
            << "7" << "96" << QStringList{"--port", "COM3"} << 9600;
        QTest::newRow("a bare number") << "7" << "192" << QStringList{"--port", "3"} << 19200;
    }
    void storedPortIsReadAsTheStartUpReadsItAndLeftAlone()
    {
        QFETCH(QString, comPort);
        QFETCH(QString, baudRate);
        QFETCH(QStringList, options);
        QFETCH(int, lineSpeed);
        FakeProjector &projector = addProjector();
        // The port gets its old settings back when it is closed: the speed
        // counts while the frame comes.
        std::optional<qint32> speedAtTheFrame;
        projector.setResponder([&](const QByteArray &) {
            speedAtTheFrame = projector.terminal().lineSpeed();
            return QByteArray("80\r");
        });
        TestSettings::mapPort(3, projector.devicePath());
        TestSettings::storeLink(comPort, baudRate);
        const QByteArray stored = TestSettings::storeFileBytes();

        const Outcome outcome = runCtl(options + QStringList{"status"});
        QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.report()));
        QCOMPARE(projector.received(), QByteArray("CR0\r"));
        QCOMPARE(speedAtTheFrame, std::optional<qint32>(lineSpeed));
        QCOMPARE(TestSettings::storeFileBytes(), stored);
    }

    void noUsablePortStoredGivesExit2_data()
    {
        QTest::addColumn<QString>("comPort");
        QTest::newRow("nothing stored") << QString();
        QTest::newRow("16") << "16";
        QTest::newRow("not a number") << "COM3";
    }
    void noUsablePortStoredGivesExit2()
    {
        QFETCH(QString, comPort);
        TestSettings::storeLink(comPort, QString());
        const QByteArray stored = TestSettings::storeFileBytes();
        const Outcome outcome = runCtl({"status"});
        QCOMPARE(outcome.exitCode, 2);
        QVERIFY2(outcome.err.contains("no port is stored") && outcome.err.contains("--port"), outcome.err);
        QCOMPARE(TestSettings::storeFileBytes(), stored);
    }

    // --- the forms of --port ------------------------------------------------------------------

    void everyFormOfPortReachesTheProjector_data()
    {
        QTest::addColumn<QString>("form");
        QTest::newRow("COMn mapped by the Ports group") << "COM";
        QTest::newRow("a device path") << "device";
        QTest::newRow("a link to the device") << "link";
        QTest::newRow("socket://") << "--tcp";
        QTest::newRow("rfc2217://") << "--rfc2217";
    }
    void everyFormOfPortReachesTheProjector()
    {
        QFETCH(QString, form);
        QString port;
        if (form.startsWith(u"--")) {
            m_simulator = std::make_unique<SimulatorProcess>();
            QVERIFY2(m_simulator->startListening({form, QString::number(freeLoopbackPort())}),
                     qPrintable(m_simulator->errorString()));
            port = m_simulator->devicePath();
        } else {
            const QString link = startSimulator({});
            if (QTest::currentTestFailed())
                return;
            port = form == u"link" ? link : form == u"device" ? m_simulator->devicePath() : QStringLiteral("com5");
            TestSettings::mapPort(5, m_simulator->devicePath());
        }
        const Outcome outcome = runCtl({"--port", port, "--baud", "9600", "status"});
        QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.report()));
        QCOMPARE(fields(outcome.lines().value(0)).value(2), QByteArray(" Stand by"));
        QTRY_COMPARE_WITH_TIMEOUT(loggedFrames(m_simulator->log()), QStringList{"CR0"}, FinishTimeoutMs);
        // RFC 2217 sets the line; raw TCP leaves it to the server.
        if (form == u"--rfc2217")
            QVERIFY(m_simulator->log().contains("line at 9600 baud"));
    }

    // --- several projectors ------------------------------------------------------------------

    void tenProjectorsAnswerEachLineWithItsPort()
    {
        QStringList arguments;
        for (int i = 0; i < 10; ++i) {
            FakeProjector &projector = addProjector();
            projector.emulateProjector();
            arguments << "--port" << projector.devicePath();
        }
        const Outcome outcome = runCtl(arguments + QStringList{"status", "lamp-time"});
        QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.report()));
        QCOMPARE(outcome.lines().size(), 20);
        for (const auto &projector : m_projectors) {
            QCOMPARE(projector->received(), QByteArray("CR0\rCR3\r"));
            QList<QByteArray> statuses;
            for (const QByteArray &line : outcome.lines()) {
                const QList<QByteArray> printed = fields(line);
                QCOMPARE(printed.size(), 5);
                if (printed[0] == projector->devicePath().toLocal8Bit())
                    statuses.append(printed[3]);
            }
            QCOMPARE(statuses, (QList<QByteArray>{" Stand by", "     1 2 3   Hour Use"}));
        }
    }

    void portsFileAddsItsPorts()
    {
        QStringList listed;
        for (int i = 0; i < 3; ++i) {
            FakeProjector &projector = addProjector();
            projector.emulateProjector();
            listed << projector.devicePath();
        }
        const QString path = m_folder.filePath(QStringLiteral("rooms"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(("# the rooms on the first floor\n  " + listed[1] + "  \n\n" + listed[2] + "\n").toLocal8Bit());
        file.close();

        const Outcome outcome = runCtl({"--port", listed[0], "--ports-file", path, "--json", "power", "off"});
        QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.report()));
        QStringList ports;
        for (const QByteArray &line : outcome.lines())
            ports.append(jsonObject(line).value("port").toString());
        ports.sort();
        listed.sort();
        QCOMPARE(ports, listed);
        for (const auto &projector : m_projectors)
            QCOMPARE(projector->received(), QByteArray("C01\r"));
    }

    void exitStatusIsTheWorstOverThePorts_data()
    {
        QTest::addColumn<bool>("silentSecond");
        QTest::addColumn<bool>("missingThird");
        QTest::addColumn<int>("exitCode");

        QTest::newRow("all answer") << false << false << 0;
        QTest::newRow("one silent") << true << false << 3;
        QTest::newRow("one missing") << false << true << 2;
        QTest::newRow("one silent, one missing") << true << true << 2;
    }
    void exitStatusIsTheWorstOverThePorts()
    {
        QFETCH(bool, silentSecond);
        QFETCH(bool, missingThird);
        QFETCH(int, exitCode);
        QStringList arguments{"--timeout", "300"};
        for (int i = 0; i < 3; ++i) {
            FakeProjector &projector = addProjector();
            if (i != 1 || !silentSecond)
                projector.emulateProjector();
            arguments << "--port" << (i == 2 && missingThird ? m_folder.filePath("gone") : projector.devicePath());
        }
        const Outcome outcome = runCtl(arguments + QStringList{"status"});
        QCOMPARE(outcome.exitCode, exitCode);
        // The first projector is answered whatever happens to the others.
        QCOMPARE(m_projectors[0]->received(), QByteArray("CR0\r"));
        QVERIFY2(outcome.out.contains(m_projectors[0]->devicePath().toLocal8Bit() + "\t C R 0  [CR] \t 8 0  [CR] \t Stand by"),
                 outcome.out);
    }

    // --- JSON ----------------------------------------------------------------------------------

    void jsonHasEveryFieldOfTheExchange()
    {
        FakeProjector &projector = addProjector();
        projector.emulateProjector();
        const Outcome outcome = runCtl({"--port", projector.devicePath(), "--json", "status", "power", "on"});
        QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.report()));
        QCOMPARE(outcome.lines().size(), 2);
        const QJsonObject status = jsonObject(outcome.lines()[0]);
        QCOMPARE(status.value("port").toString(), projector.devicePath());
        QCOMPARE(status.value("command").toString(), QStringLiteral("status"));
        QCOMPARE(status.value("sent").toString(), QStringLiteral("CR0\r"));
        QCOMPARE(status.value("reply").toString(), QStringLiteral("80\r"));
        QCOMPARE(status.value("status").toString(), QStringLiteral(" Stand by"));
        QCOMPARE(status.value("outcome").toString(), QStringLiteral("answered"));
        QVERIFY(status.value("elapsed_ms").isDouble());
        const QJsonObject powerOn = jsonObject(outcome.lines()[1]);
        QCOMPARE(powerOn.value("command").toString(), QStringLiteral("power on"));
        QCOMPARE(powerOn.value("reply").toString(), QStringLiteral("\x06"));
        QCOMPARE(powerOn.value("status"), QJsonValue(QJsonValue::Null));
    }

#ifdef RM740_PYTHON
    void jsonIsReadBackByPython()
    {
        FakeProjector &projector = addProjector();
        projector.emulateProjector();
        const Outcome outcome = runCtl({"--port", projector.devicePath(), "--json", "lamp-time", "power", "on",
                                        "send", "CF BRIGHT 050"});
        QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.report()));

        QProcess python;
        python.start(QStringLiteral(RM740_PYTHON),
                     {"-c", "import json, sys\n"
                            "for line in sys.stdin:\n"
                            "    o = json.loads(line)\n"
                            "    print(repr((o['command'], o['sent'], o['reply'], o['complete'], o['status'],\n"
                            "                isinstance(o['elapsed_ms'], float) and o['elapsed_ms'] >= 0)))\n"});
        QVERIFY(python.waitForStarted());
        python.write(outcome.out);
        python.closeWriteChannel();
        QVERIFY(python.waitForFinished(FinishTimeoutMs));
        QVERIFY2(python.exitCode() == 0, python.readAllStandardError());
        QCOMPARE(python.readAllStandardOutput(),
                 QByteArray("('lamp-time', 'CR3\\r', '00123\\r', True, '     1 2 3   Hour Use', True)\n"
                            "('power on', 'C00\\r', '\\x06', True, None, True)\n"
                            "('send CF BRIGHT 050', 'CF BRIGHT 050\\r', '\\x06', True, None, True)\n"));
    }
#endif

    // --- the catalogue ----------------------------------------------------------------------------

    void listPrintsTheCatalogue_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("entries");
        QTest::addColumn<QString>("eachHolds");

        QTest::newRow("all three lists") << QStringList{"list"} << 62 + 333 + 91 << QString();
        QTest::newRow("basic") << QStringList{"list", "basic"} << 62 << QString();
        QTest::newRow("expand") << QStringList{"list", "expand"} << 333 << "CF ";
        QTest::newRow("read") << QStringList{"list", "read"} << 91 << "CR ";
        QTest::newRow("one entry by its word") << QStringList{"list", "read", "lampsts"} << 1 << "CR LAMPSTS[CR]";
        QTest::newRow("a word in no entry of a list") << QStringList{"list", "read", "projectorsaurus"} << 0
                                                    << QString();
    }
    void listPrintsTheCatalogue()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, entries);
        QFETCH(QString, eachHolds);
        const Outcome outcome = runCtl(arguments);
        QCOMPARE(outcome.exitCode, 0);
        QCOMPARE(outcome.lines().size(), entries);
        for (const QByteArray &line : outcome.lines())
            QVERIFY2(line.contains(eachHolds.toLatin1()), line);
    }

    void listedEntryInJsonCarriesItsCommandText()
    {
        const Outcome outcome = runCtl({"--json", "list", "expand", "BRIGHT 0%%"});
        QCOMPARE(outcome.exitCode, 0);
        QCOMPARE(outcome.lines().size(), 1);
        const QJsonObject entry = jsonObject(outcome.lines()[0]);
        QCOMPARE(entry.value("list").toString(), QStringLiteral("expand"));
        QCOMPARE(entry.value("command").toString(), QStringLiteral("CF BRIGHT 0%%"));
        QVERIFY(entry.value("entry").toString().startsWith(u"CF BRIGHT 0%%[CR]"));
    }

private:
    // Starts rm740-sim behind a link of its own; the link's path.
    QString startSimulator(const QStringList &options)
    {
        m_simulator = std::make_unique<SimulatorProcess>();
        const QString link = m_folder.filePath(QStringLiteral("projector-%1").arg(++m_links));
        if (!m_simulator->start(link, options))
            QTest::qFail(qPrintable(m_simulator->errorString()), __FILE__, __LINE__);
        return link;
    }

    FakeProjector &addProjector()
    {
        auto projector = std::make_unique<FakeProjector>();
        if (!projector->open())
            QTest::qFail("no pseudo-terminal", __FILE__, __LINE__);
        return *m_projectors.emplace_back(std::move(projector));
    }

    QTemporaryDir m_folder;
    int m_links = 0;
    std::unique_ptr<SimulatorProcess> m_simulator;
    std::vector<std::unique_ptr<FakeProjector>> m_projectors;
};

QTEST_GUILESS_MAIN(CtlTest)
#include "tst_ctl.moc"
