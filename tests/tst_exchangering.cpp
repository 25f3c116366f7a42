// The exchange log's pure parts: the ring of the newest exchanges and its
// bounds, the rows it gives, the grouping of a hold's frames, and the text
// and CSV files that read back to the same rows.

#include "exchange/monitorrendering.h"
#include "log/exchangeoutcome.h"
#include "log/exchangering.h"
#include "log/holdgrouping.h"
#include "log/logfile.h"
#include "log/logrow.h"

#include <QBuffer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using Chunks = QList<QByteArray>;
using Direction = LogRow::Direction;

namespace {

constexpr qint64 T0 = 1'796'000'000'000;  // some time in 2026, in ms

const TransmitOrigin Status = TransmitOrigin::button("Status", "Command44");

TransmitOrigin hold(TransmitOrigin::Kind kind, const char *name = "Command30")
{
    return TransmitOrigin::hold(kind, "Bright up", name);
}

QByteArray frameOf(int number)
{
    return "F" + QByteArray::number(number) + '\r';
}

} // namespace

class ExchangeRingTest : public QObject
{
    Q_OBJECT

private slots:
    // --- the ring ---------------------------------------------------------------

    void keepsExactlyTheNewest_data()
    {
        QTest::addColumn<int>("capacity");
        QTest::addColumn<int>("transmits");
        QTest::addColumn<int>("kept");
        QTest::newRow("not yet full") << 10000 << 9999 << 9999;
        QTest::newRow("just full") << 10000 << 10000 << 10000;
        QTest::newRow("one over") << 10000 << 10001 << 10000;
        QTest::newRow("round more than twice") << 10000 << 25003 << 10000;
        QTest::newRow("a ring of one") << 1 << 3 << 1;
    }
    void keepsExactlyTheNewest()
    {
        QFETCH(int, capacity);
        QFETCH(int, transmits);
        QFETCH(int, kept);
        ExchangeRing ring(capacity);
        for (int i = 0; i < transmits; ++i) {
            ring.transmit(T0 + i, Status, frameOf(i), true);
            ring.receive(T0 + i, "00\r");
        }
        QCOMPARE(ring.size(), kept);
        QCOMPARE(ring.firstSequence(), quint64(transmits - kept));
        QCOMPARE(ring.endSequence(), quint64(transmits));
        for (int i : {0, kept / 2, kept - 1}) {
            const ExchangeRecord &record = ring.at(i);
            QCOMPARE(record.sequence, quint64(transmits - kept + i));
            QCOMPARE(record.frame(), frameOf(transmits - kept + i));
            QCOMPARE(record.reply(), "00\r");
            QCOMPARE(ring.bySequence(record.sequence), &record);
        }
        QCOMPARE(ring.bySequence(ring.firstSequence() - 1), nullptr);
        QCOMPARE(ring.bySequence(ring.endSequence()), nullptr);
    }

    void whatArrivesGoesToTheNewestExchangeWithinItsBounds_data()
    {
        QTest::addColumn<Chunks>("chunks");
        QTest::addColumn<QList<int>>("eventEnds");
        QTest::addColumn<int>("merged");
        QTest::addColumn<int>("dropped");

        const int bytes = ExchangeRing::KeptReplyBytes;
        const int events = int(ExchangeRing::KeptReceiveEvents);
        QList<int> eachByte;
        for (int i = 1; i <= events; ++i)
            eachByte << i;
        QList<int> eachByteLastTaller = eachByte;
        eachByteLastTaller.last() = events + 4;

        QTest::newRow("one piece") << Chunks{"00\r"} << QList<int>{3} << 0 << 0;
        QTest::newRow("two pieces") << Chunks{"0", "0\r"} << QList<int>{1, 3} << 0 << 0;
        QTest::newRow("an empty read is no event") << Chunks{"", "0"} << QList<int>{1} << 0 << 0;
        QTest::newRow("as many events as kept") << Chunks(events, "x") << eachByte << 0 << 0;
        QTest::newRow("later events fold into the last") << Chunks(events + 4, "x") << eachByteLastTaller << 4 << 0;
        QTest::newRow("a flood in one piece") << Chunks{QByteArray(bytes + 100, 'A')} << QList<int>{bytes} << 0 << 100;
        QTest::newRow("a flood after the bytes are full")
            << Chunks{QByteArray(bytes, 'A'), "BB", "C"} << QList<int>{bytes} << 2 << 3;
    }
    void whatArrivesGoesToTheNewestExchangeWithinItsBounds()
    {
        QFETCH(Chunks, chunks);
        QFETCH(QList<int>, eventEnds);
        QFETCH(int, merged);
        QFETCH(int, dropped);
        ExchangeRing ring;
        ring.transmit(T0, Status, "CR0\r", true);
        QByteArray all;
        for (qsizetype i = 0; i < chunks.size(); ++i) {
            ring.receive(T0 + 1 + i, chunks[i]);
            all += chunks[i];
        }
        QCOMPARE(ring.size(), 1);
        const ExchangeRecord &record = ring.at(0);
        QList<int> ends;
        for (const ReceiveEvent &event : record.events)
            ends << event.end;
        QCOMPARE(ends, eventEnds);
        QCOMPARE(record.mergedEvents, merged);
        QCOMPARE(record.droppedBytes, dropped);
        QCOMPARE(record.reply(), all.first(all.size() - dropped));
        QCOMPARE(record.frame(), "CR0\r");
    }

