// rm740-bridge's parts without a process or a socket.

#include "bridge/daemon/bridgearguments.h"
#include "bridge/daemon/bridgeconfig.h"
#include "bridge/projector/inputtable.h"
#include "bridge/daemon/passwordfile.h"
#include "bridge/pjlink/pjlinkauth.h"
#include "bridge/pjlink/pjlinkcodec.h"
#include "bridge/pjlink/pjlinktable.h"
#include "bridge/pjlink/repeatedlines.h"
#include "bridge/web/webstate.h"
#include "bridge/projector/wrongpasswords.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using ProjectorReadings::Reading;

namespace {

// The replies the projector last gave: status, input, lamp hours, lamp
// status, temperatures; an empty one was not answered.
struct Replies {
    QByteArray status = "00\r";
    QByteArray input = "1\r";
    QByteArray lampHours = "00123\r";
    QByteArray lampStatus = "000 1I\r";
    QByteArray temperatures = "025.0 031.5 040.0\r";
    QByteArray rememberedInput{};
    std::optional<bool> videoMuted = false;
    std::optional<bool> audioMuted = false;
};

ProjectorState stateOf(const Replies &r)
{
    ProjectorState state;
    const auto put = [&state](Reading reading, const QByteArray &reply) {
        state.record(reading, ProjectorState::Time(0), reply.isEmpty() ? std::nullopt : std::optional(reply));
    };
    put(Reading::Status, r.status);
    put(Reading::Input, r.input);
    put(Reading::LampHours, r.lampHours);
    put(Reading::LampStatus, r.lampStatus);
    put(Reading::Temperatures, r.temperatures);
    state.remembered() = {r.rememberedInput, r.videoMuted, r.audioMuted};
    return state;
}

// A plan in one line: the answer, or "send" and the frames' texts.
QByteArray outcomeOf(const QByteArray &line, const Replies &replies)
{
    const auto request = Pjlink::parseRequest(line);
    if (!request)
        return "not PJLink";
    const InputTable inputs = InputTable::defaults();
    const PjlinkTable::Plan plan = PjlinkTable::plan(*request, inputs);
    if (plan.kind == PjlinkTable::Plan::Kind::Set) {
        QByteArrayList frames;
        for (const ProjectorAction &action : plan.actions)
            frames.append(action.frame.chopped(1));
        return "send " + frames.join(' ');
    }
    const ProjectorState state = stateOf(replies);
    const PjlinkTable::Identity identity{"Room 101", "rm740-bridge", 70};
    return PjlinkTable::answer(plan, PjlinkTable::Context{state, inputs, identity});
}

// "fine" and where the web page listens, or the error.
QString configError(const QString &text)
{
    QString error;
    const auto sections = BridgeConfig::readSections(text, QStringLiteral("bridge.conf"), &error);
    const auto configuration = sections ? BridgeConfig::configuration(*sections, &error) : std::nullopt;
    if (!configuration)
        return error;
    const auto &web = configuration->web;
    return web ? QStringLiteral("fine, the page on %1 by %2").arg(web->endpoint(), web->where) : QStringLiteral("fine");
}

} // namespace

Q_DECLARE_METATYPE(Replies)

class BridgePartsTest : public QObject
{
    Q_OBJECT

private slots:
    void lineReaderCutsAndGivesUp_data()
    {
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<QByteArrayList>("lines");
        QTest::addColumn<int>("verdict");
        using V = Pjlink::LineReader::Verdict;
        const QByteArray longest(Pjlink::LineReader::LongestLine, 'a');
        QTest::newRow("one") << QByteArrayList{"%1POWR ?\r"} << QByteArrayList{"%1POWR ?"} << int(V::Fine);
        QTest::newRow("split") << QByteArrayList{"%1PO", "WR ?\r%1IN", "PT ?\r"}
                               << QByteArrayList{"%1POWR ?", "%1INPT ?"} << int(V::Fine);
        QTest::newRow("half a line") << QByteArrayList{"%1POWR"} << QByteArrayList{} << int(V::Fine);
        QTest::newRow("longest") << QByteArrayList{longest + '\r'} << QByteArrayList{longest} << int(V::Fine);
        QTest::newRow("one too long") << QByteArrayList{longest + 'a'} << QByteArrayList{} << int(V::TooLong);
        QTest::newRow("NUL") << QByteArrayList{QByteArray("%1PO\0WR ?\r", 10)} << QByteArrayList{} << int(V::NotText);
        QTest::newRow("LF") << QByteArrayList{"%1POWR ?\n"} << QByteArrayList{} << int(V::NotText);
        QTest::newRow("CR LF") << QByteArrayList{"%1POWR ?\r\n%1INPT ?\r\n"} << QByteArrayList{"%1POWR ?", "%1INPT ?"}
                               << int(V::Fine);
        QTest::newRow("CR, then LF") << QByteArrayList{"%1POWR ?\r", "\n%1INPT ?\r"}
                                     << QByteArrayList{"%1POWR ?", "%1INPT ?"} << int(V::Fine);
        QTest::newRow("LF after CR LF") << QByteArrayList{"%1POWR ?\r\n\n"} << QByteArrayList{"%1POWR ?"}
                                        << int(V::NotText);
        QTest::newRow("high bit") << QByteArrayList{"%1POWR \xff\r"} << QByteArrayList{} << int(V::NotText);
        QTest::newRow("lines before garbage are kept")
            << QByteArrayList{"%1POWR ?\r\x01"} << QByteArrayList{"%1POWR ?"} << int(V::NotText);
    }
    void lineReaderCutsAndGivesUp()
    {
        QFETCH(QByteArrayList, pieces);
        Pjlink::LineReader reader;
        for (const QByteArray &piece : pieces)
            reader.feed(piece);
        QTEST(reader.takeLines(), "lines");
        QTEST(int(reader.verdict()), "verdict");
    }

