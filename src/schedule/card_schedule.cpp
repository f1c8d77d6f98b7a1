#include "schedule/card_schedule.h"

#include <QDateTime>
#include <cmath>

CardSchedule::CardSchedule(Instant now, Seconds interval) : m_interval(interval), m_nextDue(now + interval) {}

void CardSchedule::setInterval(Seconds interval, Instant now)
{
    // Zero, negative, infinite and NaN intervals would stall or flood the clock.
    if (!std::isfinite(interval) || interval <= 0)
        return;
    m_interval = interval;
    // An active pause stays; the fresh countdown starts when it ends.
    Instant base = m_pausedUntil.value_or(now);
    if (base < now)
        base = now;
    m_nextDue = base + interval;
}

void CardSchedule::show(Instant now)
{
    m_visible = true;
    m_expanded = false;
    m_dismissAt = now + shownLifetime;
    m_nextDue = now + m_interval;
}

void CardSchedule::dismiss()
{
    m_visible = false;
    m_expanded = false;
    m_dismissAt.reset();
}

void CardSchedule::setExpanded(bool expanded, Instant now)
{
    if (!m_visible)
        return;
    m_expanded = expanded;
    if (expanded)
        m_dismissAt.reset(); // an expanded card stays until collapsed or closed
    else
        m_dismissAt = now + collapsedGrace;
}

void CardSchedule::pause(Instant now)
{
    m_pausedUntil = now + pauseLength;
    dismiss();
}

void CardSchedule::resume(Instant now)
{
    m_pausedUntil.reset();
    m_nextDue = now + m_interval;
}

void CardSchedule::restorePause(Instant until)
{
    m_pausedUntil = until;
    dismiss();
}

void CardSchedule::wake(Instant now)
{
    dismiss();
    m_nextDue = now + m_interval;
}

std::optional<CardSchedule::Event> CardSchedule::tick(Instant now)
{
    // Hiding a card ends the tick, so a hide and a show never share one.
    if (m_visible && !m_expanded && m_dismissAt && now >= *m_dismissAt) {
        dismiss();
        return Event::hide;
    }
    if (m_pausedUntil) {
        // The first card after a pause comes a full interval after it ends.
        if (now >= *m_pausedUntil) {
            m_pausedUntil.reset();
            m_nextDue = now + m_interval;
        }
        return std::nullopt;
    }
    if (!m_visible && now >= m_nextDue) {
        show(now);
        return Event::show;
    }
    return std::nullopt;
}

Instant currentInstant()
{
    return QDateTime::currentMSecsSinceEpoch() / 1000.0;
}
