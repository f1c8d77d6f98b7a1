#include "schedule/card_schedule.h"

#include <QTest>
#include <limits>

using Event = CardSchedule::Event;

// Readable failure messages for the optional values the schedule returns.
namespace QTest {
template <> char *toString(const std::optional<Event> &event)
{
    if (!event)
        return qstrdup("no event");
    return qstrdup(*event == Event::show ? "show" : "hide");
}
template <> char *toString(const std::optional<double> &instant)
{
    return instant ? qstrdup(QByteArray::number(*instant, 'f', 3).constData()) : qstrdup("absent");
}
} // namespace QTest

// A realistic wall-clock instant, so that millisecond steps are tested at the
// magnitude the program really uses.
static constexpr Instant T = 1'780'000'000.0;

class CardScheduleTest : public QObject {
    Q_OBJECT

private slots:
    void newScheduleShowsExactlyOneIntervalLater()
    {
        CardSchedule schedule(T);
        QCOMPARE(schedule.interval(), 300.0);
        QCOMPARE(schedule.tick(T + 299), std::nullopt);
        QCOMPARE(schedule.tick(T + 299.999), std::nullopt);
        QCOMPARE(schedule.tick(T + 300), Event::show);
        QVERIFY(schedule.visible());
        QVERIFY(!schedule.expanded());
        QCOMPARE(schedule.dismissAt(), T + 345);
        QCOMPARE(schedule.nextDue(), T + 600);
    }

    void shownCardHidesAfterItsLifetime()
    {
        CardSchedule schedule(T);
        schedule.show(T + 10);
        QCOMPARE(schedule.nextDue(), T + 310);
        QCOMPARE(schedule.tick(T + 54), std::nullopt);
        QCOMPARE(schedule.tick(T + 54.999), std::nullopt);
        QCOMPARE(schedule.tick(T + 55), Event::hide);
        QVERIFY(!schedule.visible());
        QCOMPARE(schedule.dismissAt(), std::nullopt);
        // Hidden once; the following ticks wait for the next due instant.
        QCOMPARE(schedule.tick(T + 56), std::nullopt);
        QCOMPARE(schedule.tick(T + 310), Event::show);
    }

    void expandedCardStaysUntilCollapsed()
    {
        CardSchedule schedule(T);
        QCOMPARE(schedule.tick(T + 300), Event::show);
        schedule.setExpanded(true, T + 301);
        QVERIFY(schedule.expanded());
        QCOMPARE(schedule.dismissAt(), std::nullopt);
        for (Instant now = T + 302; now < T + 5000; now += 97)
            QCOMPARE(schedule.tick(now), std::nullopt);
        QVERIFY(schedule.visible());

        const Instant collapsed = T + 5000;
        schedule.setExpanded(false, collapsed);
        QCOMPARE(schedule.dismissAt(), collapsed + 12);
        QCOMPARE(schedule.tick(collapsed + 11.999), std::nullopt);
        QCOMPARE(schedule.tick(collapsed + 12), Event::hide);
    }

    void expandingWithoutCardChangesNothing()
    {
        CardSchedule schedule(T);
        const CardSchedule before = schedule;
        schedule.setExpanded(true, T + 5);
        QCOMPARE(schedule, before);
        schedule.setExpanded(false, T + 5);
        QCOMPARE(schedule, before);
        QCOMPARE(schedule.dismissAt(), std::nullopt);
    }

    void closingLongExpandedCardShowsNextAtOnce()
    {
        CardSchedule schedule(T);
        QCOMPARE(schedule.tick(T + 300), Event::show);
        schedule.setExpanded(true, T + 301);
        // Kept open past the due instant: the schedule never replaces a visible card.
        QCOMPARE(schedule.tick(T + 700), std::nullopt);
        QCOMPARE(schedule.nextDue(), T + 600);
        schedule.dismiss();
        QVERIFY(!schedule.visible());
        QVERIFY(!schedule.expanded());
        QCOMPARE(schedule.tick(T + 701), Event::show);
        QCOMPARE(schedule.nextDue(), T + 1001);
    }

    void hidingTickNeverShowsInTheSameCall()
    {
        CardSchedule schedule(T, 10);
        schedule.show(T);
        // Both the hide instant (T+45) and the due instant (T+10) have passed.
        QCOMPARE(schedule.tick(T + 50), Event::hide);
        QVERIFY(!schedule.visible());
        QCOMPARE(schedule.tick(T + 50), Event::show);
    }

    void pauseHoldsCardsForAnHour()
    {
        CardSchedule schedule(T);
        QCOMPARE(schedule.tick(T + 300), Event::show);
        schedule.pause(T + 310);
        const Instant end = T + 310 + 3600;
        QCOMPARE(schedule.pausedUntil(), end);
        QVERIFY(!schedule.visible());
        QCOMPARE(schedule.dismissAt(), std::nullopt);
        QCOMPARE(schedule.nextDue(), T + 600); // unchanged by pausing

        for (Instant now = T + 311; now <= end - 1; now += 60)
            QCOMPARE(schedule.tick(now), std::nullopt);
        QCOMPARE(schedule.tick(end - 1), std::nullopt);
        QVERIFY(schedule.pausedUntil().has_value());

        // The tick that sees the end clears the pause and restarts the countdown.
        QCOMPARE(schedule.tick(end), std::nullopt);
        QCOMPARE(schedule.pausedUntil(), std::nullopt);
        QCOMPARE(schedule.nextDue(), end + 300);
        QCOMPARE(schedule.tick(end + 299.999), std::nullopt);
        QCOMPARE(schedule.tick(end + 300), Event::show);
    }

