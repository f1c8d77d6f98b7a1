#include "schedule/card_schedule.h"

#include <QTest>
#include <limits>

using Event = CardSchedule::Event;

// A realistic wall-clock instant: millisecond steps at the magnitude the program really uses.
static constexpr Instant T = 1'780'000'000.0;

// The whole schedule, instants relative to T: "shown, hides 345, next 600, paused -".
static QString state(const CardSchedule &s)
{
    const auto at = [](std::optional<Instant> i) { return i ? QString::number(*i - T, 'g', 12) : "-"; };
    const QString v = s.visible() ? (s.expanded() ? "expanded" : "shown") : "hidden";
    return QString("%1, hides %2, next %3, paused %4").arg(v, at(s.dismissAt()), at(s.nextDue()), at(s.pausedUntil()));
}

static QString ticks(CardSchedule &schedule, std::initializer_list<Instant> instants)
{
    QStringList events;
    for (const Instant now : instants) {
        const std::optional<Event> event = schedule.tick(now);
        events << (!event ? "-" : *event == Event::show ? "show" : "hide");
    }
    return events.join(' ');
}

class CardScheduleTest : public QObject {
    Q_OBJECT

private slots:
    void showsOneIntervalLaterAndHidesAfterItsLifetime()
    {
        CardSchedule schedule(T);
        QCOMPARE(ticks(schedule, {T + 299.999, T + 300}), "- show");
        QCOMPARE(state(schedule), "shown, hides 345, next 600, paused -");
        QCOMPARE(ticks(schedule, {T + 344.999, T + 345, T + 346, T + 600}), "- hide - show");
        schedule.setExpanded(true, T + 601); // an expanded card is never hidden nor replaced
        QCOMPARE(ticks(schedule, {T + 645, T + 4999}), "- -");
        schedule.setExpanded(false, T + 5000); // collapsed, it hides after a grace
        QCOMPARE(ticks(schedule, {T + 5011.999, T + 5012}), "- hide");
    }

    void pauseHoldsCardsForAnHour()
    {
        CardSchedule schedule(T);
        QCOMPARE(ticks(schedule, {T + 300}), "show");
        schedule.pause(T + 310);
        QCOMPARE(state(schedule), "hidden, hides -, next 600, paused 3910");
        QCOMPARE(ticks(schedule, {T + 600, T + 3909.999, T + 3910}), "- - -"); // the last tick ends the pause
        QCOMPARE(state(schedule), "hidden, hides -, next 4210, paused -");
        QCOMPARE(ticks(schedule, {T + 4209.999, T + 4210}), "- show");
    }

    // Counted from now or the pause's end, keeping a shown card; 0, <0, inf and NaN change nothing.
    void setInterval()
    {
        CardSchedule shown(T), paused(T);
        shown.show(T);
        shown.setInterval(600, T + 30);
        QCOMPARE(state(shown), "shown, hides 45, next 630, paused -");
        paused.pause(T);
        paused.setInterval(600, T + 50);
        QCOMPARE(state(paused), "hidden, hides -, next 4200, paused 3600");
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
