// The exchange log's rows as a view gets them, from a log filled by hand:
// the filter over them and what a selection copies. The columns are read in
// tst_exchangelog, from a log the real program made.

#include "logwindow/exchangelogfiltermodel.h"
#include "logwindow/exchangelogmodel.h"
#include "logwindow/exchangerecorder.h"
#include "logwindow/logcounts.h"
#include "log/exchangering.h"

#include <QTest>

#include <memory>

using Offsets = QList<qint64>;  // rows' times, in ms after T0
using Places = QList<QPoint>;   // (top-level row, row within it or -1)

namespace {

constexpr qint64 T0 = 1'796'000'000'000;

// An afternoon in brief: the port opens, a status read, a refused Power Off,
// an Audio Mute On with no reply, a hold with a refused repeat, an odd reply
// to the command list, and the device goes.
void fill(ExchangeRing &ring)
{
    using K = TransmitOrigin::Kind;
    const auto exchange = [&ring](qint64 at, const TransmitOrigin &origin, const QByteArray &frame,
                                  const QByteArray &reply, const QString &status, bool closes) {
        ring.transmit(T0 + at, origin, frame, true);
        if (!reply.isEmpty())
            ring.receive(T0 + at + 5, reply);
        if (!status.isEmpty())
            ring.statusWritten(status);
        if (closes)
            ring.replyWindowClosed(T0 + at + 500, !reply.isEmpty());
    };
    const TransmitOrigin press = TransmitOrigin::hold(K::HoldPress, "Volume up", "Command1");
    const TransmitOrigin repeat = TransmitOrigin::hold(K::HoldRepeat, "Volume up", "Command1");
    ring.portEvent(T0, PortEvent::Opened, QStringLiteral("opened COM1 (/dev/ttyS0) at 9600 baud"));
    exchange(1000, TransmitOrigin::button("Status", "Command44"), "CR0\r", "00\r", QStringLiteral(" Power ON"), true);
    exchange(2000, TransmitOrigin::button("Off", "Command18", "Power"), "C01\r", "?\r", {}, true);
    exchange(3000, TransmitOrigin::button("On", "Command19", "Audio Mute"), "C0B\r", {}, {}, true);
    exchange(4000, press, "C09\r", "\x06", {}, false);
    exchange(4100, repeat, "C09\r", "?\r", {}, false);
    exchange(4200, repeat, "C09\r", "\x06", {}, true);
    exchange(5000, TransmitOrigin::commandList(), "CF BRIGHT 050\r", "\x06\x06", {}, true);
    ring.portEvent(T0 + 6000, PortEvent::Lost, QStringLiteral("lost: the device went away"));
}

} // namespace

class ExchangeLogModelTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_recorder = std::make_unique<ExchangeRecorder>();
        fill(m_recorder->ringToFill());
        m_model = std::make_unique<ExchangeLogModel>(*m_recorder);
        m_shown = std::make_unique<ExchangeLogFilterModel>(*m_model);
    }

    // --- the filter ---------------------------------------------------------------------

    void theFilterKeepsWholeExchanges_data()
    {
        using Show = LogFilter::Show;
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("show");
        QTest::addColumn<Offsets>("rows");
        const int all = int(Show::All);
        QTest::newRow("nothing asked") << "" << all
                                       << Offsets{0, 1000, 1005, 2000, 2005, 3000, 3500, 4000, 5000, 5005, 6000};
        QTest::newRow("a status, any case") << "power on" << all << Offsets{1000, 1005};
        QTest::newRow("the raw text") << "c01" << all << Offsets{2000, 2005};
        QTest::newRow("the rendering") << "c 0 b" << all << Offsets{3000, 3500};
        QTest::newRow("the hex bytes, in a hold") << "3F 0D" << all << Offsets{2000, 2005, 4000};
        QTest::newRow("the origin") << "audio mute" << all << Offsets{3000, 3500};
        QTest::newRow("the command list's command") << "bright 050" << all << Offsets{5000, 5005};
        QTest::newRow("the no-reply mark") << "x x x" << all << Offsets{3000, 3500};
        QTest::newRow("the port's words") << "went away" << all << Offsets{6000};
        QTest::newRow("nothing like it") << "nothing like it" << all << Offsets{};
        QTest::newRow("no reply, with the port's rows") << "" << int(Show::NoReply) << Offsets{0, 3000, 3500, 6000};
        QTest::newRow("refused") << "" << int(Show::Refused) << Offsets{0, 2000, 2005, 4000, 6000};
        QTest::newRow("unexpected") << "" << int(Show::Unexpected) << Offsets{0, 5000, 5005, 6000};
        QTest::newRow("a text and a failure") << "mute" << int(Show::NoReply) << Offsets{3000, 3500};
    }
    void theFilterKeepsWholeExchanges()
    {
        QFETCH(QString, text);
        QFETCH(int, show);
        QFETCH(Offsets, rows);
        m_shown->setFilter({text, LogFilter::Show(show)});
        QCOMPARE(shownOffsets(), rows);
        m_shown->setFilter({});
        QCOMPARE(m_shown->rowCount(), m_model->rowCount());
    }

    void rowsThatComeLaterAreFilteredToo()
    {
        m_shown->setFilter({{}, LogFilter::Show::NoReply});
        ExchangeRing &ring = m_recorder->ringToFill();
        ring.transmit(T0 + 7000, TransmitOrigin::button("Status", "Command44"), "CR0\r", true);
        m_model->sync();
        QCOMPARE(shownOffsets().last(), 6000);  // not yet a failure
        ring.replyWindowClosed(T0 + 7500, false);
        m_model->sync();
        // The frame shows too, now that its exchange failed.
        QCOMPARE(shownOffsets().mid(shownOffsets().size() - 2), (Offsets{7000, 7500}));
    }

    // --- copying --------------------------------------------------------------------------

    void aSelectionCopiesItsRowsInOrderOnce_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<Places>("selected");
        QTest::addColumn<Offsets>("rows");
        const Offsets hold{4000, 4005, 4100, 4105, 4200, 4205};
        QTest::newRow("picked out of order") << "" << Places{{5, -1}, {1, -1}} << Offsets{1000, 3000};
        QTest::newRow("a group and one of its rows") << "" << Places{{7, 2}, {7, -1}} << hold;
        QTest::newRow("rows of a group") << "" << Places{{7, 3}, {7, 2}} << Offsets{4100, 4105};
        QTest::newRow("what the filter shows") << "volume" << Places{{0, 4}} << Offsets{4200};
        QTest::newRow("a group, of the frames that match") << "3f 0d" << Places{{2, -1}} << Offsets{4100, 4105};
    }
    void aSelectionCopiesItsRowsInOrderOnce()
    {
        QFETCH(QString, filter);
        QFETCH(Places, selected);
        QFETCH(Offsets, rows);
        m_shown->setFilter({filter, LogFilter::Show::All});
        QModelIndexList indexes;
        for (const QPoint &place : selected) {
            const QModelIndex top = m_shown->index(place.x(), 0);
            indexes << (place.y() < 0 ? top : m_shown->index(place.y(), 0, top));
        }
        QCOMPARE(offsetsOf(m_shown->rowsOf(indexes)), rows);
    }

    // --- the counts beside the filter and above the table ----------------------------------

    void countsTakeTheNounsNumber_data()
    {
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("all");
        QTest::addColumn<bool>("filtered");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("exchanges");  // `all` taken as the exchanges
        QTest::newRow("none") << 0 << 0 << false << "0 rows" << "0 exchanges (the newest 10000 are kept)";
        QTest::newRow("one") << 1 << 1 << false << "1 row" << "1 exchange (the newest 10000 are kept)";
        QTest::newRow("many") << 12 << 12 << false << "12 rows" << "12 exchanges (the newest 10000 are kept)";
        QTest::newRow("filtered, of one") << 0 << 1 << true << "0 of 1 row" << "1 exchange (the newest 10000 are kept)";
        QTest::newRow("filtered, one of many") << 1 << 5 << true << "1 of 5 rows"
                                               << "5 exchanges (the newest 10000 are kept)";
    }
    void countsTakeTheNounsNumber()
    {
        QFETCH(int, shown);
        QFETCH(int, all);
        QFETCH(bool, filtered);
        QFETCH(QString, rows);
        QFETCH(QString, exchanges);
        QCOMPARE(LogCounts::rowsShown(shown, all, filtered), rows);
        QCOMPARE(LogCounts::exchangesKept(all, 10000), exchanges);
    }

private:
    static Offsets offsetsOf(const QList<LogRow> &rows)
    {
        Offsets offsets;
        for (const LogRow &row : rows)
            offsets << row.atMs - T0;
        return offsets;
    }

    Offsets shownOffsets() const
    {
        QList<LogRow> rows;
        for (int row = 0; row < m_shown->rowCount(); ++row)
            rows << m_model->rowAt(m_shown->mapToSource(m_shown->index(row, 0))).value_or(LogRow{});
        return offsetsOf(rows);
    }

    std::unique_ptr<ExchangeRecorder> m_recorder;
    std::unique_ptr<ExchangeLogModel> m_model;
    std::unique_ptr<ExchangeLogFilterModel> m_shown;
};

QTEST_MAIN(ExchangeLogModelTest)
#include "tst_exchangelogmodel.moc"
