#include "schedule/card_schedule.h"

#include <QTest>
#include <limits>

using Event = CardSchedule::Event;

// A realistic wall-clock instant: millisecond steps at the magnitude the program really uses.
static constexpr Instant T = 1'780'000'000.0;
static constexpr std::optional<Event> none, show = Event::show, hide = Event::hide;

// The whole schedule in words, instants relative to T: "shown, hides 345, next 600".
static QString state(const CardSchedule &s)
{
    const auto at = [](Instant instant) { return QString::number(instant - T, 'g', 12); };
    QString text = s.visible() ? (s.expanded() ? "expanded" : "shown") : "hidden";
    if (s.dismissAt())
        text += ", hides " + at(*s.dismissAt());
    text += ", next " + at(s.nextDue());
    return s.pausedUntil() ? text + ", paused to " + at(*s.pausedUntil()) : text;
}

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
        QCOMPARE(state(schedule), "shown, hides 345, next 600");
        QVERIFY(ticks(schedule, {{T + 344.999, none}, {T + 345, hide}, {T + 346, none}, {T + 600, show}}));
        schedule.setExpanded(true, T + 601); // an expanded card is never hidden nor replaced
        QVERIFY(ticks(schedule, {{T + 645, none}, {T + 900, none}, {T + 4999, none}}));
        schedule.setExpanded(false, T + 5000); // collapsed, it hides after a grace
        QCOMPARE(state(schedule), "shown, hides 5012, next 900");
        QVERIFY(ticks(schedule, {{T + 5011.999, none}, {T + 5012, hide}}));
        CardSchedule late(T, 10);
        late.show(T);
        // Hiding (T+45) and the next card (T+10) both passed: one event a tick.
        QVERIFY(ticks(late, {{T + 50, hide}, {T + 50, show}}));
    }

    void pauseHoldsCardsForAnHour()
    {
        CardSchedule schedule(T);
        QVERIFY(ticks(schedule, {{T + 300, show}}));
        schedule.pause(T + 310);
        QCOMPARE(state(schedule), "hidden, next 600, paused to 3910");
        // The tick that sees the end clears the pause and restarts the countdown.
        QVERIFY(ticks(schedule, {{T + 600, none}, {T + 3909.999, none}, {T + 3910, none}}));
        QCOMPARE(state(schedule), "hidden, next 4210");
        QVERIFY(ticks(schedule, {{T + 4209.999, none}, {T + 4210, show}}));
    }

    // A new interval counts from now (or the pause's end), keeping a shown card; zero, negative,
    // infinite and NaN intervals change nothing at all.
    void setInterval()
    {
        CardSchedule shown(T), paused(T);
        shown.show(T);
        shown.setExpanded(true, T + 1);
        shown.setInterval(600, T + 50);
        QCOMPARE(state(shown), "expanded, next 650");
        paused.pause(T);
        paused.setInterval(600, T + 50);
        QCOMPARE(paused.nextDue(), T + 3600 + 600);
        for (double interval : {0.0, -0.0, -60.0, std::numeric_limits<double>::infinity(),
                                std::numeric_limits<double>::quiet_NaN()}) {
            CardSchedule schedule = paused;
            schedule.show(T + 2);
            const CardSchedule before = schedule;
            schedule.setInterval(interval, T + 3);
            QVERIFY2(schedule == before, QByteArray::number(interval).constData());
        }
    }
};

QTEST_GUILESS_MAIN(CardScheduleTest)
#include "tst_card_schedule.moc"
