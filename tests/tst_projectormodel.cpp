// The simulated projector's protocol (commands and their replies) and its
// state over time, with time handed in, so nothing here waits.

#include "sim/model/commandtable.h"
#include "sim/model/projectormodel.h"

#include <QTest>

using namespace std::chrono_literals;
using Power = ProjectorModel::Power;

namespace {

const QByteArray Ack(1, ProjectorModel::Ack);
const QByteArray Unknown("?\r");

} // namespace

class ProjectorModelTest : public QObject
{
    Q_OBJECT

private slots:
    void answersLikeAProjector_data()
    {
        QTest::addColumn<QByteArrayList>("before");  // each must be acknowledged
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("reply");

        const auto row = [](const char *name, QByteArrayList before, const char *frame,
                            const QByteArray &reply) {
            QTest::newRow(name) << before << QByteArray(frame) << reply;
        };
        // The six interpreted reads, in the forms the reply interpretation expects.
        row("status in standby", {}, "CR0", "80\r");
        row("input at start", {}, "CR1", "1\r");
        row("input video", {"C07"}, "CR1", "3\r");
        row("input s-video", {"C34"}, "CR1", "4\r");
        row("input by family", {"CF INPUT COMPUTER2"}, "CR1", "2\r");
        row("input stepped down wraps", {"CF INPUT DN"}, "CR1", "4\r");
        row("lamp time", {}, "CR3", "00123\r");
        row("setting normal", {}, "CR4", "11\r");
        row("setting ceiling", {"CF CEIL ON"}, "CR4", "10\r");
        row("setting rear", {"CF REAR ON"}, "CR4", "01\r");
        row("setting both", {"CF CEIL ON", "CF REAR ON"}, "CR4", "00\r");
        row("temperatures unlit", {}, "CR6", "025.0 026.5 028.0\r");
        row("lamp status unlit", {}, "CR LAMPSTS", "000 1O\r");
        row("lamp mode", {}, "CR7", "000 NORMAL\r");
        row("lamp mode eco 1", {"CF LAMPMODE ECO1"}, "CR7", "000 ECO\r");
        row("lamp mode eco 2 long read", {"CF LAMPMODE ECO2"}, "CR LAMPMODE", "000 ECO\r");
        row("lamp mode stepped", {"CF LAMPMODE DN"}, "CR LAMPMODE", "000 AUTO\r");
        // Levels: set, stepped, stopped at their ends.
        row("brightness", {}, "CR BRIGHT", "000 032\r");
        row("brightness set", {"CF BRIGHT 063"}, "CR BRIGHT", "000 063\r");
        row("brightness up by code", {"C20", "C20", "C20"}, "CR BRIGHT", "000 035\r");
        row("brightness down by family", {"CF BRIGHT DN"}, "CR BRIGHT", "000 031\r");
        row("volume stops at top", {"CF VOLUME 063", "C09"}, "CR VOLUME", "000 063\r");
        row("volume stops at bottom", {"CF VOLUME 000", "C0A", "C0A"}, "CR VOLUME", "000 000\r");
        row("fine sync", {"CF FSYNC 0007"}, "CR FSYNC", "000 0007\r");
        row("total dots", {"CF TDOTS 1500"}, "CR TDOTS", "000 1500\r");
        row("vertical scale", {"CF VSCALE 075"}, "CR VSCALE", "000 075\r");
        row("power management time", {"CF P-MANETIME 12"}, "CR P-MANETIME", "000 12\r");
        // Choices, mutes and freeze.
        row("audio mute", {"C0B"}, "CR MUTE", "000 ON\r");
        row("audio mute off", {"C0B", "C0C"}, "CR MUTE", "000 OFF\r");
        row("video mute toggled", {"C0D", "CF VMUTE UP"}, "CR VMUTE", "000 OFF\r");
        row("freeze", {"C43"}, "CR FREEZE", "000 ON\r");
        row("image by code", {"C13"}, "CR IMAGE", "000 CINEMA\r");
        row("image toggle", {"C27"}, "CR IMAGE", "000 REAL\r");
        row("screen full", {"C10"}, "CR SCREEN", "000 FULL\r");
        row("screen reset", {"C10", "CF SCREEN RST"}, "CR SCREEN", "000 NORMAL\r");
        row("language", {"CF LANG THA"}, "CR LANG", "000 THA\r");
        row("key lock", {"CF KEYDIS RC"}, "CR KEYDIS", "000 RC\r");
        row("logo after a PIN", {"CF LOGO 1234 USER"}, "CR LOGO", "000 USER\r");
        row("filter timer stepped", {"CF FILTIMER UP"}, "CR FILTIMER", "000 4000\r");
        // Sources belong to inputs.
        row("source with input", {"CF INPUT COMPUTER2 HDCP"}, "CR SOURCE", "000 HDCP\r");
        row("source by code", {"C54"}, "CR SRCINP1", "000 YPBPR\r");
        row("source family selects input", {"CF INPUT2 DIGITAL"}, "CR1", "2\r");
        row("source of input in use", {"C06", "CF SOURCE DIGITAL"}, "CR SRCINP2", "000 DIGITAL\r");
        row("source stepped", {"CF SOURCE UP"}, "CR SOURCE", "000 YPBPR\r");
        // Actions with lasting effects.
        row("factory default", {"CF BRIGHT 010", "C0B", "CF FDEFAULT RST"}, "CR BRIGHT", "000 032\r");
        row("factory default mute", {"C0B", "CF FDEFAULT RST"}, "CR MUTE", "000 OFF\r");
        row("pc store", {"CF PCSTORE MODE2", "CF PCSTORE MODE5"}, "CR PCSTORE", "000 01001\r");
        row("pc store freed", {"CF PCSTORE MODE2", "CF PCMODEFREE MODE2"}, "CR PCSTORE", "000 00000\r");
        row("filter hours reset", {"CF FILH RST"}, "CR FILH", "000 00000\r");
        row("status text", {}, "CR STATUS", "000 STANDBY\r");
        row("serial number", {}, "CR SERIALNO", "000 RM740S00001\r");
        // Execution commands answer ACK alone.
        row("power on", {}, "C00", Ack);
        row("power by family", {}, "CF POWER ON", Ack);
        row("display clear", {}, "C1E", Ack);
        row("digital zoom", {}, "CF SCREEN DZOOM UP", Ack);
        row("keystone fast", {}, "CF KEYSTONE FUP", Ack);
        // Anything else matches no decoder.
        row("unknown read code", {}, "CR2", Unknown);
        row("unknown basic code", {}, "C03", Unknown);
        row("lower case", {}, "c00", Unknown);
        row("trailing space", {}, "C00 ", Unknown);
        row("empty", {}, "", Unknown);
        row("family without value", {}, "CF BRIGHT", Unknown);
        row("family with empty value", {}, "CF BRIGHT ", Unknown);
        row("unknown family", {}, "CF NOSUCH ON", Unknown);
        row("unknown read keyword", {}, "CR NOSUCH", Unknown);
        row("menu is not readable", {}, "CR MENU", Unknown);
        row("placeholders left in", {}, "CF BRIGHT 0%%", Unknown);
        row("too few digits", {}, "CF BRIGHT 45", Unknown);
        row("fixed digit differs", {}, "CF FSYNC 0105", Unknown);
        row("level out of range", {}, "CF BRIGHT 064", Unknown);
        row("choice not in list", {}, "CF LAMPMODE HIGH", Unknown);
        row("no steps for this family", {}, "CF LANG UP", Unknown);
        row("toggle word only by code", {}, "CF IMAGE NEXT", Unknown);
        row("source not of this input", {}, "CF SOURCE DIGITAL", Unknown);
        row("logo without PIN", {}, "CF LOGO USER", Unknown);
        row("logo with short PIN", {}, "CF LOGO 123 USER", Unknown);
        row("double space", {}, "CF  MUTE ON", Unknown);
    }
    void answersLikeAProjector()
    {
        QFETCH(QByteArrayList, before);
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, reply);
        ProjectorModel model;
        for (const QByteArray &command : before)
            QCOMPARE(model.answer(command, 0ms), Ack);
        QCOMPARE(model.answer(frame, 0ms), reply);
    }

    void everyBasicCodeIsUnderstood_data()
    {
        QTest::addColumn<QByteArray>("code");
        const char *const codes[] = {
            "C00", "C01", "C02", "C05", "C06", "C07", "C09", "C0A", "C0B", "C0C", "C0D", "C0E",
            "C0F", "C10", "C11", "C12", "C13", "C14", "C15", "C16", "C17", "C18", "C19", "C1C",
            "C1D", "C1E", "C20", "C21", "C25", "C27", "C28", "C29", "C2A", "C2B", "C2E", "C30",
            "C31", "C34", "C39", "C3A", "C3B", "C3C", "C3D", "C3F", "C43", "C44", "C50", "C51",
            "C54", "C5B", "C5C", "C89", "C8A", "C8B", "C8E", "C8F",
        };
        QCOMPARE(std::size(codes), size_t(56));
        for (const char *code : codes)
            QTest::newRow(code) << QByteArray(code);
    }
    void everyBasicCodeIsUnderstood()
    {
        QFETCH(QByteArray, code);
        ProjectorModel model;
        QCOMPARE(model.answer(code, 0ms), Ack);
    }

    void catalogueRowsWithDigitsFilledInAreUnderstood_data()
    {
        QTest::addColumn<QByteArray>("frame");
        const char *const frames[] = {
            "CF BRIGHT UP", "CF CONT 010", "CF COLOR DN", "CF TINT 000", "CF SHARP 031",
            "CF GAMMA 015", "CF WBAL-R 063", "CF WBAL-G UP", "CF WBAL-B DN", "CF COLTEMP 003",
            "CF PROGV FILM", "CF NZRED L2", "CF IMAGE CUSTOM4", "CF COLBOARD YELLOW",
            "CF IMAGEADJ STR3", "CF FSYNC 0031", "CF TDOTS 0800", "CF CLAMP 0063", "CF H-POS UP",
            "CF V-POS 0100", "CF DDOTS 1600", "CF DLINE 0480", "CF PCSTORE MODE10",
            "CF PCMODEFREE MODE1", "CF INPUT S-VIDEO", "CF SOURCE UP", "CF INPUT1 SCART",
            "CF INPUT2 HDCP", "CF INPUT3 VIDEO", "CF INPUT4 S-VIDEO", "CF INPUT COMPUTER1 YPBPR",
            "CF INPUT VIDEO VIDEO", "CF INPUT S-VIDEO S-VIDEO", "CF SYSTEM D-480P",
            "CF SCREEN NATURAL", "CF SCREEN DZOOM DN", "CF SCREEN UP", "CF DZCENT CENT",
            "CF VSCALE 100", "CF VPOS 000", "CF HSCALE UP", "CF HPOS 050", "CF KEYSTONE FDN",
            "CF KEYSTONE RST", "CF KYSTNMODE STR", "CF CEIL OFF", "CF REAR ON",
            "CF LAMPMODE AUTO", "CF LAMPLIFECONTRL MODE2", "CF VOLUME 020", "CF MUTE ON",
            "CF MIC OFF", "CF MICGAIN 031", "CF STANDBYMICOUT ON", "CF LANG JPN",
            "CF MENUPOSITION SET", "CF INPUTSEARCH ON2", "CF AUTOSETUPPCADJ OFF",
            "CF AUTOSETUPKEYSTONE MANUAL", "CF AUTOSETUP START", "CF BACKGND BLACK",
            "CF DISP CNTDWNOFF", "CF LOGO 0000 DFLT", "CF LOGO 9999 DN", "CF P-MANE SHUTDOWN",
            "CF P-MANETIME 30", "CF ON-STA DN", "CF STANDBYMODE ECO", "CF PTIMEMODE COUNTDN",
            "CF PTIMER RESTART", "CF PTIME 180", "CF CCAPTIONDISP CC4", "CF CCAPTIONCOLOR WHITE",
            "CF RCODE 002", "CF KEYDIS KEY", "CF PJPINCODE 1234", "CF FANMODE L2",
            "CF FANCONTROL ON1", "CF DELAYCTRL ON", "CF FILTIMER 6000", "CF FILH RST",
            "CF TTLPWRSAVE RST", "CF FDEFAULT RST", "CF KEYEMU SELECT", "CF MENU ON",
            "CF POWER OFF", "CF FREEZE UP", "CF VMUTE ON",
        };
        for (const char *frame : frames)
            QTest::newRow(frame) << QByteArray(frame);
    }
    void catalogueRowsWithDigitsFilledInAreUnderstood()
    {
        QFETCH(QByteArray, frame);
        ProjectorModel model;
        QCOMPARE(model.answer(frame, 0ms), Ack);
    }

    void everyReadCommandAnswersAText()
    {
        QCOMPARE(CommandTable::readKeywords().size(), size_t(91));
        ProjectorModel model;
        for (std::string_view keyword : CommandTable::readKeywords()) {
            const QByteArray frame = "CR " + QByteArray(keyword.data(), qsizetype(keyword.size()));
            const QByteArray reply = model.answer(frame, 0ms);
            QVERIFY2(reply.startsWith("000 ") && reply.endsWith('\r') && reply.size() > 5,
                     frame + " -> " + reply);
        }
    }

    // --- state over time ---------------------------------------------------------

    void powerWarmsUpAndCoolsDown()
    {
        ProjectorModel model({2s, 3s});
        struct Step {
            std::chrono::milliseconds at;
            const char *frame;
            QByteArray reply;
        };
        const Step script[] = {
            {0ms, "CR0", "80\r"},
            {100ms, "C00", Ack},
            {200ms, "CR0", "40\r"},
            {200ms, "CR LAMPSTS", "000 1I\r"},
            {200ms, "CR6", "025.0 031.5 040.0\r"},
            {2099ms, "CR0", "40\r"},
            {2100ms, "CR0", "00\r"},
            {2100ms, "CR STATUS", "000 ON\r"},
            {5000ms, "C00", Ack},  // already on
            {5000ms, "CR0", "00\r"},
            {6000ms, "C02", Ack},
            {6000ms, "CR0", "20\r"},
            {6000ms, "CR LAMPSTS", "000 1O\r"},
            {7000ms, "C00", Ack},  // ignored while cooling
            {8999ms, "CR0", "20\r"},
            {9000ms, "CR0", "80\r"},
            {9000ms, "C01", Ack},  // already off
            {9500ms, "CR0", "80\r"},
            {9500ms, "C00", Ack},
            {9500ms, "CR0", "40\r"},
        };
        for (const Step &s : script) {
            const QByteArray reply = model.answer(s.frame, s.at);
            QVERIFY2(reply == s.reply, QByteArray::number(s.at.count()) + " ms " + s.frame + " -> " + reply);
        }
    }

    void switchingOffDuringTheWarmUpCoolsDown()
    {
        ProjectorModel model({5s, 1s});
        QCOMPARE(model.answer("C00", 0ms), Ack);
        QCOMPARE(model.answer("CF POWER OFF", 1s), Ack);
        QCOMPARE(model.power(1s), Power::CoolingDown);
        QCOMPARE(model.power(2s), Power::Standby);
        QCOMPARE(model.power(10s), Power::Standby);
    }

    void lampHoursAdvanceOnlyWhileTheLampIsLit()
    {
        ProjectorModel model({1s, 1s});
        QCOMPARE(model.answer("CR3", 0ms), QByteArray("00123\r"));
        QCOMPARE(model.answer("C00", 0ms), Ack);
        QCOMPARE(model.answer("CR3", 3599s), QByteArray("00123\r"));
        QCOMPARE(model.answer("CR3", 3600s), QByteArray("00124\r"));
        QCOMPARE(model.answer("CR LAMPH", 3600s), QByteArray("000 00124\r"));
        QCOMPARE(model.answer("C01", 9000s), Ack);  // 2.5 hours lit
        QCOMPARE(model.answer("CR3", 9000s), QByteArray("00125\r"));
        QCOMPARE(model.answer("CR3", 100h), QByteArray("00125\r"));
        QCOMPARE(model.answer("C00", 100h), Ack);
        QCOMPARE(model.answer("CR3", 101h), QByteArray("00126\r"));
    }

    void lampHoursStopAtFiveDigits()
    {
        ProjectorModel model;
        QCOMPARE(model.answer("C00", 0ms), Ack);
        QCOMPARE(model.answer("CR3", 200000h), QByteArray("99999\r"));
    }

    void aClockThatGoesBackDoesNotUndoTheWarmUp()
    {
        ProjectorModel model({1s, 1s});
        QCOMPARE(model.answer("C00", 10s), Ack);
        QCOMPARE(model.answer("CR0", 12s), QByteArray("00\r"));
        QCOMPARE(model.answer("CR0", 5s), QByteArray("00\r"));
    }

    void stateWithoutAReadCommandFollowsTheCommands()
    {
        ProjectorModel model;
        QCOMPARE(model.setting("MENU"), QByteArray("OFF"));
        QCOMPARE(model.answer("C1C", 0ms), Ack);
        QCOMPARE(model.setting("MENU"), QByteArray("ON"));
        QCOMPARE(model.answer("CF MENU OFF", 0ms), Ack);
        QCOMPARE(model.setting("MENU"), QByteArray("OFF"));

        for (int i = 0; i < 12; ++i)
            QCOMPARE(model.answer("C30", 0ms), Ack);
        QCOMPARE(model.digitalZoom(), ProjectorModel::MaxDigitalZoom);
        QCOMPARE(model.answer("C31", 0ms), Ack);
        QCOMPARE(model.digitalZoom(), ProjectorModel::MaxDigitalZoom - 1);
        QCOMPARE(model.answer("CF DZCENT CENT", 0ms), Ack);
        QCOMPARE(model.digitalZoom(), 0);

        QCOMPARE(model.answer("C8E", 0ms), Ack);
        QCOMPARE(model.answer("CF KEYSTONE FUP", 0ms), Ack);
        QCOMPARE(model.setting("KEYSTONE"), QByteArray("+06"));
        for (int i = 0; i < 10; ++i)
            QCOMPARE(model.answer("CF KEYSTONE FDN", 0ms), Ack);
        QCOMPARE(model.setting("KEYSTONE"), QByteArray("-40"));
    }
};

QTEST_GUILESS_MAIN(ProjectorModelTest)
#include "tst_projectormodel.moc"
