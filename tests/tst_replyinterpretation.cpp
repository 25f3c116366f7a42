// The status line's words for the replies to read commands.

#include "exchange/replyinterpretation.h"

#include <QTest>

namespace {
// The status text for `reply` as a whole, or "(unchanged)".
QString statusFor(const QByteArray &key, const QByteArray &reply)
{
    const auto status = ReplyInterpretation::statusFor(key, reply);
    return status.value_or(QStringLiteral("(unchanged)"));
}
} // namespace

class ReplyInterpretationTest : public QObject
{
    Q_OBJECT

private slots:
    void decodesEachReply_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("status");

        const QString unchanged = QStringLiteral("(unchanged)");
        auto row = [](const char *name, const char *key, const QByteArray &reply, const QString &status) {
            QTest::newRow(name) << QByteArray(key) << reply << status;
        };

        // Status.
        row("status 00", "CR0\r", "00\r", " Power ON");
        row("status 80", "CR0\r", "80\r", " Stand by");
        row("status 40", "CR0\r", "40\r", " Count down");
        row("status 20", "CR0\r", "20\r", " Cooling down");
        row("status 10", "CR0\r", "10\r", " Power abnormality");
        for (const char *t : {"08", "18", "28", "48", "88"})
            row(qPrintable(QStringLiteral("status %1").arg(QLatin1StringView(t))), "CR0\r",
                QByteArray(t) + '\r', " Temperature abnormality");
        row("status 21", "CR0\r", "21\r", " Lamp Failure");
        row("status 81", "CR0\r", "81\r", " Lamp Failure");
        row("status only the first two count", "CR0\r", "0012\r", " Power ON");
        row("status 01 is no pattern", "CR0\r", "01\r", unchanged);
        row("status one digit is not enough", "CR0\r", "0", unchanged);
        row("status after an ACK", "CR0\r", "\x06" "00\r", unchanged);
        row("status after a space", "CR0\r", " 00\r", unchanged);
        row("status key without CR", "CR0", "00\r", unchanged);
        row("status key in lower case", "cr0\r", "00\r", unchanged);
        // Input mode.
        row("input 1", "CR1\r", "1\r", " Input 1");
        row("input 2", "CR1\r", "2\r", " Input 2");
        row("input 3", "CR1\r", "3\r", " Input 3");
        row("input 4", "CR1\r", "4\r", " Wired");
        row("input 5", "CR1\r", "5\r", " Wireless/Viewer");
        row("input 12: the first character counts", "CR1\r", "12\r", " Input 1");
        row("input 6", "CR1\r", "6\r", unchanged);
        row("input 0", "CR1\r", "0\r", unchanged);
        // Setting.
        row("setting 11", "CR4\r", "11\r", " Normally");
        row("setting 10", "CR4\r", "10\r", " Top/Bottom reversal");
        row("setting 01", "CR4\r", "01\r", " Left/Right reversal");
        row("setting 00", "CR4\r", "00\r", " Top/Bottom , Left/Right reversal");
        row("setting 22", "CR4\r", "22\r", unchanged);
        // Lamp time: leading zeros become spaces, the line is replaced.
        row("lamp time 00123", "CR3\r", "00123\r", "     1 2 3   Hour Use");
        row("lamp time 12345", "CR3\r", "12345\r", " 1 2 3 4 5   Hour Use");
        row("lamp time 00000", "CR3\r", "00000\r", QString(13, u' ') + "Hour Use");
        row("lamp time 01020", "CR3\r", "01020\r", "   1 0 2 0   Hour Use");
        row("lamp time four digits", "CR3\r", "0123\r", unchanged);
        row("lamp time six digits", "CR3\r", "001234\r", unchanged);
        row("lamp time without CR", "CR3\r", "001234", "     1 2 Hour Use");
        // Temperatures: exactly 18 characters.
        row("temperatures", "CR6\r", "025.0 031.5 040.0\r",
            " 0 2 5 . 0 deg C 0 3 1 . 5 deg C 0 4 0 . 0 deg C ");
        row("temperatures copy what is shown", "CR6\r", "25.0  31.5\t 40.0 \r",
            " 2 5 . 0 _ deg C 3 1 . 5 ? deg C 4 0 . 0 _ deg C ");
        row("temperatures 17 characters", "CR6\r", "025.0 031.5 040.0", unchanged);
        row("temperatures 19 characters", "CR6\r", "025.0 031.5 040.0\r\n", unchanged);
        // Lamp status.
        row("lamp on", "CR LAMPSTS\r", "000 1I\r", " Lamp is ON");
        row("lamp off", "CR LAMPSTS\r", "000 1O\r", " Lamp is OFF");
        row("lamp failure", "CR LAMPSTS\r", "000 1X\r", " Lamp is failure");
        row("lamp status without the space", "CR LAMPSTS\r", "0001I\r", unchanged);
        row("lamp status cut short", "CR LAMPSTS\r", "000 1", unchanged);
        // Lamp mode, for the button's "CR7" and for "CR LAMPMODE".
        row("lamp mode high", "CR7\r", "000 HIGH\r", " Lamp Mode is High");
        row("lamp mode normal", "CR7\r", "000 NORMAL\r", " Lamp Mode is NORMAL");
        row("lamp mode eco", "CR7\r", "000 ECO\r", " Lamp Mode is Eco");
        row("lamp mode, long form", "CR LAMPMODE\r", "000 ECO\r", " Lamp Mode is Eco");
        row("lamp mode ending in LF", "CR7\r", "000 ECO\n", unchanged);
        row("lamp mode eco1", "CR7\r", "000 ECO1\r", unchanged);
        row("lamp mode too short", "CR7\r", "\r", unchanged);
        // Commands without a decoder.
        row("execution command", "C00\r", "00\r", unchanged);
        row("other read command", "CR BRIGHT\r", "00\r", unchanged);
        row("no command yet", "", "00\r", unchanged);
    }
    void decodesEachReply()
    {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, reply);
        QFETCH(QString, status);
        QCOMPARE(statusFor(key, reply), status);
    }
};

QTEST_GUILESS_MAIN(ReplyInterpretationTest)
#include "tst_replyinterpretation.moc"