    void bytesWithNoTransmitMakeARecordWithoutAFrame()
    {
        ExchangeRing ring;
        ring.receive(T0, "\x06");
        ring.replyWindowClosed(T0 + 5, false);  // no frame, so no window to close
        QCOMPARE(ring.size(), 1);
        QVERIFY(!ring.at(0).hasFrame);
        QCOMPARE(ring.at(0).replyWindow, ReplyWindow::Open);
        QCOMPARE(LogRows::all(ring), (QList<LogRow>{{T0, Direction::Receive, "\x06", {}, {}}}));

        // A clear ends the exchange in progress: what arrives next starts afresh.
        ring.transmit(T0 + 10, Status, "CR0\r", true);
        const quint64 generation = ring.generation();
        ring.clear();
        QVERIFY(ring.isEmpty());
        QVERIFY(ring.generation() != generation);
        ring.statusWritten(QStringLiteral(" Power ON"));
        ring.receive(T0 + 20, "00\r");
        QCOMPARE(ring.size(), 1);
        QVERIFY(!ring.at(0).hasFrame);
        QCOMPARE(ring.at(0).events.first().status, QString());
    }

    void theReplyWindowClosesOnce_data()
    {
        QTest::addColumn<Chunks>("before");
        QTest::addColumn<bool>("replied");
        QTest::addColumn<int>("window");
        QTest::newRow("nothing came") << Chunks{} << false << int(ReplyWindow::NoReply);
        QTest::newRow("a reply came") << Chunks{"00\r"} << true << int(ReplyWindow::Replied);
        QTest::newRow("an empty read") << Chunks{""} << true << int(ReplyWindow::Replied);
        // A receive event is a reply whatever the exchange thought.
        QTest::newRow("bytes but no flag") << Chunks{"0"} << false << int(ReplyWindow::Replied);
    }
    void theReplyWindowClosesOnce()
    {
        QFETCH(Chunks, before);
        QFETCH(bool, replied);
        QFETCH(int, window);
        ExchangeRing ring;
        ring.transmit(T0, Status, "CR0\r", true);
        for (const QByteArray &chunk : before)
            ring.receive(T0 + 1, chunk);
        ring.replyWindowClosed(T0 + 1000, replied);
        ring.replyWindowClosed(T0 + 2000, !replied);
        QCOMPARE(int(ring.at(0).replyWindow), window);
        QCOMPARE(ring.at(0).closedAtMs, T0 + 1000);
    }

