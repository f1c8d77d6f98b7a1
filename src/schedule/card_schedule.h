#pragma once

#include <QtGlobal>
#include <optional>

// Wall-clock instants and durations, in seconds (double precision).
using Instant = double; // seconds since the Unix epoch
using Seconds = double;

// The reminder clock: when a card is due, when a shown card hides itself and
// whether reminders are paused. A plain value; the caller always passes `now`.
class CardSchedule {
public:
    enum class Event { show, hide };

    static constexpr Seconds shownLifetime = 45;
    static constexpr Seconds collapsedGrace = 12;
    static constexpr Seconds pauseLength = 3600;

    explicit CardSchedule(Instant now, Seconds interval = 5 * 60);

    void setInterval(Seconds interval, Instant now);
    void show(Instant now);
    void dismiss();
    void setExpanded(bool expanded, Instant now);
    void pause(Instant now);
    void resume(Instant now);
    void restorePause(Instant until);
    void wake(Instant now);
    std::optional<Event> tick(Instant now);

    Seconds interval() const { return m_interval; }
    Instant nextDue() const { return m_nextDue; }
    std::optional<Instant> dismissAt() const { return m_dismissAt; }
    std::optional<Instant> pausedUntil() const { return m_pausedUntil; }
    bool visible() const { return m_visible; }
    bool expanded() const { return m_expanded; }

    bool operator==(const CardSchedule &) const = default;

private:
    Seconds m_interval;
    Instant m_nextDue;
    std::optional<Instant> m_dismissAt;
    std::optional<Instant> m_pausedUntil;
    bool m_visible = false;
    bool m_expanded = false;
};

// The current wall-clock instant.
Instant currentInstant();
