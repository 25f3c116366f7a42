// The projector's protocol: the frame, the reply rule and the read replies'
// forms, each once; the status line's words are tst_replyinterpretation's.

#include "protocol/frame.h"
#include "protocol/readreplies.h"
#include "protocol/replyrule.h"

#include <QTest>

class ProtocolTest : public QObject
{
    Q_OBJECT

private slots:
    void frameIsTheTextAndOneCr_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("reads");
        QTest::newRow("execute") << QByteArray("C00") << false;
        QTest::newRow("read") << QByteArray("CR LAMPSTS") << true;
        QTest::newRow("lower case executes") << QByteArray("cr0") << false;
        QTest::newRow("empty: a lone CR") << QByteArray() << false;
    }
    void frameIsTheTextAndOneCr()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, reads);
        const QByteArray frame = Protocol::frame(text);
        QCOMPARE(frame, text + '\r');
        QCOMPARE(Protocol::textOf(frame), text);
        QCOMPARE(Protocol::kindOf(frame) == Protocol::Kind::Read, reads);
    }

    void replyEndsAtItsCrOrALoneAck_data()
    {
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<int>("length");  // -1: not complete yet
        QTest::newRow("nothing") << QByteArray() << -1;
        QTest::newRow("digits, no CR yet") << QByteArray("00") << -1;
        QTest::newRow("a reply") << QByteArray("00\r") << 3;
        QTest::newRow("a lone CR") << QByteArray("\r") << 1;
        QTest::newRow("ACK") << QByteArray("\x06") << 1;
        QTest::newRow("ACK and more") << QByteArray("\x06" "00\r") << 1;
        QTest::newRow("noise after the CR") << QByteArray("000 ECO\rxy\r") << 8;
        QTest::newRow("an ACK inside is data") << QByteArray("0\x06") << -1;
        QTest::newRow("LF is no end") << QByteArray("00\n") << -1;
    }
    void replyEndsAtItsCrOrALoneAck()
    {
        QFETCH(QByteArray, received);
        QFETCH(int, length);
        QCOMPARE(ReplyRule::completeLength(received).value_or(-1), qsizetype(length));
    }

    // A complete reply: refused, no text of the protocol, of the command's
    // form, or of another.
    void replyIsJudgedByItsCommandsForm_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("verdict");
        QTest::newRow("an ACK executes") << QByteArray("C00\r") << QByteArray("\x06") << "fits";
        QTest::newRow("text to an execution") << QByteArray("C00\r") << QByteArray("00\r") << "other";
        QTest::newRow("an ACK to a read") << QByteArray("CR0\r") << QByteArray("\x06") << "other";
        QTest::newRow("a status") << QByteArray("CR0\r") << QByteArray("80\r") << "fits";
        QTest::newRow("a status outside the forms") << QByteArray("CR0\r") << QByteArray("99\r") << "other";
        QTest::newRow("any text to a read without a form") << QByteArray("CR BRIGHT\r") << QByteArray("050\r") << "fits";
        QTest::newRow("text without its CR") << QByteArray("CR BRIGHT\r") << QByteArray("050") << "other";
        QTest::newRow("refused") << QByteArray("CR0\r") << QByteArray("?\r") << "refused";
        QTest::newRow("refused, its CR lost") << QByteArray("C00\r") << QByteArray("?") << "refused";
        QTest::newRow("a control character") << QByteArray("C00\r") << QByteArray("\x01\r") << "no text";
        QTest::newRow("beyond ASCII") << QByteArray("CR0\r") << QByteArray("0\xff\r") << "no text";
    }
    void replyIsJudgedByItsCommandsForm()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, reply);
        const QString verdict = ReplyRule::isRefusal(reply)        ? "refused"
                                : !ReplyRule::isProtocolText(reply) ? "no text"
                                : ReplyRule::fits(frame, reply)     ? "fits"
                                                                    : "other";
        QTEST(verdict, "verdict");
    }

    // The forms that the status line's words do not show: the monitor's
    // look-alikes, and what stands in a CR's place.
    void readRepliesHaveTheirForms_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("fits");
        QTest::newRow("lamp status with _ for the space") << QByteArray("CR LAMPSTS\r") << QByteArray("000_1I\r") << true;
        QTest::newRow("lamp mode with _ for the space") << QByteArray("CR7\r") << QByteArray("000_ECO\r") << true;
        QTest::newRow("lamp mode, three characters for the CR") << QByteArray("CR7\r") << QByteArray("000 HIGH? x") << true;
        QTest::newRow("lamp mode, two") << QByteArray("CR7\r") << QByteArray("000 HIGHxy") << false;
        QTest::newRow("lamp mode, an ACK among three") << QByteArray("CR7\r") << QByteArray("000 HIGHx\x06y") << false;
        QTest::newRow("lamp time, any six") << QByteArray("CR3\r") << QByteArray("ABCDEF") << true;
        QTest::newRow("temperatures, any eighteen") << QByteArray("CR6\r") << QByteArray(18, '\x01') << true;
        QTest::newRow("no form of its own") << QByteArray("CR BRIGHT\r") << QByteArray("00\r") << false;
    }
    void readRepliesHaveTheirForms()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, reply);
        const auto command = ReadReplies::commandOf(frame);
        QTEST(command && ReadReplies::fits(*command, reply), "fits");
    }

    void readRepliesGiveTheirNumbers()
    {
        QCOMPARE(ReadReplies::lampTime("00123\r")->hours, 123);
        QCOMPARE(ReadReplies::lampTime("0012X\r")->hours, std::nullopt);
        QCOMPARE(ReadReplies::lampTime("001234")->hours, std::nullopt);
        using Degrees = std::array<std::optional<double>, 3>;
        QCOMPARE(ReadReplies::temperatures("025.0 -----  40.5\r")->degrees, (Degrees{25.0, std::nullopt, 40.5}));
        QCOMPARE(ReadReplies::temperatures("025.0 031.5 040.0 ")->degrees, Degrees{});
        QCOMPARE(ReadReplies::input("5\r"), 5);
        QCOMPARE(ReadReplies::status("28\r"), (ReadReplies::Status{ReadReplies::Power::CoolingDown, true, false}));
    }
};

QTEST_GUILESS_MAIN(ProtocolTest)
#include "tst_protocol.moc"