    void aPortEventIsARecordOfItsOwnThatEndsTheExchange()
    {
        ExchangeRing ring(4);
        ring.transmit(T0, Status, "CR0\r", true);
        ring.portEvent(T0 + 1, PortEvent::Lost, QStringLiteral("lost: gone"));
        // The exchange before it is over: its window no longer closes, and
        // what arrives next starts afresh.
        ring.replyWindowClosed(T0 + 2, false);
        ring.receive(T0 + 3, "00\r");
        ring.portEvent(T0 + 4, PortEvent::Reopened, QString(500, u'x'));
        QCOMPARE(int(ring.at(0).replyWindow), int(ReplyWindow::Open));
        QCOMPARE(LogRows::all(ring), (QList<LogRow>{{T0, Direction::Transmit, "CR0\r", {}, "Status"},
                                                    {T0 + 1, Direction::Port, {}, {}, "lost: gone"},
                                                    {T0 + 3, Direction::Receive, "00\r", {}, {}},
                                                    {T0 + 4, Direction::Port, {}, {}, QString(200, u'x')}}));
        // They count against the ring's bound like any record.
        ring.portEvent(T0 + 5, PortEvent::Closed, QStringLiteral("closed by COM"));
        QCOMPARE(ring.size(), 4);
        QCOMPARE(ring.at(0).portEvent, PortEvent::Lost);
    }

    // The plain cases are in anExchangeGivesItsRowsInOrder.
    void aFramesReplyTimeRunsToTheLastByteOfItsReply_data()
    {
        QTest::addColumn<Chunks>("chunks");  // one a millisecond after the frame
        QTest::addColumn<int>("windowClosesAt");
        QTest::addColumn<int>("replyMs");
        QTest::newRow("bytes after the window closed") << Chunks{"00\r", "x", "y"} << 2 << 1;
        QTest::newRow("events folded, bytes not kept") << Chunks(20, QByteArray(15, 'z')) << 100 << 20;
    }
    void aFramesReplyTimeRunsToTheLastByteOfItsReply()
    {
        QFETCH(Chunks, chunks);
        QFETCH(int, windowClosesAt);
        QFETCH(int, replyMs);
        ExchangeRing ring;
        ring.transmit(T0, Status, "CR0\r", true);
        for (int i = 1; i <= chunks.size(); ++i) {
            if (i == windowClosesAt)
                ring.replyWindowClosed(T0 + i, true);
            ring.receive(T0 + i, chunks[i - 1]);
        }
        QCOMPARE(LogRows::all(ring).first().replyMs, replyMs);
    }

    // Refusals, silences and two ACKs are shown by the filter in tst_exchangelogmodel.
    void howAnExchangeWent_data()
    {
        using O = ExchangeOutcome::Outcome;
        QTest::addColumn<QByteArray>("frame");  // empty: bytes nobody asked for
        QTest::addColumn<Chunks>("chunks");
        QTest::addColumn<QString>("status");    // written by the last receive event
        QTest::addColumn<bool>("windowCloses");
        QTest::addColumn<int>("outcome");
        const QByteArray status = "CR0\r", lampHours = "CR LAMPH\r", on = "C00\r";
        QTest::newRow("a status read") << status << Chunks{"0", "0\r"} << " Power ON" << true << int(O::Answered);
        QTest::newRow("a status it cannot read") << status << Chunks{"99\r"} << "" << true << int(O::Unexpected);
        QTest::newRow("a read not interpreted") << lampHours << Chunks{"00123\r"} << "" << true << int(O::Answered);
        QTest::newRow("a read without its CR") << lampHours << Chunks{"00123"} << "" << true << int(O::Unexpected);
        QTest::newRow("noise after a read") << lampHours << Chunks{"00123\r", "\x80"} << "" << true << int(O::Unexpected);
        QTest::newRow("a command taken") << on << Chunks{"\x06"} << "" << true << int(O::Answered);
        QTest::newRow("a read refused in pieces") << status << Chunks{"?", "\r"} << "" << true << int(O::Refused);
        QTest::newRow("more than a record keeps")
            << on << Chunks{QByteArray(ExchangeRing::KeptReplyBytes + 1, '\x06')} << "" << true << int(O::Unexpected);
        QTest::newRow("nothing yet") << on << Chunks{} << "" << false << int(O::Pending);
        QTest::newRow("bytes nobody asked for") << QByteArray() << Chunks{"\x06"} << "" << false << int(O::Unexpected);
    }
    void howAnExchangeWent()
    {
        QFETCH(QByteArray, frame);
        QFETCH(Chunks, chunks);
        QFETCH(QString, status);
        QFETCH(bool, windowCloses);
        QFETCH(int, outcome);
        ExchangeRing ring;
        if (!frame.isEmpty())
            ring.transmit(T0, Status, frame, true);
        for (const QByteArray &chunk : chunks)
            ring.receive(T0 + 1, chunk);
        if (!status.isEmpty())
            ring.statusWritten(status);
        if (windowCloses)
            ring.replyWindowClosed(T0 + 1000, !chunks.isEmpty());
        QCOMPARE(int(ExchangeOutcome::of(ring.at(0))), outcome);
        ring.portEvent(T0 + 2000, PortEvent::Opened, QStringLiteral("opened"));
        QCOMPARE(ExchangeOutcome::of(ring.at(1)), ExchangeOutcome::Outcome::NotAnExchange);
    }