    void repeatedAnswersAreCountedNotLogged()
    {
        RepeatedLines repeats;
        QStringList logged;
        // A request's "%1" is no placeholder.
        for (const QString &answer : QStringList(2 * RepeatedLines::SummaryEvery + 1, "%1A") + QStringList{"b", "b"})
            logged += repeats.take(answer, QStringLiteral(" (1 ms)"));
        QCOMPARE(logged + repeats.finish(), (QStringList{"%1A (1 ms)", "%1A (10000 more like it)",
                                                         "%1A (10000 more like it)", "b (1 ms)", "b (1 more like it)"}));
    }

    void digestIsMd5OfChallengeAndPassword()
    {
        // PJLink's own example.
        QCOMPARE(PjlinkAuth::digest("498e4a67", "JBMIAProjectorLink"),
                 QByteArray("5d8409bc1c3fa39749434aa3a5c38682"));
        QVERIFY(PjlinkAuth::accepts("5D8409BC1C3FA39749434AA3A5C38682", "498e4a67", "JBMIAProjectorLink"));
        QVERIFY(!PjlinkAuth::accepts("5d8409bc1c3fa39749434aa3a5c38683", "498e4a67", "JBMIAProjectorLink"));
        QVERIFY(!PjlinkAuth::accepts("5d8409bc1c3fa39749434aa3a5c3868", "498e4a67", "JBMIAProjectorLink"));
        const auto split = Pjlink::splitDigest("5D8409BC1C3FA39749434AA3A5C38682%1POWR ?");
        QCOMPARE(split.digest, QByteArray("5d8409bc1c3fa39749434aa3a5c38682"));
        QCOMPARE(split.rest, QByteArrayView("%1POWR ?"));
        QVERIFY(Pjlink::splitDigest("%1POWR ?").digest.isEmpty());
    }

