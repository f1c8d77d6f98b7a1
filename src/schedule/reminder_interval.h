#pragma once

#include <QList>
#include <QString>
#include <optional>

class Preferences;

// Everything about the reminder interval setting.
namespace ReminderInterval {

inline constexpr const char *key = "reminderIntervalMinutes";
inline constexpr int defaultMinutes = 5;
inline constexpr int minMinutes = 1;
inline constexpr int maxMinutes = 1440;
const QList<int> &presets(); // 5, 10, 15, 30, 60

bool allowedMinutes(qint64 minutes); // the closed range 1…1440

// The stored interval in minutes, or the default when absent or out of range.
int load(const Preferences &preferences);

// What the learner typed into the custom-interval dialog, as minutes.
std::optional<int> parse(const QString &text);

// "Every minute", "Every 5 minutes", …
QString label(int minutes);

} // namespace ReminderInterval
