#include "schedule/reminder_interval.h"

#include "schedule/preferences.h"

#include <limits>

using namespace Qt::StringLiterals;

namespace ReminderInterval {

const QList<int> &presets()
{
    static const QList<int> minutes{5, 10, 15, 30, 60};
    return minutes;
}

bool allowedMinutes(qint64 minutes)
{
    return minutes >= minMinutes && minutes <= maxMinutes;
}

int load(const Preferences &preferences)
{
    const int stored = preferences.integer(QString::fromLatin1(key));
    return allowedMinutes(stored) ? stored : defaultMinutes;
}

std::optional<int> parse(const QString &text)
{
    // QString::trimmed removes every Unicode space separator and line break
    // (including U+0085, U+2028 and U+2029) from both ends.
    const QString digits = text.trimmed();
    if (digits.isEmpty())
        return std::nullopt;

    constexpr qint64 limit = std::numeric_limits<qint64>::max();
    qint64 value = 0;
    for (const QChar c : digits) {
        // Only ASCII digits: signs, inner spaces, points and other scripts' digits fail.
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int digit = c.unicode() - u'0';
        if (value > (limit - digit) / 10)
            return std::nullopt; // does not fit a signed 64-bit integer
        value = value * 10 + digit;
    }
    if (!allowedMinutes(value))
        return std::nullopt;
    return static_cast<int>(value);
}

QString label(int minutes)
{
    if (minutes == 1)
        return u"Every minute"_s;
    return u"Every %1 minutes"_s.arg(minutes);
}

} // namespace ReminderInterval
