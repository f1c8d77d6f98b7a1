#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>
#include <memory>

// The companion's persistent per-user settings, over QSettings with a file
// format of our own that keeps each value's type across runs: a stored
// boolean reads back as a boolean, a date as a date and text as text.
class Preferences {
public:
    // The learner's store: organisation "Pelora", application "PeloraCompanion",
    // under the XDG configuration folder.
    static Preferences &standard();

    // A store in the given file (tests and tools).
    explicit Preferences(const QString &filePath);

    int integer(const QString &key) const;    // 0 when absent or not a whole number
    QVariant value(const QString &key) const; // invalid QVariant when absent
    QString text(const QString &key) const;   // empty when absent or not text
    void setInteger(const QString &key, qint64 value);
    void setBoolean(const QString &key, bool value);
    void setValue(const QString &key, const QVariant &value);
    void remove(const QString &key);

    QString filePath() const;
    static QSettings::Format typedFormat();

private:
    std::unique_ptr<QSettings> m_settings;
};

// Keys of the stored preferences other than the reminder interval's.
namespace PreferenceKeys {
inline constexpr const char *pausedUntil = "pausedUntil";
inline constexpr const char *webOrigin = "webOrigin";
inline constexpr const char *phraseLookupShortcutEnabled = "phraseLookupShortcutEnabled";
} // namespace PreferenceKeys