    // --- rows --------------------------------------------------------------------

    void anExchangeGivesItsRowsInOrder_data()
    {
        QTest::addColumn<TransmitOrigin>("origin");
        QTest::addColumn<bool>("written");
        QTest::addColumn<Chunks>("chunks");
        QTest::addColumn<QString>("status");  // written by the last receive event
        QTest::addColumn<bool>("replyWindowCloses");
        QTest::addColumn<QList<LogRow>>("rows");

        const TransmitOrigin none;
        QTest::newRow("status reply in two pieces")
            << Status << true << Chunks{"8", "0\r"} << " Stand by" << true
            << QList<LogRow>{{T0, Direction::Transmit, "CR0\r", {}, "Status", 2},
                             {T0 + 1, Direction::Receive, "8", {}, {}},
                             {T0 + 2, Direction::Receive, "0\r", " Stand by", {}}};
        QTest::newRow("no reply") << Status << true << Chunks{} << "" << true
                                  << QList<LogRow>{{T0, Direction::Transmit, "CR0\r", {}, "Status"},
                                                   {T0 + 1000, Direction::NoReply, {}, {}, {}}};
        QTest::newRow("a late reply after the mark")
            << none << true << Chunks{"00\r"} << "" << false
            << QList<LogRow>{{T0, Direction::Transmit, "CR0\r", {}, {}, 1}, {T0 + 1, Direction::Receive, "00\r", {}, {}}};
        QTest::newRow("port closed") << TransmitOrigin::commandList() << false << Chunks{} << "" << false
                                     << QList<LogRow>{{T0, Direction::Transmit, "CR0\r", {},
                                                       "Command list: CR0; not sent: the port is closed"}};
        QTest::newRow("hold press") << hold(TransmitOrigin::Kind::HoldPress) << true << Chunks{"\x06"} << "" << false
                                    << QList<LogRow>{{T0, Direction::Transmit, "CR0\r", {}, "Bright up (held)", 1},
                                                     {T0 + 1, Direction::Receive, "\x06", {}, {}}};
        QTest::newRow("a repeat, a caption over two lines")
            << TransmitOrigin::hold(TransmitOrigin::Kind::HoldRepeat, "Bright\nup", "Command30") << true << Chunks{}
            << "" << false
            << QList<LogRow>{{T0, Direction::Transmit, "CR0\r", {}, "Bright up (repeat)"}};
        QTest::newRow("what a record could not keep")
            << Status << true << Chunks(ExchangeRing::KeptReceiveEvents + 4, QByteArray(15, 'z')) << "" << false
            << QList<LogRow>{};  // checked below
    }
    void anExchangeGivesItsRowsInOrder()
    {
        QFETCH(TransmitOrigin, origin);
        QFETCH(bool, written);
        QFETCH(Chunks, chunks);
        QFETCH(QString, status);
        QFETCH(bool, replyWindowCloses);
        QFETCH(QList<LogRow>, rows);
        ExchangeRing ring;
        ring.transmit(T0, origin, "CR0\r", written);
        if (chunks.isEmpty() && replyWindowCloses)
            ring.replyWindowClosed(T0 + 1000, false);
        for (qsizetype i = 0; i < chunks.size(); ++i)
            ring.receive(T0 + 1 + i, chunks[i]);
        if (!status.isEmpty())
            ring.statusWritten(status);
        if (!chunks.isEmpty() && replyWindowCloses)
            ring.replyWindowClosed(T0 + 1000, true);

        const QList<LogRow> all = LogRows::all(ring);
        QCOMPARE(all.size(), LogRows::rowCount(ring.at(0)));
        if (!rows.isEmpty()) {
            QCOMPARE(all, rows);
            return;
        }
        // 20 events of 15 bytes: 16 kept, the other 4 folded into the last,
        // which takes bytes until the record holds 256; 44 are left out.
        QCOMPARE(all.size(), 1 + ExchangeRing::KeptReceiveEvents);
        QCOMPARE(all.last().bytes.size(), ExchangeRing::KeptReplyBytes - 15 * 15);
        QCOMPARE(all.last().details, QStringLiteral("with 4 later receive events; 44 more bytes not kept"));
        QCOMPARE(all[all.size() - 2].details, QString());
    }

