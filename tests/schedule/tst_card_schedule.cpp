#include "schedule/card_schedule.h"

#include <QTest>
#include <limits>

using Event = CardSchedule::Event;

// A realistic wall-clock instant, so that millisecond steps are tested at the
// magnitude the program really uses.
static constexpr Instant T = 1'780'000'000.0;
static constexpr std::optional<Event> none, show = Event::show, hide = Event::hide;

namespace QTest {
template <> char *toString(const std::optional<double> &instant)
{
    return qstrdup(instant ? QByteArray::number(*instant - T, 'f', 3).prepend("T+").constData() : "absent");
}
} // namespace QTest

// Ticks the schedule at each instant in turn, expecting each event.
static bool ticks(CardSchedule &schedule, std::initializer_list<std::pair<Instant, std::optional<Event>>> expected)
{
    for (const auto &[now, event] : expected) {
        if (const std::optional<Event> got = schedule.tick(now); got != event) {
            qWarning("at T+%.3f: got %s", now - T, !got ? "no event" : *got == Event::show ? "show" : "hide");
            return false;
        }
    }
    return true;
}

class CardScheduleTest : public QObject {
    Q_OBJECT

private slots:
    void showsOneIntervalLaterAndHidesAfterItsLifetime()
    {
        CardSchedule schedule(T);
        QVERIFY(ticks(schedule, {{T + 299.999, none}, {T + 300, show}}));
        QVERIFY(schedule.visible() && !schedule.expanded());
        QCOMPARE(schedule.dismissAt(), T + 345);
        QCOMPARE(schedule.nextDue(), T + 600);
        QVERIFY(ticks(schedule, {{T + 344.999, none}, {T + 345, hide}, {T + 346, none}, {T + 600, show}}));
        CardSchedule late(T, 10);
        late.show(T);
        // Hiding (T+45) and the next card (T+10) both passed: one event a tick.
        QVERIFY(ticks(late, {{T + 50, hide}, {T + 50, show}}));
    }

    void expandedCardStaysUntilCollapsedOrClosed()
    {
        CardSchedule idle(T);
        const CardSchedule before = idle;
        idle.setExpanded(true, T + 5); // no card: nothing to expand
        QCOMPARE(idle, before);

        CardSchedule schedule(T);
        QVERIFY(ticks(schedule, {{T + 300, show}}));
        schedule.setExpanded(true, T + 301);
        QCOMPARE(schedule.dismissAt(), std::nullopt);
        for (Instant now = T + 302; now < T + 5000; now += 97)
            QVERIFY(ticks(schedule, {{now, none}})); // never hidden nor replaced while expanded
        CardSchedule closed = schedule;
        schedule.setExpanded(false, T + 5000);
        QCOMPARE(schedule.dismissAt(), T + 5012);
        QVERIFY(ticks(schedule, {{T + 5011.999, none}, {T + 5012, hide}}));
        closed.dismiss(); // long past due: the next card comes at once
        QVERIFY(!closed.visible() && !closed.expanded());
        QVERIFY(ticks(closed, {{T + 5001, show}}));
        QCOMPARE(closed.nextDue(), T + 5301);
    }

    void pauseHoldsCardsForAnHour()
    {
        CardSchedule schedule(T);
        QVERIFY(ticks(schedule, {{T + 300, show}}));
        schedule.pause(T + 310);
        const Instant end = T + 310 + 3600;
        QCOMPARE(schedule.pausedUntil(), end);
        QVERIFY(!schedule.visible());
        QCOMPARE(schedule.dismissAt(), std::nullopt);
        for (Instant now = T + 311; now < end; now += 60)
            QVERIFY(ticks(schedule, {{now, none}}));
        // The tick that sees the end clears the pause and restarts the countdown.
        QVERIFY(ticks(schedule, {{end - 0.001, none}, {end, none}}));
        QCOMPARE(schedule.pausedUntil(), std::nullopt);
        QVERIFY(ticks(schedule, {{end + 299.999, none}, {end + 300, show}}));

        CardSchedule onDemand(T);
        onDemand.pause(T);
        onDemand.show(T + 100);
        QVERIFY(ticks(onDemand, {{T + 145, hide}})); // a card shown during a pause still hides
        QCOMPARE(onDemand.pausedUntil(), T + 3600);

        CardSchedule resumed(T);
        resumed.pause(T + 10);
        resumed.resume(T + 20);
        QCOMPARE(resumed.pausedUntil(), std::nullopt);
        QVERIFY(ticks(resumed, {{T + 319.999, none}, {T + 320, show}}));

        CardSchedule restored(T); // restored from a past run, and already over
        restored.show(T);
        restored.restorePause(T - 50);
        QVERIFY(!restored.visible());
        QVERIFY(ticks(restored, {{T + 10, none}}));
        QCOMPARE(restored.pausedUntil(), std::nullopt);
        QVERIFY(ticks(restored, {{T + 310, show}}));
    }

    void setIntervalStartsFreshCountdown()
    {
        CardSchedule shown(T);
        shown.show(T);
        shown.setExpanded(true, T + 1);
        shown.setInterval(600, T + 50);
        QCOMPARE(shown.nextDue(), T + 650);
        QVERIFY(shown.expanded()); // the shown card is kept

        CardSchedule paused(T);
        paused.pause(T);
        paused.setInterval(600, T + 50);
        QCOMPARE(paused.nextDue(), T + 3600 + 600);
        paused.restorePause(T - 100);
        paused.setInterval(600, T + 50);
        QCOMPARE(paused.nextDue(), T + 650);

        CardSchedule tiny(T, 0.001);
        QVERIFY(ticks(tiny, {{T + 0.0005, none}, {T + 0.001, show}}));

        // Zero, negative, infinite and NaN intervals change nothing at all.
        for (double interval : {0.0, -0.0, -60.0, std::numeric_limits<double>::infinity(),
                                std::numeric_limits<double>::quiet_NaN()}) {
            CardSchedule schedule(T);
            schedule.pause(T + 1);
            schedule.show(T + 2);
            const CardSchedule before = schedule;
            schedule.setInterval(interval, T + 3);
            QVERIFY2(schedule == before, QByteArray::number(interval).constData());
        }
    }

    void wakeHidesCardAndKeepsPause()
    {
        CardSchedule schedule(T);
        schedule.show(T + 5);
        schedule.setExpanded(true, T + 6);
        schedule.wake(T + 1000);
        QVERIFY(!schedule.visible() && !schedule.expanded());
        QCOMPARE(schedule.nextDue(), T + 1300);

        CardSchedule paused(T);
        paused.pause(T);
        paused.wake(T + 100);
        QVERIFY(ticks(paused, {{T + 400, none}})); // due, but still paused
        // A pause that ended during sleep is cleared by the first tick after waking.
        paused.wake(T + 7200);
        QVERIFY(ticks(paused, {{T + 7201, none}}));
        QCOMPARE(paused.pausedUntil(), std::nullopt);
        QCOMPARE(paused.nextDue(), T + 7501);
    }
};

QTEST_GUILESS_MAIN(CardScheduleTest)
#include "tst_card_schedule.moc"