    void cardShownDuringPauseStillHidesItself()
    {
        CardSchedule schedule(T);
        schedule.pause(T);
        schedule.show(T + 100);
        QCOMPARE(schedule.pausedUntil(), T + 3600); // showing on demand keeps the pause
        QCOMPARE(schedule.tick(T + 144), std::nullopt);
        QCOMPARE(schedule.tick(T + 145), Event::hide);
        QCOMPARE(schedule.pausedUntil(), T + 3600);
    }

    void resumeRestartsCountdown()
    {
        CardSchedule schedule(T);
        schedule.pause(T + 10);
        schedule.resume(T + 20);
        QCOMPARE(schedule.pausedUntil(), std::nullopt);
        QCOMPARE(schedule.nextDue(), T + 320);
        QCOMPARE(schedule.tick(T + 319), std::nullopt);
        QCOMPARE(schedule.tick(T + 320), Event::show);
    }

    void setIntervalStartsFreshCountdown()
    {
        CardSchedule plain(T);
        plain.setInterval(600, T + 50);
        QCOMPARE(plain.interval(), 600.0);
        QCOMPARE(plain.nextDue(), T + 650);

        CardSchedule paused(T);
        paused.pause(T); // ends at T + 3600
        paused.setInterval(600, T + 50);
        QCOMPARE(paused.nextDue(), T + 3600 + 600);
        QCOMPARE(paused.pausedUntil(), T + 3600);

        CardSchedule stalePause(T);
        stalePause.restorePause(T - 100);
        stalePause.setInterval(600, T + 50);
        QCOMPARE(stalePause.nextDue(), T + 650);
        QCOMPARE(stalePause.pausedUntil(), T - 100);
    }

    void setIntervalKeepsTheShownCard()
    {
        CardSchedule schedule(T);
        schedule.show(T);
        schedule.setExpanded(true, T + 1);
        schedule.setInterval(60, T + 2);
        QVERIFY(schedule.visible());
        QVERIFY(schedule.expanded());
        QCOMPARE(schedule.dismissAt(), std::nullopt);
        QCOMPARE(schedule.nextDue(), T + 62);
    }

    void setIntervalRejectsUnusableValues_data()
    {
        QTest::addColumn<double>("interval");
        QTest::newRow("zero") << 0.0;
        QTest::newRow("negative zero") << -0.0;
        QTest::newRow("negative") << -60.0;
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity();
        QTest::newRow("negative infinite") << -std::numeric_limits<double>::infinity();
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN();
    }

    void setIntervalRejectsUnusableValues()
    {
        QFETCH(double, interval);
        CardSchedule schedule(T);
        schedule.pause(T + 1);
        schedule.show(T + 2);
        const CardSchedule before = schedule;
        schedule.setInterval(interval, T + 3);
        QCOMPARE(schedule, before);
        QCOMPARE(schedule.interval(), 300.0);
    }

    void smallIntervalsKeepMillisecondPrecision()
    {
        CardSchedule schedule(T, 0.001);
        QCOMPARE(schedule.tick(T + 0.0005), std::nullopt);
        QCOMPARE(schedule.tick(T + 0.001), Event::show);
        schedule.setInterval(0.25, T + 1);
        QCOMPARE(schedule.nextDue(), T + 1.25);
    }

    void wakeHidesCardAndKeepsPause()
    {
        CardSchedule schedule(T);
        schedule.show(T + 5);
        schedule.setExpanded(true, T + 6);
        schedule.wake(T + 1000);
        QVERIFY(!schedule.visible());
        QVERIFY(!schedule.expanded());
        QCOMPARE(schedule.dismissAt(), std::nullopt);
        QCOMPARE(schedule.nextDue(), T + 1300);

        CardSchedule paused(T);
        paused.pause(T); // ends at T + 3600
        paused.wake(T + 100);
        QCOMPARE(paused.pausedUntil(), T + 3600);
        QCOMPARE(paused.tick(T + 400), std::nullopt); // nextDue passed, still paused

        // A pause that ended during sleep is cleared by the first tick after waking.
        CardSchedule slept(T);
        slept.pause(T);
        slept.wake(T + 7200);
        QCOMPARE(slept.pausedUntil(), T + 3600);
        QCOMPARE(slept.tick(T + 7201), std::nullopt);
        QCOMPARE(slept.pausedUntil(), std::nullopt);
        QCOMPARE(slept.nextDue(), T + 7501);
    }

    void restoredPastPauseIsClearedByNextTick()
    {
        CardSchedule schedule(T);
        schedule.show(T);
        schedule.restorePause(T - 50);
        QCOMPARE(schedule.pausedUntil(), T - 50);
        QVERIFY(!schedule.visible());
        QCOMPARE(schedule.dismissAt(), std::nullopt);
        QCOMPARE(schedule.nextDue(), T + 300);

        QCOMPARE(schedule.tick(T + 10), std::nullopt);
        QCOMPARE(schedule.pausedUntil(), std::nullopt);
        QCOMPARE(schedule.nextDue(), T + 310);
        QCOMPARE(schedule.tick(T + 310), Event::show);
    }

};

QTEST_GUILESS_MAIN(CardScheduleTest)
#include "tst_card_schedule.moc"