    void passwordFileIsCheckedWhole_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("result");  // the password, or a word of the error
        QTest::newRow("one line") << QByteArray("JBMIAProjectorLink\n") << 0600 << "JBMIAProjectorLink";
        QTest::newRow("no line end") << QByteArray("secret") << 0400 << "secret";
        QTest::newRow("CRLF") << QByteArray("secret\r\nmore") << 0600 << "secret";
        QTest::newRow("empty") << QByteArray("\n") << 0600 << "empty";
        QTest::newRow("33 characters") << QByteArray(33, 'x') << 0600 << "at most 32";
        QTest::newRow("control character") << QByteArray("se\tcret") << 0600 << "printable ASCII";
        QTest::newRow("group may read") << QByteArray("secret") << 0640 << "chmod 600";
        QTest::newRow("everyone may read") << QByteArray("secret") << 0644 << "everyone";
    }
    void passwordFileIsCheckedWhole()
    {
        QFETCH(QByteArray, contents);
        QFETCH(int, mode);
        QFETCH(QString, result);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("password"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
        file.close();
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
        QString error;
        const auto password = PasswordFile::read(path, &error);
        if (password)
            QCOMPARE(QString::fromLatin1(*password), result);
        else
            QVERIFY2(error.contains(result), qPrintable(error));
    }

    void requestIsPlannedAndAnswered_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<Replies>("replies");
        QTest::addColumn<QByteArray>("outcome");
        const Replies on;
        // Power from the status digits; faults answer the phase they imply.
        for (const auto &[digits, answer] : std::initializer_list<std::pair<const char *, const char *>>{
                 {"00", "1"}, {"80", "0"}, {"40", "3"}, {"20", "2"}, {"10", "ERR4"}, {"08", "1"}, {"18", "ERR4"},
                 {"28", "2"}, {"48", "3"}, {"88", "0"}, {"21", "2"}, {"81", "0"}, {"", "ERR4"}, {"?", "ERR4"}})
            QTest::addRow("POWR ? at %s", digits) << QByteArray("%1POWR ?") << Replies{.status = QByteArray(digits) + "\r"}
                                                  << QByteArray(answer);
        QTest::newRow("POWR 1") << QByteArray("%1POWR 1") << on << QByteArray("send C00");
        QTest::newRow("POWR 0") << QByteArray("%1POWR 0") << on << QByteArray("send C01");
        QTest::newRow("POWR 2") << QByteArray("%1POWR 2") << on << QByteArray("ERR2");
        QTest::newRow("POWR without parameter") << QByteArray("%1POWR") << on << QByteArray("ERR2");
        QTest::newRow("POWR empty parameter") << QByteArray("%1POWR ") << on << QByteArray("ERR2");

        // Inputs: the default table; the read tells the connector, the bridge the source.
        for (const auto &[code, frame] : std::initializer_list<std::pair<const char *, const char *>>{
                 {"11", "C50"}, {"12", "C06"}, {"21", "C07"}, {"22", "C34"}, {"23", "C54"}, {"24", "C51"},
                 {"31", "C5B"}, {"32", "C5C"}})
            QTest::addRow("INPT %s", code) << QByteArray("%1INPT ") + code << on << QByteArray("send ") + frame;
        QTest::newRow("INPT 19") << QByteArray("%1INPT 19") << on << QByteArray("ERR2");
        QTest::newRow("INPT 6") << QByteArray("%1INPT 6") << on << QByteArray("ERR2");
        QTest::newRow("INPT ? connector 2") << QByteArray("%1INPT ?") << Replies{.input = "2\r"} << QByteArray("12");
        QTest::newRow("INPT ? remembered HDCP")
            << QByteArray("%1INPT ?") << Replies{.input = "2\r", .rememberedInput = "32"} << QByteArray("32");
        QTest::newRow("INPT ? read beats memory")
            << QByteArray("%1INPT ?") << Replies{.rememberedInput = "32"} << QByteArray("11");
        QTest::newRow("INPT ? no code") << QByteArray("%1INPT ?") << Replies{.input = "5\r"} << QByteArray("ERR4");
        QTest::newRow("INPT ? unanswered") << QByteArray("%1INPT ?") << Replies{.input = ""} << QByteArray("ERR4");

        // Mutes: set with the panel's frames, answered from memory.
        for (const auto &[parameter, frames] : std::initializer_list<std::pair<const char *, const char *>>{
                 {"10", "C0E"}, {"11", "C0D"}, {"20", "C0C"}, {"21", "C0B"}, {"30", "C0E C0C"}, {"31", "C0D C0B"}})
            QTest::addRow("AVMT %s", parameter) << QByteArray("%1AVMT ") + parameter << on
                                                << QByteArray("send ") + frames;
        QTest::newRow("AVMT 12") << QByteArray("%1AVMT 12") << on << QByteArray("ERR2");
        QTest::newRow("AVMT ? none") << QByteArray("%1AVMT ?") << on << QByteArray("30");
        QTest::newRow("AVMT ? video") << QByteArray("%1AVMT ?") << Replies{.videoMuted = true} << QByteArray("11");
        QTest::newRow("AVMT ? both")
            << QByteArray("%1AVMT ?") << Replies{.videoMuted = true, .audioMuted = true} << QByteArray("31");
        QTest::newRow("AVMT ? audio") << QByteArray("%1AVMT ?") << Replies{.audioMuted = true} << QByteArray("21");
        QTest::newRow("AVMT ? never set") << QByteArray("%1AVMT ?") << Replies{.videoMuted = {}, .audioMuted = {}}
                                          << QByteArray("ERR4");
        QTest::newRow("AVMT ? video on, audio unknown")
            << QByteArray("%1AVMT ?") << Replies{.videoMuted = true, .audioMuted = {}} << QByteArray("11");
        QTest::newRow("AVMT ? video off, audio unknown")
            << QByteArray("%1AVMT ?") << Replies{.videoMuted = false, .audioMuted = {}} << QByteArray("ERR4");

        // Errors: lamp, temperature, other; fan, cover and filter are never reported.
        QTest::newRow("ERST ? fine") << QByteArray("%1ERST ?") << on << QByteArray("000000");
        QTest::newRow("ERST ? temperature fault") << QByteArray("%1ERST ?") << Replies{.status = "08\r"} << QByteArray("002000");
        QTest::newRow("ERST ? temperature warning")
            << QByteArray("%1ERST ?") << Replies{.temperatures = "025.0 071.5 040.0\r"} << QByteArray("001000");
        QTest::newRow("ERST ? lamp failure") << QByteArray("%1ERST ?") << Replies{.status = "81\r"} << QByteArray("020000");
        QTest::newRow("ERST ? lamp read failed")
            << QByteArray("%1ERST ?") << Replies{.lampStatus = "000 1X\r"} << QByteArray("020000");
        QTest::newRow("ERST ? power fault") << QByteArray("%1ERST ?") << Replies{.status = "10\r"} << QByteArray("000002");
        QTest::newRow("ERST ? unanswered") << QByteArray("%1ERST ?") << Replies{.status = ""} << QByteArray("ERR4");
        QTest::newRow("ERST 1") << QByteArray("%1ERST 1") << on << QByteArray("ERR2");

        QTest::newRow("LAMP ? lit") << QByteArray("%1LAMP ?") << on << QByteArray("123 1");
        QTest::newRow("LAMP ? off")
            << QByteArray("%1LAMP ?") << Replies{.status = "80\r", .lampStatus = "000 1O\r"} << QByteArray("123 0");
        QTest::newRow("LAMP ? lit by the status")
            << QByteArray("%1LAMP ?") << Replies{.status = "40\r", .lampStatus = ""} << QByteArray("123 1");
        QTest::newRow("LAMP ? hours unreadable")
            << QByteArray("%1LAMP ?") << Replies{.lampHours = "0123\r"} << QByteArray("ERR4");

        QTest::newRow("INST") << QByteArray("%1INST ?") << on << QByteArray("11 12 21 22 23 24 31 32");
        QTest::newRow("NAME") << QByteArray("%1NAME ?") << on << QByteArray("Room 101");
        QTest::newRow("INF1") << QByteArray("%1INF1 ?") << on << QByteArray("ORVA");
        QTest::newRow("INF2") << QByteArray("%1INF2 ?") << on << QByteArray("RM740");
        QTest::newRow("INFO") << QByteArray("%1INFO ?") << on << QByteArray("rm740-bridge");
        QTest::newRow("CLSS") << QByteArray("%1CLSS ?") << on << QByteArray("1");
        QTest::newRow("CLSS 2") << QByteArray("%1CLSS 2") << on << QByteArray("ERR2");
        QTest::newRow("unknown body") << QByteArray("%1XXXX ?") << on << QByteArray("ERR1");
        QTest::newRow("lower case") << QByteArray("%1powr ?") << on << QByteArray("ERR1");
        QTest::newRow("class 2") << QByteArray("%2POWR ?") << on << QByteArray("ERR1");
        QTest::newRow("class 2 search") << QByteArray("%2SRCH") << on << QByteArray("ERR1");
        QTest::newRow("no space") << QByteArray("%1POWR1") << on << QByteArray("ERR2");
        QTest::newRow("spaces are the parameter's") << QByteArray("%1NAME  ? ") << on << QByteArray("ERR2");
        QTest::newRow("short body") << QByteArray("%1POW") << on << QByteArray("not PJLink");
        QTest::newRow("no class digit") << QByteArray("%XPOWR ?") << on << QByteArray("not PJLink");
        QTest::newRow("no mark") << QByteArray("POWR ?") << on << QByteArray("not PJLink");
    }
    void requestIsPlannedAndAnswered()
    {
        QFETCH(QByteArray, request);
        QFETCH(Replies, replies);
        QTEST(outcomeOf(request, replies), "outcome");
    }

    // The page's pressed look: what the state knows is in effect, nothing it does not.
    void pressedButtonsFollowTheState_data()
    {
        QTest::addColumn<Replies>("replies");
        QTest::addColumn<QStringList>("pressed");
        QTest::newRow("on, Computer 1, mutes unknown")
            << Replies{.videoMuted = {}, .audioMuted = {}} << QStringList{"Command17", "Command28"};
        QTest::newRow("standby, picture muted, DVI (AV HDCP)")
            << Replies{.status = "80\r", .input = "2\r", .rememberedInput = "32", .videoMuted = true}
            << QStringList{"Command18", "Command21", "Command20", "Command56"};
        QTest::newRow("nothing known")
            << Replies{.status = "", .input = "", .videoMuted = {}, .audioMuted = {}} << QStringList{};
    }
    void pressedButtonsFollowTheState()
    {
        QFETCH(Replies, replies);
        QTEST(WebState::pressedButtons(stateOf(replies), InputTable::defaults()), "pressed");
    }

    void inputTableIsConfigured_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("result");  // the codes, or a word of the error
        QTest::newRow("restricted") << "11:C50 31:c5b" << "11 31";
        QTest::newRow("renamed, commas") << "19:C50, 21:C07" << "19 21";
        QTest::newRow("unknown frame") << "11:C99" << "no input button";
        QTest::newRow("not an input") << "11:C00" << "no input button";
        QTest::newRow("type 6") << "61:C50" << "no CODE:FRAME";
        QTest::newRow("no frame") << "11" << "no CODE:FRAME";
        QTest::newRow("code twice") << "11:C50 11:C06" << "repeats";
        QTest::newRow("button twice") << "11:C50 12:C50" << "repeats";
        QTest::newRow("none") << " " << "no input";
    }
    void inputTableIsConfigured()
    {
        QFETCH(QString, text);
        QFETCH(QString, result);
        QString error;
        const auto table = InputTable::parse(text, &error);
        if (table)
            QCOMPARE(QString::fromLatin1(table->codes()), result);
        else
            QVERIFY2(error.contains(result), qPrintable(error));
    }

    void configurationIsCheckedWhole_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        QTest::newRow("two projectors") << "# rooms\n[a]\nport = COM1\n\n; b\n[b]\nport=/dev/ttyUSB0\npjlink=4353\n" << "fine";
        QTest::newRow("empty") << "# nothing\n" << "bridge.conf: no projector";
        QTest::newRow("key before section") << "port = COM1\n" << "bridge.conf:1: port stands before any section";
        QTest::newRow("garbage") << "[a]\nport COM1\n" << "bridge.conf:2: not understood";
        QTest::newRow("nameless") << "[ ]\n" << "bridge.conf:1: a section needs a name";
        QTest::newRow("section twice") << "[a]\nport=COM1\n[a]\n" << "bridge.conf:3: section [a] comes twice";
        QTest::newRow("key twice") << "[a]\nport=COM1\nport=COM2\n" << "bridge.conf:3: port comes twice";
        QTest::newRow("unknown key") << "[a]\nport=COM1\nspeed=9600\n" << "bridge.conf:3: unknown key speed";
        QTest::newRow("no port") << "[a]\nbaud=9600\n" << "bridge.conf:1: [a] has no port";
        QTest::newRow("baud") << "[a]\nport=COM1\nbaud=4800\n" << "bridge.conf:3: baud must be 9600 or 19200";
        QTest::newRow("pjlink host name") << "[a]\nport=COM1\npjlink=projector:4352\n" << "bridge.conf:3: pjlink must be";
        QTest::newRow("pjlink port 0") << "[a]\nport=COM1\npjlink=127.0.0.1:0\n" << "bridge.conf:3: pjlink must be";
        QTest::newRow("name too long") << "[a]\nport=COM1\nname=" + QString(65, u'n') << "bridge.conf:3: name must be 1 to 64";
        QTest::newRow("inputs") << "[a]\nport=COM1\ninputs=11:C99\n" << "bridge.conf:3: inputs \"C99\" is no input";
        QTest::newRow("poll") << "[a]\nport=COM1\npoll-interval=-1\n" << "bridge.conf:3: poll-interval must be";
        QTest::newRow("clients") << "[a]\nport=COM1\nmax-clients=0\n" << "bridge.conf:3: max-clients must be";
        QTest::newRow("discovery word") << "[a]\nport=COM1\ndiscovery=maybe\n" << "bridge.conf:3: discovery must be";
        QTest::newRow("discovery elsewhere") << "[a]\nport=COM1\npjlink=4353\ndiscovery=yes\n"
                                             << "bridge.conf:4: discovery finds projectors on PJLink's port 4352 only";
        QTest::newRow("same listen port") << "[a]\nport=COM1\n[b]\nport=COM2\n"
                                          << "bridge.conf:3: [b] listens on 127.0.0.1:4352 as [a] does";
        QTest::newRow("every address") << "[a]\nport=COM1\npjlink=127.0.0.1:4352\n[b]\nport=COM2\npjlink=*:4352\n"
                                       << "bridge.conf:6: [b] listens on *:4352 as [a] does";
        QTest::newRow("same serial port") << "[a]\nport=COM1\n[b]\nport=COM1\npjlink=4353\n"
                                          << "bridge.conf:4: [b] uses the serial port COM1 of [a]";
        QTest::newRow("web page on loopback") << "[a]\nport=COM1\nhttp=127.0.0.1:8080\n"
                                              << "fine, the page on 127.0.0.1:8080 by bridge.conf:3";
        QTest::newRow("a web section") << "[a]\nport=COM1\n[web]\nlisten=*:8080\npassword-file=/pw\n"
                                       << "fine, the page on *:8080 by bridge.conf:4";
        QTest::newRow("a web section beyond loopback") << "[a]\nport=COM1\n[web]\nlisten=*:8080\n"
                                                       << "bridge.conf:4: the web page on *:8080 needs a password-file";
        QTest::newRow("a web section without its address") << "[a]\nport=COM1\n[web]\nmax-connections=2\n"
                                                           << "bridge.conf:3: [web] has no listen";
        QTest::newRow("a projector's key in the web section") << "[a]\nport=COM1\n[web]\nlisten=8080\nbaud=9600\n"
                                                              << "bridge.conf:5: unknown key baud in [web]";
        QTest::newRow("a web section and an http key") << "[web]\nlisten=8080\n[a]\nport=COM1\nhttp=8081\n"
                                                       << "bridge.conf:5: [a] serves the web page as [web] does";
        QTest::newRow("a projector called web") << "[web]\nport=COM1\n" << "fine";
        QTest::newRow("a host that is no name") << "[a]\nport=COM1\n[web]\nlisten=8080\nhosts=ok.example evil/x\n"
                                                << "bridge.conf:5: hosts must be host names separated by spaces (not \"evil/x\")";
        QTest::newRow("a proxy that is no address") << "[a]\nport=COM1\n[web]\nlisten=8080\ntrusted-proxies=proxy\n"
                                                    << "bridge.conf:5: trusted-proxies must be IP addresses";
        QTest::newRow("a web section alone") << "[web]\nlisten=8080\n" << "bridge.conf:1: no projector";
        QTest::newRow("web page beyond loopback") << "[a]\nport=COM1\nhttp=*:8080\n"
                                                  << "bridge.conf:3: the web page on *:8080 needs a password-file";
        QTest::newRow("metrics on loopback") << "[a]\nport=COM1\n[metrics]\nlisten=127.0.0.1:9740\n" << "fine";
        QTest::newRow("metrics listen") << "[a]\nport=COM1\n[metrics]\nlisten=localhost:9740\n"
                                        << "bridge.conf:4: listen must be ADDRESS:PORT";
        QTest::newRow("metrics beyond loopback") << "[a]\nport=COM1\n[metrics]\nlisten=*:9740\n"
                                                 << "bridge.conf:4: the metrics on *:9740 need a password-file";
        QTest::newRow("metrics beyond loopback, a password") << "[a]\nport=COM1\n[metrics]\nlisten=*:9740\n"
                                                                "password-file=/pw\n" << "fine";
        QTest::newRow("metrics unknown key") << "[a]\nport=COM1\n[metrics]\nlisten=9740\npath=/m\n"
                                             << "bridge.conf:5: unknown key path in [metrics]";
        QTest::newRow("metrics without listen") << "[a]\nport=COM1\n\n[metrics]\npassword-file=/pw\n"
                                                << "bridge.conf:4: [metrics] has no listen";
        for (const char *life : {"100001", "3000h"})
            QTest::addRow("lamp-life %s", life) << QStringLiteral("[a]\nport=COM1\nlamp-life=%1\n").arg(life)
                                                << "bridge.conf:3: lamp-life must be a number from 0 to 100000 (hours";
        QTest::newRow("web page twice") << "[a]\nport=COM1\nhttp=8080\n[b]\nport=COM2\npjlink=4353\nhttp=8081\n"
                                        << "bridge.conf:7: [b] serves the web page as [a] does";
    }
    void configurationIsCheckedWhole()
    {
        QFETCH(QString, text);
        QFETCH(QString, error);
        const QString found = configError(text);
        QVERIFY2(found.startsWith(error), qPrintable(found));
    }

    void configurationKeysReachTheProjector()
    {
        QString error;
        const auto sections = BridgeConfig::readSections(
            u"[Room 101]\nport = rfc2217://10.0.0.7:2217\nbaud = 9600\npjlink = [::]:4352\nname = Hörsaal 1\n"
            "password-file = /etc/rm740/pw\ninputs = 11:C50\npoll-interval = 0.5\nidle-timeout = 10\n"
            "max-clients = 4\nreply-timeout = 300\ntemperature-warning = 0\ndiscovery = on\ndiscovery-port = 14352\n"
            "http = [::]:8080\nhttp-max-connections = 20\nlamp-life = 3000\n",
            QStringLiteral("bridge.conf"), &error);
        QVERIFY2(sections, qPrintable(error));
        const auto config = BridgeConfig::projector(sections->first(), &error);
        QVERIFY2(config, qPrintable(error));
        QCOMPARE(config->name, QStringLiteral("Hörsaal 1"));
        QCOMPARE(config->port, QStringLiteral("rfc2217://10.0.0.7:2217"));
        QCOMPARE(config->baud, 9600);
        QCOMPARE(config->listenEndpoint(), QStringLiteral("[::]:4352"));
        QCOMPARE(config->passwordFile, QStringLiteral("/etc/rm740/pw"));
        QCOMPARE(config->inputs.codes(), QByteArray("11"));
        QCOMPARE(config->pollInterval, std::chrono::milliseconds(500));
        QCOMPARE(config->idleTimeout, std::chrono::milliseconds(10000));
        QCOMPARE(config->maxClients, 4);
        QCOMPARE(config->replyTimeout, std::chrono::milliseconds(300));
        QCOMPARE(config->temperatureWarning, 0.0);
        QVERIFY(config->discovery);
        QCOMPARE(config->discoveryPort, quint16(14352));
        QCOMPARE(config->httpEndpoint(), QStringLiteral("[::]:8080"));
        QCOMPARE(config->httpMaxConnections, 20);
        QCOMPARE(config->lampLifeHours, 3000.0);
        QCOMPARE(BridgeConfig::keys().size(), 16);  // every key is set above
    }

    void webSectionKeysReachThePage()
    {
        QString error;
        const auto sections = BridgeConfig::readSections(
            u"[a]\nport=COM1\n[web]\nlisten=[::1]:8080\npassword-file=/pw\nmax-connections=20\nidle-timeout=10\n"
              "request-timeout=2.5\nconnections-per-peer=3\nhosts=Bridge.example  b.example\ntrusted-proxies=10.0.0.1 ::1\n",
            QStringLiteral("bridge.conf"), &error);
        const auto configuration = BridgeConfig::configuration(*sections, &error);
        QVERIFY2(configuration && configuration->web, qPrintable(error));
        QCOMPARE(configuration->web->endpoint(), QStringLiteral("[::1]:8080"));
        QCOMPARE(configuration->web->passwordFile, QStringLiteral("/pw"));
        QCOMPARE(configuration->web->maxConnections, 20);
        QCOMPARE(configuration->web->idleTimeout, std::chrono::milliseconds(10000));
        QCOMPARE(configuration->web->requestTimeout, std::chrono::milliseconds(2500));
        QCOMPARE(configuration->web->connectionsPerPeer, 3);
        QCOMPARE(configuration->web->hosts, QStringList({"bridge.example", "b.example"}));
        QCOMPARE(configuration->web->trustedProxies, QList<QHostAddress>({QHostAddress("10.0.0.1"), QHostAddress("::1")}));
        QCOMPARE(BridgeConfig::webKeys().size(), 8);  // every key is set above
        QVERIFY(configuration->notes.isEmpty());
        // The keys in their old place still serve, with a note for the log.
        const auto old = BridgeConfig::configuration(
            *BridgeConfig::readSections(u"[a]\nport=COM1\nhttp=8080\n", QStringLiteral("bridge.conf"), &error), &error);
        QCOMPARE(old->notes.size(), 1);
        QVERIFY2(old->notes.first().startsWith(u"bridge.conf:3: http in [a] is read as [web]'s listen"),
                 qPrintable(old->notes.first()));
    }

    // Times in seconds after the first failure; the last column is the
    // penalty of the last failure, -1 where the peer must be gone by then.
    void wrongPasswordsAreSlowedAndForgotten_data()
    {
        QTest::addColumn<QList<int>>("seconds");
        QTest::addColumn<int>("inARow");
        QTest::addColumn<int>("delay");
        QTest::addColumn<bool>("shutOut");  // for the delay after the last failure
        QTest::newRow("first") << QList<int>{0} << 1 << 500 << false;
        QTest::newRow("doubling") << QList<int>{0, 1, 2} << 3 << 2000 << false;
        QTest::newRow("shut out after five") << QList<int>{0, 1, 3, 7, 15} << 5 << 8000 << true;
        QTest::newRow("at most 8 s") << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11} << 12 << 8000 << true;
        QTest::newRow("forgotten after ten minutes") << QList<int>{0, 1, 2, 603} << 1 << 500 << false;
    }
    void wrongPasswordsAreSlowedAndForgotten()
    {
        QFETCH(QList<int>, seconds);
        WrongPasswords wrong;
        const auto start = WrongPasswords::Clock::now();
        WrongPasswords::Penalty last;
        for (const int s : seconds)
            last = wrong.failed(QStringLiteral("10.0.1.5"), start + std::chrono::seconds(s));
        QTEST(last.inARow, "inARow");
        QTEST(int(last.delay.count()), "delay");
        QTEST(last.shutOut, "shutOut");
        // Every request of the peer waits out the delay, and then is let in.
        const auto then = start + std::chrono::seconds(seconds.last());
        QCOMPARE(wrong.waitFor(QStringLiteral("10.0.1.5"), then + std::chrono::milliseconds(100)), last.delay - std::chrono::milliseconds(100));
        QTEST(wrong.shutOut(QStringLiteral("10.0.1.5"), then + last.delay - std::chrono::milliseconds(1)), "shutOut");
        QCOMPARE(wrong.waitFor(QStringLiteral("10.0.1.5"), then + last.delay), std::chrono::milliseconds(0));
        QVERIFY(!wrong.shutOut(QStringLiteral("10.0.1.5"), then + last.delay));
    }

    void wrongPasswordsRememberBoundedPeers()
    {
        WrongPasswords wrong;
        const auto start = WrongPasswords::Clock::now();
        for (int i = 0; i < 3 * WrongPasswords::MostPeers; ++i)
            (void)wrong.failed(QStringLiteral("peer %1").arg(i), start + std::chrono::milliseconds(i));
        QCOMPARE(wrong.peers(), WrongPasswords::MostPeers);
        // The newest is still slowed; the oldest has made room.
        QCOMPARE(wrong.failed(QStringLiteral("peer %1").arg(3 * WrongPasswords::MostPeers - 1), start).inARow, 2);
        QCOMPARE(wrong.failed(QStringLiteral("peer 0"), start).inARow, 1);
    }

    void commandLineBecomesAPlan_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("detail");  // the error, or the settings as key=value
        using A = BridgePlan::Action;
        QTest::newRow("nothing") << QStringList{} << int(A::Refuse) << "give --port PORT, or --config FILE";
        QTest::newRow("one projector") << QStringList{"--port", "COM1", "--pjlink=0.0.0.0:4352", "--discovery"}
                                       << int(A::Serve) << "port=COM1 pjlink=0.0.0.0:4352 discovery=true";
        QTest::newRow("check") << QStringList{"--config", "/etc/rm740/bridge.conf", "--check"} << int(A::Check) << "";
        QTest::newRow("config and a key") << QStringList{"--config", "f", "--baud", "9600"} << int(A::Refuse)
                                          << "--baud belongs in the configuration file with --config";
        QTest::newRow("unknown") << QStringList{"--speed", "9600"} << int(A::Refuse) << "--speed: no such option";
        QTest::newRow("no value") << QStringList{"--port"} << int(A::Refuse) << "--port needs a value";
        QTest::newRow("flag with value") << QStringList{"--discovery=1"} << int(A::Refuse) << "--discovery takes no value";
        QTest::newRow("twice") << QStringList{"--port", "a", "--port", "b"} << int(A::Refuse) << "--port comes twice";
        QTest::newRow("word") << QStringList{"serve"} << int(A::Refuse) << "serve: not an option";
        QTest::newRow("unknown before help") << QStringList{"--bogus=1", "--help"} << int(A::Refuse) << "--bogus: no such option";
    }
    void commandLineBecomesAPlan()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, detail);
        const BridgePlan plan = BridgeArguments::parse(QStringList{"rm740-bridge"} + arguments);
        QTEST(int(plan.action), "action");
        if (plan.action == BridgePlan::Action::Refuse) {
            QCOMPARE(plan.error, detail);
            return;
        }
        QStringList settings;
        for (const BridgeConfig::Setting &s : plan.options.settings)
            settings.append(s.key + u'=' + s.value);
        QCOMPARE(settings.join(u' '), detail);
    }
};

QTEST_GUILESS_MAIN(BridgePartsTest)
#include "tst_bridgeparts.moc"