    void aRowShowsTheMonitorsRendering()
    {
        const LogRow frame{T0, Direction::Transmit, "C00\r", {}, {}};
        QCOMPARE(frame.text(), QStringLiteral(" C 0 0  [CR] "));
        const LogRow mark{T0, Direction::NoReply, {}, {}, {}};
        QCOMPARE(mark.text(), QStringLiteral(" X X X X"));
        const QByteArray odd("\x06 {\x80\n", 5);
        QCOMPARE(LogRow({T0, Direction::Receive, odd, {}, {}}).text(), MonitorRendering::render(odd));
    }

    // The panel's own buttons are named in tst_exchangelog.
    void anOriginIsNamedAsOnThePanel_data()
    {
        QTest::addColumn<TransmitOrigin>("origin");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("name");
        QTest::newRow("a caption that is its group's title")
            << TransmitOrigin::button("Video", "Command12", "Video") << QByteArray("C07\r") << "Video";
        QTest::newRow("the command list, a control character")
            << TransmitOrigin::commandList() << QByteArray("A\x01\r") << "Command list: A\\x01";
    }
    void anOriginIsNamedAsOnThePanel()
    {
        QFETCH(TransmitOrigin, origin);
        QFETCH(QByteArray, frame);
        QFETCH(QString, name);
        QCOMPARE(LogRows::describe(origin, frame), name);
    }

