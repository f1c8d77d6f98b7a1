#include "schedule/card_schedule.h"

#include <QTest>
#include <limits>

using namespace Qt::StringLiterals;
using Event = CardSchedule::Event;

// A realistic wall-clock instant: millisecond steps at the magnitude the program really uses.
static constexpr Instant T = 1'780'000'000.0;

// The whole schedule in one line, instants relative to T: "shown, hides 345, next 600, paused -".
// A failed comparison then shows every part of the state side by side.
static QString state(const CardSchedule &s)
{
    const auto at = [](std::optional<Instant> i) { return i ? QString::number(*i - T, 'g', 12) : u"-"_s; };
    const QString visibility = !s.visible() ? u"hidden"_s : s.expanded() ? u"expanded"_s : u"shown"_s;
    return u"%1, hides %2, next %3, paused %4"_s.arg(visibility, at(s.dismissAt()), at(s.nextDue()),
                                                     at(s.pausedUntil()));
}

// What each tick reported, in order: "- show - hide".
static QString ticks(CardSchedule &schedule, std::initializer_list<Instant> instants)
{
    QStringList events;
    for (const Instant now : instants) {
        const std::optional<Event> event = schedule.tick(now);
        events << (!event ? u"-"_s : *event == Event::show ? u"show"_s : u"hide"_s);
    }
    return events.join(u' ');
}

class CardScheduleTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void showsOneIntervalLaterAndHidesAfterItsLifetime()
    {
        CardSchedule schedule(T);
        QCOMPARE(ticks(schedule, {T + 299.999, T + 300}), u"- show"_s);
        QCOMPARE(state(schedule), u"shown, hides 345, next 600, paused -"_s);
        QCOMPARE(ticks(schedule, {T + 344.999, T + 345, T + 346, T + 600}), u"- hide - show"_s);
    }

    void expandedCardStaysUntilCollapsedThenHidesAfterAGrace()
    {
        CardSchedule schedule(T);
        QCOMPARE(ticks(schedule, {T + 300}), u"show"_s);
        schedule.setExpanded(true, T + 301);
        QCOMPARE(state(schedule), u"expanded, hides -, next 600, paused -"_s);
        QCOMPARE(ticks(schedule, {T + 345, T + 600, T + 4999}), u"- - -"_s); // never hidden nor replaced
        schedule.setExpanded(false, T + 5000);
        QCOMPARE(state(schedule), u"shown, hides 5012, next 600, paused -"_s);
        QCOMPARE(ticks(schedule, {T + 5011.999, T + 5012}), u"- hide"_s);
    }

    // An interval shorter than a card's lifetime: the hide takes its own tick, the next card the one after.
    void hideAndShowNeverShareATick()
    {
        CardSchedule schedule(T, 30);
        QCOMPARE(ticks(schedule, {T + 30, T + 60}), u"show -"_s); // due again, but the card is still up
        QCOMPARE(ticks(schedule, {T + 75, T + 75}), u"hide show"_s);
    }

    void pauseHoldsCardsForAnHour()
    {
        CardSchedule schedule(T);
        QCOMPARE(ticks(schedule, {T + 300}), u"show"_s);
        schedule.pause(T + 310);
        QCOMPARE(state(schedule), u"hidden, hides -, next 600, paused 3910"_s);
        QCOMPARE(ticks(schedule, {T + 600, T + 3909.999, T + 3910}), u"- - -"_s); // the last tick ends the pause
        QCOMPARE(state(schedule), u"hidden, hides -, next 4210, paused -"_s);
        QCOMPARE(ticks(schedule, {T + 4209.999, T + 4210}), u"- show"_s);
    }

    // Counted from the pause's end; the pause stays.
    void setIntervalDuringAPause()
    {
        CardSchedule schedule(T);
        schedule.pause(T);
        schedule.setInterval(600, T + 50);
        QCOMPARE(state(schedule), u"hidden, hides -, next 4200, paused 3600"_s);
    }

    // Zero, negative, infinite and NaN intervals would stall or flood the clock.
    void setIntervalIgnoresUnusableValues_data()
    {
        QTest::addColumn<double>("interval");
        QTest::newRow("zero") << 0.0;
        QTest::newRow("negative") << -60.0;
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity();
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN();
    }

    void setIntervalIgnoresUnusableValues()
    {
        QFETCH(double, interval);
        CardSchedule schedule(T);
        schedule.pause(T);
        schedule.show(T + 2);
        const CardSchedule before = schedule;
        schedule.setInterval(interval, T + 3);
        QCOMPARE(state(schedule), state(before));
        QCOMPARE(schedule.interval(), before.interval());
    }
};

QTEST_GUILESS_MAIN(CardScheduleTest)
#include "tst_card_schedule.moc"
