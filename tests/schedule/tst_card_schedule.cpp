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
    void showsOneIntervalLaterAndHidesAfterItsLifetime()
    {
        CardSchedule schedule(T);
        QCOMPARE(schedule.tick(T + 299.999), std::nullopt);
        QCOMPARE(schedule.tick(T + 300), Event::show);
        QVERIFY(schedule.visible());
        QVERIFY(!schedule.expanded());
        QCOMPARE(schedule.dismissAt(), T + 345);
        QCOMPARE(schedule.nextDue(), T + 600);

        QCOMPARE(schedule.tick(T + 344.999), std::nullopt);
        QCOMPARE(schedule.tick(T + 345), Event::hide);
        QVERIFY(!schedule.visible());
        QCOMPARE(schedule.dismissAt(), std::nullopt);
        QCOMPARE(schedule.tick(T + 346), std::nullopt); // hidden once only
        QCOMPARE(schedule.tick(T + 600), Event::show);
    }

    void expandedCardStaysUntilCollapsed()
    {
        CardSchedule idle(T);
        const CardSchedule before = idle;
        idle.setExpanded(true, T + 5); // no card: nothing to expand
        QCOMPARE(idle, before);

        CardSchedule schedule(T);
        QCOMPARE(schedule.tick(T + 300), Event::show);
        schedule.setExpanded(true, T + 301);
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

    void closingLongExpandedCardShowsNextAtOnce()
    {
        CardSchedule schedule(T);
        QCOMPARE(schedule.tick(T + 300), Event::show);
        schedule.setExpanded(true, T + 301);
        QCOMPARE(schedule.tick(T + 700), std::nullopt); // never replaces a visible card
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
        QCOMPARE(schedule.tick(T + 50), Event::hide); // hide (T+45) and due (T+10) both passed
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

        for (Instant now = T + 311; now < end; now += 60)
            QCOMPARE(schedule.tick(now), std::nullopt);
        QCOMPARE(schedule.tick(end - 0.001), std::nullopt);
        // The tick that sees the end clears the pause and restarts the countdown.
        QCOMPARE(schedule.tick(end), std::nullopt);
        QCOMPARE(schedule.pausedUntil(), std::nullopt);
        QCOMPARE(schedule.tick(end + 299.999), std::nullopt);
        QCOMPARE(schedule.tick(end + 300), Event::show);

        CardSchedule onDemand(T);
        onDemand.pause(T);
        onDemand.show(T + 100);
        QCOMPARE(onDemand.tick(T + 145), Event::hide); // a card shown during a pause still hides
        QCOMPARE(onDemand.pausedUntil(), T + 3600);

        CardSchedule resumed(T);
        resumed.pause(T + 10);
        resumed.resume(T + 20);
        QCOMPARE(resumed.pausedUntil(), std::nullopt);
        QCOMPARE(resumed.tick(T + 319.999), std::nullopt);
        QCOMPARE(resumed.tick(T + 320), Event::show);
    }

    void setIntervalStartsFreshCountdown()
    {
        CardSchedule shown(T);
        shown.show(T);
        shown.setExpanded(true, T + 1);
        shown.setInterval(600, T + 50);
        QCOMPARE(shown.interval(), 600.0);
        QCOMPARE(shown.nextDue(), T + 650);
        QVERIFY(shown.expanded()); // the shown card is kept

        CardSchedule paused(T);
        paused.pause(T);
        paused.setInterval(600, T + 50);
        QCOMPARE(paused.nextDue(), T + 3600 + 600);

        CardSchedule stalePause(T);
        stalePause.restorePause(T - 100);
        stalePause.setInterval(600, T + 50);
        QCOMPARE(stalePause.nextDue(), T + 650);

        CardSchedule tiny(T, 0.001);
        QCOMPARE(tiny.tick(T + 0.0005), std::nullopt);
        QCOMPARE(tiny.tick(T + 0.001), Event::show);
    }

    void setIntervalRejectsUnusableValues_data()
    {
        QTest::addColumn<double>("interval");
        QTest::newRow("zero") << 0.0;
        QTest::newRow("negative zero") << -0.0;
        QTest::newRow("negative") << -60.0;
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity();
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
    }

    void wakeHidesCardAndKeepsPause()
    {
        CardSchedule schedule(T);
        schedule.show(T + 5);
        schedule.setExpanded(true, T + 6);
        schedule.wake(T + 1000);
        QVERIFY(!schedule.visible());
        QVERIFY(!schedule.expanded());
        QCOMPARE(schedule.nextDue(), T + 1300);

        CardSchedule paused(T);
        paused.pause(T);
        paused.wake(T + 100);
        QCOMPARE(paused.tick(T + 400), std::nullopt); // due, but still paused

        // A pause that ended during sleep is cleared by the first tick after waking.
        CardSchedule slept(T);
        slept.pause(T);
        slept.wake(T + 7200);
        QCOMPARE(slept.tick(T + 7201), std::nullopt);
        QCOMPARE(slept.pausedUntil(), std::nullopt);
        QCOMPARE(slept.nextDue(), T + 7501);
    }

    void restoredPastPauseIsClearedByNextTick()
    {
        CardSchedule schedule(T);
        schedule.show(T);
        schedule.restorePause(T - 50);
        QVERIFY(!schedule.visible());
        QCOMPARE(schedule.tick(T + 10), std::nullopt);
        QCOMPARE(schedule.pausedUntil(), std::nullopt);
        QCOMPARE(schedule.tick(T + 310), Event::show);
    }
};

QTEST_GUILESS_MAIN(CardScheduleTest)
#include "tst_card_schedule.moc"
