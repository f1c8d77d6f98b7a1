#pragma once

#include "schedule/card_schedule.h"

#include <QDateTime>
#include <chrono>

// Conversions between the schedule's instants (seconds since the epoch, with
// a fraction) and the dates Qt stores and shows, to the millisecond.
namespace InstantTime {

inline QDateTime toDateTime(Instant instant)
{
    using namespace std::chrono;
    return QDateTime::fromMSecsSinceEpoch(duration_cast<milliseconds>(duration<double>(instant)).count());
}

inline Instant fromDateTime(const QDateTime &when)
{
    using namespace std::chrono;
    return duration<double>(milliseconds(when.toMSecsSinceEpoch())).count();
}

// The schedule's interval in whole minutes, as the menu and tooltip name it.
inline std::chrono::minutes minutesOf(Seconds interval)
{
    using namespace std::chrono;
    return duration_cast<minutes>(duration<double>(interval));
}

} // namespace InstantTime
