// ProjectorService on a fake projector's pseudo-terminal: the queue's order
// and what a front is told when the line is silent.

#include "bridge/projector/projectorservice.h"
#include "support/fakeprojector.h"

#include <QTest>

#include <memory>

using ProjectorReadings::Reading;

class ProjectorServiceTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(FakeProjector::openFresh(m_projector));
    }

    void cleanup()
    {
        m_service.reset();
        m_projector.reset();
    }

    // The poll starts at the port's opening; a front's frame is the next on
    // the line, not the poll's four others.
    void aFrontGoesBeforeThePolling_data()
    {
        QTest::addColumn<bool>("set");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("set") << true << QByteArray("C0D\r");
        QTest::newRow("query") << false << QByteArray("CR6\r");
    }
    void aFrontGoesBeforeThePolling()
    {
        QFETCH(bool, set);
        serve(std::chrono::seconds(60));
        if (set)
            m_service->perform({ProjectorActions::videoMute(true)}, ProjectorService::Origin::Pjlink, this,
                               [](ActionOutcome) {});
        else
            m_service->refresh({Reading::Temperatures}, ProjectorService::Origin::Web, this, [] {});
        QTRY_VERIFY(m_projector->frames().size() >= 2);
        QCOMPARE(m_projector->frames().first(), QByteArray("CR0\r"));
        QTEST(m_projector->frames().at(1), "frame");
    }

    // Once a frame went unanswered, a query is answered at once from what is
    // known (nothing), and a set within one reply window: the read asking
    // whether the projector is back gives way, the set's frame goes out and
    // is answered before its own window closes.
    void aSilentProjectorIsAnsweredInTime()
    {
        serve(std::chrono::milliseconds(0));
        bool read = false;
        m_service->refresh({Reading::Status}, ProjectorService::Origin::Pjlink, this, [&read] { read = true; });
        QTRY_VERIFY(read);
        QVERIFY(!m_service->isAnswering());
        QVERIFY(!m_service->state().status());

        read = false;
        m_service->refresh({Reading::Status}, ProjectorService::Origin::Pjlink, this, [&read] { read = true; });
        QVERIFY(read);

        bool setExchanged = false;
        connect(m_service.get(), &ProjectorService::exchangeFinished, this,
                [&setExchanged](const ExchangeResult &result) { setExchanged |= result.sent == "C0B\r"; });
        std::optional<ActionOutcome> outcome;
        bool setExchangedThen = true;
        m_service->perform({ProjectorActions::audioMute(true)}, ProjectorService::Origin::Pjlink, this,
                           [&](ActionOutcome o) { outcome = o; setExchangedThen = setExchanged; });
        QTRY_VERIFY(outcome);
        QCOMPARE(*outcome, ActionOutcome::Failed);
        QVERIFY(!setExchangedThen);
        QTRY_VERIFY(setExchanged);
    }

    // The poll is a minute away; the status is read each second meanwhile.
    void thePowerIsFollowedThroughItsChange_data()
    {
        QTest::addColumn<int>("warmUpMs");
        QTest::addColumn<QList<bool>>("powerOn");
        QTest::addColumn<int>("power");
        using P = ReadReplies::Power;
        QTest::newRow("warm-up") << 1500 << QList<bool>{true} << int(P::On);
        QTest::newRow("cool-down") << 0 << QList<bool>{true, false} << int(P::Standby);
    }
    void thePowerIsFollowedThroughItsChange()
    {
        QFETCH(int, warmUpMs);
        QFETCH(QList<bool>, powerOn);
        QFETCH(int, power);
        m_projector->emulateProjector({std::chrono::milliseconds(warmUpMs), std::chrono::milliseconds(1500)});
        serve(std::chrono::seconds(60));
        int done = 0;
        for (const bool on : powerOn) {
            m_service->perform({on ? ProjectorActions::powerOn() : ProjectorActions::powerOff()},
                               ProjectorService::Origin::Pjlink, this, [&done](ActionOutcome) { ++done; });
            QTRY_COMPARE(done, 1);
            done = 0;
        }
        QTRY_VERIFY(ProjectorActions::powerIsChanging(m_service->state()));
        const auto powerNow = [this] {
            const auto status = m_service->state().status();
            return status ? int(status->power) : -1;
        };
        QTRY_COMPARE_WITH_TIMEOUT(powerNow(), power, 4000);
    }

private:
    void serve(std::chrono::milliseconds pollInterval)
    {
        ProjectorService::Settings settings;
        settings.name = QStringLiteral("test");
        settings.port = SessionPort{QStringLiteral("fake"), 0, m_projector->devicePath()};
        settings.serialParameters = QStringLiteral("19200,N,8,1");
        settings.replyTimeout = std::chrono::milliseconds(300);
        settings.pollInterval = pollInterval;
        m_service = std::make_unique<ProjectorService>(settings);
        m_service->start();
        QVERIFY(m_service->isPortOpen());
    }

    std::unique_ptr<FakeProjector> m_projector;
    std::unique_ptr<ProjectorService> m_service;
};

QTEST_GUILESS_MAIN(ProjectorServiceTest)
#include "tst_projectorservice.moc"
