// rm740ctl's pure parts: its arguments read into a plan, the ports it is
// given, which reply is a command's, the outcomes' words and exit statuses,
// and its output lines.

#include "ctl/cataloguelisting.h"
#include "ctl/ctlplan.h"
#include "ctl/exitstatus.h"
#include "ctl/namedcommands.h"
#include "ctl/resultformat.h"
#include "session/replymatcher.h"
#include "transports/messagetext.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryFile>
#include <QTest>

namespace {

CtlPlan planFor(const QStringList &arguments)
{
    return CtlArguments::parse(QStringList{"rm740ctl"} + arguments);
}

} // namespace

class CtlPartsTest : public QObject
{
    Q_OBJECT

private slots:
    void namedCommandSendsItsButtonsFrame_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("power on") << "power on" << QByteArray("C00\r");
        QTest::newRow("power off") << "power off" << QByteArray("C01\r");
        QTest::newRow("status") << "status" << QByteArray("CR0\r");
        QTest::newRow("input") << "input" << QByteArray("CR1\r");
        QTest::newRow("lamp-time") << "lamp-time" << QByteArray("CR3\r");
        QTest::newRow("temperatures") << "temperatures" << QByteArray("CR6\r");
        QTest::newRow("lamp-status") << "lamp-status" << QByteArray("CR LAMPSTS\r");
        QTest::newRow("lamp-mode") << "lamp-mode" << QByteArray("CR7\r");
        QTest::newRow("setting") << "setting" << QByteArray("CR4\r");
    }
    void namedCommandSendsItsButtonsFrame()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, frame);
        const NamedCommands::Named *named = NamedCommands::byName(name);
        QVERIFY(named);
        QCOMPARE(NamedCommands::frameOf(*named), frame);
        const CtlPlan plan = planFor(name.split(u' '));
        QCOMPARE(plan.action, CtlPlan::Action::Exchange);
        QCOMPARE(plan.commands, (QList<CtlPlan::Command>{{name, frame}}));
    }

    void everyNamedCommandIsOffered()
    {
        // The table above is the whole set: nothing named is left untested.
        QCOMPARE(NamedCommands::all().size(), std::size_t(9));
        QVERIFY(!NamedCommands::byName(QStringLiteral("power")));
        QVERIFY(!NamedCommands::byName(QStringLiteral("Status")));
    }

    void argumentsBecomeAPlan_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<QByteArray>>("frames");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<int>("baudCode");  // 0: the store's
        QTest::addColumn<bool>("json");

        QTest::newRow("defaults") << QStringList{"status"} << QStringList{"status"}
                                  << QList<QByteArray>{"CR0\r"} << 1000 << 0 << false;
        QTest::newRow("every option") << QStringList{"--baud", "9600", "--timeout", "250", "--json", "power", "off"}
                                      << QStringList{"power off"} << QList<QByteArray>{"C01\r"} << 250 << 96 << true;
        QTest::newRow("19200") << QStringList{"--baud", "19200", "input"} << QStringList{"input"}
                               << QList<QByteArray>{"CR1\r"} << 1000 << 192 << false;
        QTest::newRow("several, in order") << QStringList{"power", "on", "send", "CF MIC ON", "lamp-mode"}
                                           << QStringList{"power on", "send CF MIC ON", "lamp-mode"}
                                           << QList<QByteArray>{"C00\r", "CF MIC ON\r", "CR7\r"} << 1000 << 0 << false;
        QTest::newRow("send cut at its [") << QStringList{"send", "C0B[CR]  mute"} << QStringList{"send C0B[CR]  mute"}
                                           << QList<QByteArray>{"C0B\r"} << 1000 << 0 << false;
        QTest::newRow("a text like an option") << QStringList{"send", "--json"} << QStringList{"send --json"}
                                               << QList<QByteArray>{"--json\r"} << 1000 << 0 << false;
        QTest::newRow("send -- TEXT") << QStringList{"send", "--", "-x"} << QStringList{"send -x"}
                                      << QList<QByteArray>{"-x\r"} << 1000 << 0 << false;
        QTest::newRow("a % after the [ counts not") << QStringList{"send", "CF GAMMA 1[CR] :% = 0-9"}
                                                     << QStringList{"send CF GAMMA 1[CR] :% = 0-9"}
                                                     << QList<QByteArray>{"CF GAMMA 1\r"} << 1000 << 0 << false;
        QTest::newRow("--raw lets control characters through")
            << QStringList{"--raw", "send", "C00\rC01"} << QStringList{"send C00\rC01"}
            << QList<QByteArray>{"C00\rC01\r"} << 1000 << 0 << false;
        QTest::newRow("Latin-1 with --raw") << QStringList{"--raw", "send", QStringLiteral("\u00e9")}
                                            << QStringList{QStringLiteral("send \u00e9")}
                                            << QList<QByteArray>{"\xe9\r"} << 1000 << 0 << false;
        QTest::newRow("longest timeout") << QStringList{"--timeout", "3600000", "status"} << QStringList{"status"}
                                         << QList<QByteArray>{"CR0\r"} << 3600000 << 0 << false;
    }
    void argumentsBecomeAPlan()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, names);
        QFETCH(QList<QByteArray>, frames);
        QFETCH(int, timeoutMs);
        QFETCH(int, baudCode);
        QFETCH(bool, json);
        const CtlPlan plan = planFor(arguments);
        QCOMPARE(plan.error, QString());
        QCOMPARE(plan.action, CtlPlan::Action::Exchange);
        QStringList seenNames;
        QList<QByteArray> seenFrames;
        for (const CtlPlan::Command &c : plan.commands) {
            seenNames.append(c.name);
            seenFrames.append(c.frame);
        }
        QCOMPARE(seenNames, names);
        QCOMPARE(seenFrames, frames);
        QCOMPARE(plan.timeoutMs, timeoutMs);
        QCOMPARE(plan.baudCode.value_or(0), baudCode);
        QCOMPARE(plan.format == CtlPlan::Format::Json, json);
        QVERIFY(plan.ports.isEmpty());
    }

    void refusalsSayWhy_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error");
        QTest::newRow("nothing") << QStringList() << "no command given";
        QTest::newRow("placeholder") << QStringList{"send", "CF BRIGHT 0%%"}
                                     << "\"CF BRIGHT 0%%\" still has a \"%\": replace each \"%\" by a digit (0-9), "
                                        "or give --raw to send it as it is";
        QTest::newRow("beyond Latin-1 even with --raw") << QStringList{"--raw", "send", QStringLiteral("C\u0100")}
                                                        << QStringLiteral("\"C\u0100\" has characters that are no bytes (Latin-1)");
        QTest::newRow("a tab, shown escaped") << QStringList{"send", "C00\t"}
                                              << "\"C00\\t\" has control characters; give --raw to send them";
        QTest::newRow("unknown option") << QStringList{"--bogus", "status"} << "unknown option \"--bogus\"";
        QTest::newRow("no value after an option") << QStringList{"--port"} << "--port needs a value: --port PORT";
        QTest::newRow("a value for a switch") << QStringList{"--json=yes", "status"} << "--json takes no value";
        QTest::newRow("a port name with a control character")
            << QStringList{"--port", "/dev/tty\x01S0", "status"}
            << "\"/dev/tty\\x01S0\" cannot name a port: it holds a control character";
        QTest::newRow("an unknown format") << QStringList{"--format", "xml", "status"}
                                           << "--format is text, json or prometheus (and json with --json), not \"xml\"";
        QTest::newRow("a format against --json") << QStringList{"--json", "--format", "text", "status"}
                                                 << "--format is text, json or prometheus (and json with --json), not \"text\"";
        QTest::newRow("timeout too long") << QStringList{"--timeout", "3600001", "status"}
                                          << "--timeout is a number of milliseconds from 1 to 3600000, not \"3600001\"";
        QTest::newRow("timeout with a sign") << QStringList{"--timeout", "+100", "status"}
                                             << "--timeout is a number of milliseconds from 1 to 3600000, not \"+100\"";
        QTest::newRow("baud as a code") << QStringList{"--baud", "192", "status"} << "--baud is 9600 or 19200, not \"192\"";
        QTest::newRow("empty port") << QStringList{"--port", "", "status"}
                                    << "--port needs a port: COMn, a device or a network URL";
        QTest::newRow("a list that is none") << QStringList{"list", "bogus"}
                                             << "no list is called \"bogus\" and no entry holds it: the lists are "
                                                "basic, expand and read (list [LIST] [WORD])";
    }
    void refusalsSayWhy()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        const CtlPlan plan = planFor(arguments);
        QCOMPARE(plan.action, CtlPlan::Action::Refuse);
        QCOMPARE(plan.error, error);
        QVERIFY(plan.commands.isEmpty());
    }

    void helpAndVersionWinOverTheRest_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<CtlPlan::Action>("action");
        QTest::newRow("--help") << QStringList{"--help"} << CtlPlan::Action::Help;
        QTest::newRow("-h with a bad command") << QStringList{"-h", "stats"} << CtlPlan::Action::Help;
        QTest::newRow("--version") << QStringList{"--version", "status"} << CtlPlan::Action::Version;
        QTest::newRow("list") << QStringList{"list"} << CtlPlan::Action::List;
    }
    void helpAndVersionWinOverTheRest()
    {
        QFETCH(QStringList, arguments);
        QFETCH(CtlPlan::Action, action);
        QCOMPARE(planFor(arguments).action, action);
    }

    void listReadsItsListAndWord_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<CatalogueListing::Query>("query");
        QTest::newRow("all") << QStringList{"list"} << CatalogueListing::Query{};
        QTest::newRow("a list") << QStringList{"list", "expand"} << CatalogueListing::Query{Catalogue::List::Expand, {}};
        QTest::newRow("a word") << QStringList{"list", "lamp"} << CatalogueListing::Query{std::nullopt, "lamp"};
        QTest::newRow("both") << QStringList{"list", "read", "lamp"}
                              << CatalogueListing::Query{Catalogue::List::Read, "lamp"};
        // A list's name in another case is a word.
        QTest::newRow("Read is a word") << QStringList{"list", "Read"} << CatalogueListing::Query{std::nullopt, "Read"};
    }
    void listReadsItsListAndWord()
    {
        QFETCH(QStringList, arguments);
        QFETCH(CatalogueListing::Query, query);
        const CtlPlan plan = planFor(arguments);
        QCOMPARE(plan.action, CtlPlan::Action::List);
        QVERIFY(plan.query == query);
    }

    void catalogueRowsAreFilteredByListAndWord_data()
    {
        QTest::addColumn<CatalogueListing::Query>("query");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("first");
        QTest::newRow("all") << CatalogueListing::Query{} << 486 << "C00[CR]     POWER ON";
        QTest::newRow("read") << CatalogueListing::Query{Catalogue::List::Read, {}} << 91
                              << "CR BRIGHT[CR] \t:Get Brightness value";
        QTest::newRow("any case") << CatalogueListing::Query{Catalogue::List::Expand, "bright 0%"} << 1
                                  << "CF BRIGHT 0%%[CR]  \t\t:% = 0-9";
        QTest::newRow("none") << CatalogueListing::Query{std::nullopt, "xyzzy"} << 0 << QString();
    }
    void catalogueRowsAreFilteredByListAndWord()
    {
        QFETCH(CatalogueListing::Query, query);
        QFETCH(int, count);
        QFETCH(QString, first);
        const QList<CatalogueListing::Row> rows = CatalogueListing::rows(query);
        QCOMPARE(rows.size(), count);
        if (count > 0)
            QCOMPARE(rows.front().entry, first);
    }

    void portArgumentNamesItsPort_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<int>("comNumber");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("error");

        QTest::newRow("COM3") << "COM3" << 3 << QString() << QString();
        QTest::newRow("com15") << "com15" << 15 << QString() << QString();
        QTest::newRow("a bare 1") << "1" << 1 << QString() << QString();
        QTest::newRow("a device") << "/dev/ttyUSB0" << 0 << "/dev/ttyUSB0" << QString();
        QTest::newRow("a relative device") << "ttyUSB0" << 0 << "ttyUSB0" << QString();
        QTest::newRow("raw TCP") << "socket://10.0.0.7:4001" << 0 << "socket://10.0.0.7:4001" << QString();
        QTest::newRow("RFC 2217 on IPv6") << "rfc2217://[2001:db8::7]:2217" << 0 << "rfc2217://[2001:db8::7]:2217"
                                          << QString();
        QTest::newRow("COM16") << "COM16" << 0 << QString() << "COM16 is not a port the panel uses (COM1 to COM15)";
        QTest::newRow("COM99999") << "COM99999" << 0 << QString()
                                  << "COM99999 is not a port the panel uses (COM1 to COM15)";
        QTest::newRow("COMA") << "COMA" << 0 << QString() << "COMA is no COM number (COM1 to COM15)";
        QTest::newRow("port 0") << "socket://10.0.0.7:0" << 0 << QString()
                                << "socket://10.0.0.7:0 is no network port: the port must be a number from 1 to 65535";
        QTest::newRow("a trailing newline") << "COM3\n" << 0 << QString()
                                            << "\"COM3\\n\" cannot name a port: it holds a control character";
    }
    void portArgumentNamesItsPort()
    {
        QFETCH(QString, argument);
        QFETCH(int, comNumber);
        QFETCH(QString, entry);
        QFETCH(QString, error);
        QString told;
        const std::optional<PortChoice> choice = PortChoice::fromArgument(argument, &told);
        QCOMPARE(told, error);
        QCOMPARE(choice.has_value(), error.isEmpty());
        if (choice)
            QCOMPARE(*choice, (PortChoice{argument, comNumber, entry}));
    }

    void portsFileListsOnePortALine()
    {
        QCOMPARE(portsFileLines(u"# rooms\nCOM1\n\n  /dev/ttyUSB0  \r\n\t# off for repair\nsocket://a:1  # room 101"),
                 (QList<PortsFileLine>{{2, "COM1", {}}, {4, "/dev/ttyUSB0", {}}, {6, "socket://a:1", "room 101"}}));
        QTemporaryFile file;
        QVERIFY(file.open());
        file.write("COM2\n# COM3\n/dev/ttyS4\nrfc2217://[::1\n101 socket://10.0.1.101:4001\n");
        file.flush();
        const CtlPlan plan = planFor({"--port", "COM1", "--ports-file", file.fileName(), "status"});
        QCOMPARE(plan.action, CtlPlan::Action::Exchange);
        // Each refused line says where it is and what a line may hold.
        const QString forms = QStringLiteral("; a line of a ports file is %1").arg(PortsFileLineForms);
        QCOMPARE(plan.ports,
                 (QList<PortChoice>{{"COM1", 1, {}}, {"COM2", 2, {}}, {"/dev/ttyS4", 0, "/dev/ttyS4"},
                                    PortChoice::refused(file.fileName() + ":4",
                                                        "rfc2217://[::1 is no network port: the [ of an IPv6 "
                                                        "address is not closed" + forms),
                                    PortChoice::refused(file.fileName() + ":5",
                                                        "\"101 socket://10.0.1.101:4001\" is not one port's name "
                                                        "(it has a blank in it)" + forms)}));

        QTemporaryFile empty;
        QVERIFY(empty.open());
        empty.write("# nothing yet\n");
        empty.flush();
        const CtlPlan refused = planFor({"--ports-file", empty.fileName(), "status"});
        QCOMPARE(refused.action, CtlPlan::Action::Refuse);
        QCOMPARE(refused.error, QStringLiteral("the ports file %1 lists no port").arg(empty.fileName()));
    }

    void portsFileIsBounded_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("problem");   // of the second port, or the whole file's; %1 the file
        const QByteArray line = "COM1 #" + QByteArray(LongestPortsFileLine - 6, 'n') + '\n';
        QTest::newRow("lines at the bound") << line + line << QString();
        QTest::newRow("a line past it, alone") << line + "COM2 " + line
                                               << "%1:2: a line longer than 1024 characters; a line of a ports file is";
        QTest::newRow("a file past it") << line.repeated(1024)
                                        << "%1:1024: the file goes on past 1 MiB, more than a ports file holds";
    }
    void portsFileIsBounded()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, problem);
        QTemporaryFile file;
        QVERIFY(file.open() && file.write(text) == text.size() && file.flush());
        const CtlPlan plan = planFor({"--ports-file", file.fileName(), "status"});
        const bool second = plan.ports.size() == 2 && !plan.ports[1].problem.isEmpty();
        const QString told = second ? plan.ports[1].label + ": " + plan.ports[1].problem : plan.error;
        QVERIFY2(problem.isEmpty() ? told.isEmpty() : told.startsWith(problem.arg(file.fileName())), qPrintable(told));
    }

    void messagesArePrintable_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("ESC, BEL, CR") << "room \x1b[2J\x07\r" << "room \\x1b[2J\\x07\\r";
        QTest::newRow("C1, not Latin-1") << QStringLiteral("\u009b\u00e9") << QStringLiteral("\\x9b\u00e9");
        QTest::newRow("10 MB") << QString(10'000'000, u'a')
                               << QString(MessageText::LongestLine, u'a') + "... (cut, 10000000 characters in all)";
    }
    void messagesArePrintable()
    {
        QFETCH(QString, message);
        QTEST(MessageText::printable(message), "shown");
    }

    void worstExitStatusWins_data()
    {
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<int>("worst");
        QTest::newRow("all well") << 0 << 0 << 0;
        QTest::newRow("no reply over success") << 0 << 3 << 3;
        QTest::newRow("a port over no reply") << 3 << 2 << 2;
        QTest::newRow("a port over no reply, other order") << 2 << 3 << 2;
        QTest::newRow("bad arguments over all") << 2 << 64 << 64;
        QTest::newRow("unexpected over refused") << 4 << 5 << 5;
        QTest::newRow("no reply over unexpected") << 5 << 3 << 3;
    }
    void worstExitStatusWins()
    {
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(int, worst);
        QCOMPARE(int(ExitStatus::worse(ExitStatus::Code(a), ExitStatus::Code(b))), worst);
    }

    // Replies of another form than the command takes (tst_protocol) are
    // passed over; "?" refuses; garbage decides at once.
    void replyIsMatchedToItsCommandByItsForm_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArrayList>("pieces");  // as they arrive
        QTest::addColumn<CommandOutcome>("outcome");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("beforeTheTimeout");

        using O = CommandOutcome;
        QTest::newRow("status") << QByteArray("CR0\r") << QByteArrayList{"8", "0\r"} << O::Answered
                                << QByteArray("80\r") << true;
        QTest::newRow("a late status passed over for the lamp time")
            << QByteArray("CR3\r") << QByteArrayList{"80\r", "00123\r"} << O::Answered << QByteArray("00123\r") << true;
        QTest::newRow("a status outside the table") << QByteArray("CR0\r") << QByteArrayList{"99\r"}
                                                    << O::Unexpected << QByteArray("99\r") << false;
        QTest::newRow("a late text before the ACK") << QByteArray("C01\r") << QByteArrayList{"80\r\x06"}
                                                    << O::Answered << QByteArray("\x06") << true;
        QTest::newRow("a late ACK before the status") << QByteArray("CR0\r") << QByteArrayList{"\x06", "00\r"}
                                                      << O::Answered << QByteArray("00\r") << true;
        QTest::newRow("garbage without a CR") << QByteArray("C00\r") << QByteArrayList{"\x01\x02"}
                                              << O::Unexpected << QByteArray("\x01\x02") << false;
        QTest::newRow("text without its CR") << QByteArray("CR0\r") << QByteArrayList{"00"} << O::NoReply
                                             << QByteArray("00") << false;
        QTest::newRow("nothing") << QByteArray("CR0\r") << QByteArrayList{} << O::NoReply << QByteArray() << false;
    }
    void replyIsMatchedToItsCommandByItsForm()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QByteArrayList, pieces);
        QFETCH(CommandOutcome, outcome);
        QFETCH(QByteArray, reply);
        QFETCH(bool, beforeTheTimeout);
        ReplyMatcher matcher(frame);
        std::optional<ReplyMatcher::Verdict> verdict;
        for (const QByteArray &piece : std::as_const(pieces)) {
            verdict = matcher.take(piece);
            if (verdict)
                break;
        }
        QCOMPARE(verdict.has_value(), beforeTheTimeout);
        const ReplyMatcher::Verdict decided = verdict.value_or(matcher.timedOut());
        QCOMPARE(decided.outcome, outcome);
        QCOMPARE(decided.reply, reply);
    }

    void exchangePrintsAsALine_data()
    {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("withPort");
        QTest::addColumn<QString>("line");
        QTest::newRow("status") << QByteArray("CR0\r") << QByteArray("00\r") << false
                                << " C R 0  [CR] \t 0 0  [CR] \t Power ON\tanswered";
        QTest::newRow("with the port") << QByteArray("CR LAMPSTS\r") << QByteArray("000 1X\r") << true
                                       << "COM2\t C R _ L A M P S T S  [CR] \t 0 0 0 _ 1 X  [CR] \t Lamp is failure\tanswered";
        QTest::newRow("lamp time from an empty status") << QByteArray("CR3\r") << QByteArray("12345\r") << false
                                                        << " C R 3  [CR] \t 1 2 3 4 5  [CR] \t 1 2 3 4 5   Hour Use\tanswered";
        QTest::newRow("an ACK, no decoder") << QByteArray("C00\r") << QByteArray("\x06") << false
                                            << " C 0 0  [CR] \t  [ACK] \t\tanswered";
        QTest::newRow("nothing came") << QByteArray("CR0\r") << QByteArray() << true << "COM2\t C R 0  [CR] \t\t\tno-reply";
        QTest::newRow("unexpected: no plain English") << QByteArray("CR1\r") << QByteArray("9\r") << false
                                                      << " C R 1  [CR] \t 9  [CR] \t\tunexpected";
    }
    void exchangePrintsAsALine()
    {
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, reply);
        QFETCH(bool, withPort);
        QFETCH(QString, line);
        const CommandOutcome outcome = reply.isEmpty() ? CommandOutcome::NoReply
            : reply == "9\r"                         ? CommandOutcome::Unexpected
                                                     : CommandOutcome::Answered;
        const ExchangeResult result{"COM2", "x", sent, reply, !reply.isEmpty(), 1.0, outcome};
        QCOMPARE(ResultFormat::line(result, withPort), line);
    }

    void exchangePrintsAsJson()
    {
        const ExchangeResult result{"socket://h:1", "send CF MIC ON", "CF MIC ON\r", QByteArray("\x06\xff", 2),
                                    false, 12.34567, CommandOutcome::Unexpected};
        const QByteArray json = ResultFormat::json(result);
        QVERIFY2(!json.contains('\n') && !json.contains('\x06'), json);
        const QJsonObject object = QJsonDocument::fromJson(json).object();
        QCOMPARE(object.value("port").toString(), QStringLiteral("socket://h:1"));
        QCOMPARE(object.value("command").toString(), QStringLiteral("send CF MIC ON"));
        QCOMPARE(object.value("sent").toString(), QStringLiteral("CF MIC ON\r"));
        QCOMPARE(object.value("reply").toString(), QStringLiteral("\u0006\u00ff"));
        QCOMPARE(object.value("complete"), QJsonValue(false));
        QCOMPARE(object.value("status"), QJsonValue(QJsonValue::Null));
        QCOMPARE(object.value("elapsed_ms").toDouble(), 12.346);
        QCOMPARE(object.value("outcome").toString(), QStringLiteral("unexpected"));
        QCOMPARE(object.size(), 8);
    }
};

QTEST_GUILESS_MAIN(CtlPartsTest)
#include "tst_ctlparts.moc"