    void rawTextEscapesWhatIsNotPrintable_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("raw");
        QTest::newRow("ACK, NUL") << QByteArray("\x06\0", 2) << "\\x06\\x00";
        QTest::newRow("CR, LF, tab, backslash, space") << QByteArray("\r\n\t\\ ") << "\\r\\n\\t\\\\ ";
        QTest::newRow("DEL and above") << QByteArray("~\x7F\xFF") << "~\\x7F\\xFF";
    }
    void rawTextEscapesWhatIsNotPrintable()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, raw);
        QCOMPARE(LogRows::rawText(bytes), raw);
    }

    // --- hold groups ---------------------------------------------------------------

    void aHoldsFramesGoTogether_data()
    {
        using K = TransmitOrigin::Kind;
        QTest::addColumn<QList<TransmitOrigin>>("origins");
        QTest::addColumn<QList<HoldGrouping::Group>>("groups");
        const TransmitOrigin press = hold(K::HoldPress);
        const TransmitOrigin repeat = hold(K::HoldRepeat);
        QTest::newRow("one-shots stay single") << QList<TransmitOrigin>{Status, Status}
                                               << QList<HoldGrouping::Group>{{0, 1, false}, {1, 1, false}};
        QTest::newRow("a press and its repeats") << QList<TransmitOrigin>{Status, press, repeat, repeat, Status}
                                                 << QList<HoldGrouping::Group>{{0, 1, false}, {1, 3, true}, {4, 1, false}};
        QTest::newRow("a short press is a group of one") << QList<TransmitOrigin>{press}
                                                         << QList<HoldGrouping::Group>{{0, 1, true}};
        QTest::newRow("two holds of one button") << QList<TransmitOrigin>{press, repeat, press, repeat}
                                                 << QList<HoldGrouping::Group>{{0, 2, true}, {2, 2, true}};
        QTest::newRow("another button's repeat")
            << QList<TransmitOrigin>{press, hold(K::HoldRepeat, "Command42")}
            << QList<HoldGrouping::Group>{{0, 1, true}, {1, 1, true}};
        QTest::newRow("repeats whose press has gone") << QList<TransmitOrigin>{repeat, repeat}
                                                      << QList<HoldGrouping::Group>{{0, 2, true}};
        QTest::newRow("the command list between")
            << QList<TransmitOrigin>{press, TransmitOrigin::commandList(), repeat}
            << QList<HoldGrouping::Group>{{0, 1, true}, {1, 1, false}, {2, 1, true}};
    }
    void aHoldsFramesGoTogether()
    {
        QFETCH(QList<TransmitOrigin>, origins);
        QFETCH(QList<HoldGrouping::Group>, groups);
        ExchangeRing ring;
        for (const TransmitOrigin &origin : origins)
            ring.transmit(T0, origin, "C20\r", true);
        QCOMPARE(HoldGrouping::groups(ring), groups);
    }

    void aGroupSaysFirstCountAndLast()
    {
        const QString first = LogRows::clockTime(T0);
        const QString last = LogRows::clockTime(T0 + 900);
        QCOMPARE(HoldGrouping::summary(hold(TransmitOrigin::Kind::HoldRepeat), 10, T0, T0 + 900),
                 QStringLiteral("Bright up held: 10 frames, %1 to %2").arg(first, last));
        QVERIFY(HoldGrouping::summary(hold(TransmitOrigin::Kind::HoldPress), 1, T0, T0).contains(u": 1 frame, "));
    }

    // --- files ----------------------------------------------------------------------

    void bothFormsReadBackToTheSameRows_data()
    {
        QTest::addColumn<QList<LogRow>>("rows");
        QTest::newRow("nothing") << QList<LogRow>{};
        QTest::newRow("a status exchange")
            << QList<LogRow>{{T0, Direction::Transmit, "CR0\r", {}, "Status", 7},
                             {T0 + 7, Direction::Receive, "80\r", " Stand by", {}},
                             {T0 + 1000, Direction::NoReply, {}, {}, {}}};
        QTest::newRow("the port's life")
            << QList<LogRow>{{T0, Direction::Port, {}, {}, "opened COM1 (/dev/ttyS0) at 9600 baud"},
                             {T0 + 5, Direction::Port, {}, {}, "lost: the device went away"}};
        QByteArray everyByte;
        for (int b = 0; b < 256; ++b)
            everyByte += char(b);
        QTest::newRow("every byte") << QList<LogRow>{{T0, Direction::Receive, everyByte, {}, {}}};
        QTest::newRow("separators and escapes in the texts")
            << QList<LogRow>{{T0, Direction::Receive, "x", "a,b \"c\"\t\\t", "line\nbreak\r\\"},
                             {T0 + 1, Direction::Transmit, "", "", "\"\""}};
        QTest::newRow("before the epoch, to the millisecond")
            << QList<LogRow>{{-123'456, Direction::Receive, "1", {}, {}}};
    }
    void bothFormsReadBackToTheSameRows()
    {
        QFETCH(QList<LogRow>, rows);
        for (auto format : {LogFile::Format::Text, LogFile::Format::Csv}) {
            QBuffer buffer;
            QVERIFY(buffer.open(QIODevice::ReadWrite));
            LogFile::write(buffer, rows, format);
            // One line a row after the header block.
            if (format == LogFile::Format::Text) {
                const QList<QByteArray> lines = buffer.data().split('\n');
                QCOMPARE(std::count_if(lines.cbegin(), lines.cend(),
                                       [](const QByteArray &line) { return !line.isEmpty() && !line.startsWith('#'); }),
                         rows.size());
                for (const LogRow &row : rows)
                    QVERIFY(buffer.data().contains(row.bytes.toHex(' ').toUpper()));
            }
            buffer.seek(0);
            const LogFile::Reading reading = LogFile::read(buffer);
            QVERIFY2(reading.ok(), qPrintable(reading.error));
            QCOMPARE(reading.rows, rows);
        }
    }

    void aTextFileSaysWhereItCameFromAndReadsBackWithoutIt()
    {
        const QList<LogRow> rows{{T0, Direction::Transmit, "CR0\r", {}, "Status", 12},
                                 {T0 + 12, Direction::Receive, "00\r", " Power ON", {}}};
        QBuffer buffer;
        QVERIFY(buffer.open(QIODevice::ReadWrite));
        LogFile::write(buffer, rows, LogFile::Format::Text, {QStringLiteral("COM1 (/dev/ttyS0) at 9600 baud"), 1});
        const QStringList lines = QString::fromUtf8(buffer.data()).split(u'\n');
        QVERIFY2(QRegularExpression(u"^# program: rm740-control \\d+\\.\\d+\\.\\d+$"_qs).match(lines[1]).hasMatch(),
                 qPrintable(lines[1]));
        QCOMPARE(lines.mid(2, 5), (QStringList{"# port: COM1 (/dev/ttyS0) at 9600 baud", "# from: " + LogFile::timeStamp(T0),
                                               "# to: " + LogFile::timeStamp(T0 + 12), "# exchanges: 1",
                                               "# time\tdirection\ttext\tstatus\tdetails\tbytes\treply ms"}));
        buffer.seek(0);
        QCOMPARE(LogFile::read(buffer).rows, rows);
        // Copy gives the same lines, and the bytes in hex a line each.
        QCOMPARE(LogFile::lines(rows), lines.mid(7).join(u'\n'));
        QCOMPARE(LogFile::hexLines(rows + QList<LogRow>{{T0, Direction::NoReply, {}, {}, {}}}),
                 QStringLiteral("43 52 30 0D\n30 30 0D\n"));
    }

    void theCsvHasOneHeaderRowTheRawTextAndTheReplyTime()
    {
        QBuffer buffer;
        QVERIFY(buffer.open(QIODevice::ReadWrite));
        LogFile::write(buffer, {{T0, Direction::Transmit, "CR0\r", {}, "Status", 12}}, LogFile::Format::Csv, {"COM1", 1});
        const QList<QByteArray> lines = buffer.data().split('\n');
        QCOMPARE(lines.size(), 3);  // the header row, the row, nothing after the last line break
        QCOMPARE(lines[0], "time,direction,text,status,details,bytes,raw,reply_ms\r");
        QVERIFY2(lines[1].endsWith(",\"43 52 30 0D\",\"CR0\\r\",\"12\"\r"), lines[1].constData());
    }

    void filesOfTheEarlierSixColumnsStillRead_data()
    {
        QTest::addColumn<QByteArray>("contents");
        const QByteArray time = LogFile::timeStamp(T0).toUtf8();
        QTest::newRow("text") << "# rm740-control exchange log\n" + time + "\tTxD\t C R 0  [CR] \t\tStatus\t43 52 30 0D\n";
        QTest::newRow("csv") << "time,direction,text,status,details,bytes\r\n\"" + time
                + "\",\"TxD\",\" C R 0  [CR] \",\"\",\"Status\",\"43 52 30 0D\"\r\n";
    }
    void filesOfTheEarlierSixColumnsStillRead()
    {
        QFETCH(QByteArray, contents);
        QBuffer buffer(&contents);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QCOMPARE(LogFile::read(buffer).rows, (QList<LogRow>{{T0, Direction::Transmit, "CR0\r", {}, "Status"}}));
    }

    void aSaveProposesANameOfItsMinute()
    {
        const QDateTime at(QDate(2026, 12, 7), QTime(9, 5, 59));
        QCOMPARE(LogFile::proposedName(at, LogFile::Format::Text), QStringLiteral("rm740-log-20261207-0905.txt"));
        QCOMPARE(LogFile::proposedName(at.addSecs(1), LogFile::Format::Csv), QStringLiteral("rm740-log-20261207-0906.csv"));
    }

    void savingWritesTheFormatItsNameAsksFor_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("firstLine");
        QTest::newRow("txt") << "log.txt" << QByteArray("# rm740-control exchange log");
        QTest::newRow("csv") << "log.csv" << QByteArray("time,direction,text,status,details,bytes,raw,reply_ms");
        QTest::newRow("CSV") << "LOG.CSV" << QByteArray("time,direction,text,status,details,bytes,raw,reply_ms");
        QTest::newRow("anything else") << "log.dat" << QByteArray("# rm740-control exchange log");
    }
    void savingWritesTheFormatItsNameAsksFor()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, firstLine);
        QTemporaryDir folder;
        const QString path = folder.filePath(name);
        const QList<LogRow> rows{{T0, Direction::Transmit, "C00\r", {}, "Power On"}};
        QCOMPARE(LogFile::save(path, rows, LogFile::formatFor(path)), std::nullopt);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readLine().trimmed(), firstLine);
        QCOMPARE(LogFile::load(path).rows, rows);
    }

    void savingWhereNothingCanBeWrittenSaysWhy()
    {
        QTemporaryDir folder;
        const auto error = LogFile::save(folder.filePath("missing/log.txt"), {}, LogFile::Format::Text);
        QVERIFY(error && !error->isEmpty());
        QVERIFY(!LogFile::load(folder.filePath("missing/log.txt")).ok());
    }

    void aDamagedFileIsRefused_data()
    {
        QTest::addColumn<QByteArray>("contents");
        const QByteArray text = "# rm740-control exchange log\n";
        const QByteArray csv = "time,direction,text,status,details,bytes\r\n";
        const QByteArray time = "2026-12-07 12:00:01.250 +01:00";
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("another file") << QByteArray("hello\n");
        QTest::newRow("too few fields") << text + time + "\tTxD\t C \t\t\n";
        QTest::newRow("no such direction") << text + time + "\tTX\t C \t\t\t43\n";
        QTest::newRow("text and bytes differ") << text + time + "\tTxD\t D \t\t\t43\n";
        QTest::newRow("odd hex") << text + time + "\tTxD\t C \t\t\t4\n";
        QTest::newRow("not hex") << text + time + "\tTxD\t ? \t\t\tZZ\n";
        QTest::newRow("broken escape") << text + time + "\tTxD\t C \t\\x\t\t43\n";
        QTest::newRow("bad time") << text + "2026-13-07 12:00:01.250 +01:00\tTxD\t C \t\t\t43\n";
        QTest::newRow("no such offset") << text + "2026-12-07 12:00:01.250 +15:00\tTxD\t C \t\t\t43\n";
        QTest::newRow("time without offset") << text + "2026-12-07 12:00:01.250\tTxD\t C \t\t\t43\n";
        QTest::newRow("open quote") << csv + "\"" + time + "\",\"TxD\",\" C \",\"\",\"\",\"43\r\n";
        QTest::newRow("reply time not a number") << text + time + "\tTxD\t C \t\t\t43\tsoon\n";
        QTest::newRow("reply time below zero") << text + time + "\tTxD\t C \t\t\t43\t-5\n";
        QTest::newRow("raw text and bytes differ")
            << "time,direction,text,status,details,bytes,raw,reply_ms\r\n\"" + time
                + "\",\"TxD\",\" C \",\"\",\"\",\"43\",\"D\",\"\"\r\n";
        QTest::newRow("a new CSV row of six") << "time,direction,text,status,details,bytes,raw,reply_ms\r\n\"" + time
                + "\",\"TxD\",\" C \",\"\",\"\",\"43\"\r\n";
    }
    void aDamagedFileIsRefused()
    {
        QFETCH(QByteArray, contents);
        QBuffer buffer(&contents);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QVERIFY(!LogFile::read(buffer).ok());
    }

    void timeStampsAreExact_data()
    {
        QTest::addColumn<QString>("stamp");
        QTest::addColumn<qint64>("utcMs");
        const qint64 noonUtc = QDateTime(QDate(2026, 12, 7), QTime(12, 0, 1, 250), Qt::UTC).toMSecsSinceEpoch();
        QTest::newRow("UTC") << "2026-12-07 12:00:01.250 +00:00" << noonUtc;
        QTest::newRow("east") << "2026-12-07 13:00:01.250 +01:00" << noonUtc;
        QTest::newRow("west, half hours") << "2026-12-07 08:30:01.250 -03:30" << noonUtc;
    }
    void timeStampsAreExact()
    {
        QFETCH(QString, stamp);
        QFETCH(qint64, utcMs);
        QCOMPARE(LogFile::parseTimeStamp(stamp), std::optional<qint64>(utcMs));
        QCOMPARE(LogFile::parseTimeStamp(LogFile::timeStamp(utcMs)), std::optional<qint64>(utcMs));
    }
};

QTEST_GUILESS_MAIN(ExchangeRingTest)
#include "tst_exchangering.moc"
