#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <optional>
#include <qcoro/qcorotask.h>

class Preferences;
class QMenu;
class UpdateDialog;

// The companion's own small updater. It reads a JSON feed naming the newest
// release and offers that release's page; installing is left to the
// learner's package manager or download.
//
// A background check (at start when automatic checks are on, then once a
// day) that finds a newer version announces it through `availableVersion`.
// A check the learner asks for shows a dialog; opening it counts as
// attending to the announcement and closing it ends the update session, and
// both clear `availableVersion`.
class CompanionUpdater : public QObject {
    Q_OBJECT
public:
    static constexpr const char *automaticChecksKey = "automaticallyCheckForUpdates";
    static constexpr qint64 backgroundCheckIntervalSeconds = 24 * 60 * 60;

    explicit CompanionUpdater(Preferences &preferences,
                              const QUrl &feedUrl = QUrl(QString::fromLatin1(PELORA_UPDATE_FEED_URL)),
                              QObject *parent = nullptr);
    ~CompanionUpdater() override;

    std::optional<QString> availableVersion() const { return m_availableVersion; }
    static QString currentVersion() { return QString::fromLatin1(PELORA_VERSION); }

    // Starts the daily schedule, with a first background check at once when
    // automatic checks are on. Further calls do nothing.
    void start();

    // Appends "Pelora Companion <version>", the check item and the
    // automatic-checks switch.
    void addMenuItems(QMenu *menu);

    bool automaticallyChecksForUpdates() const; // stored; true when absent or not a boolean
    void setAutomaticallyChecksForUpdates(bool on);
    void toggleAutomaticChecks();

    // The check the learner asks for: shows the update dialog (or raises the
    // one already open).
    void checkForUpdates();

    // Runs a background check if automatic checks are on and the last one is
    // a day old; the schedule calls it every hour.
    void checkIfDue(const QDateTime &now);

Q_SIGNALS:
    // Emitted with the new value on every assignment of `availableVersion`.
    void availabilityChanged(const std::optional<QString> &version);
    // The learner asked to see the offered release's page in the browser.
    void releasePageRequested(const QUrl &page);

private:
    void setAvailableVersion(std::optional<QString> version);
    void startBackgroundCheck(const QDateTime &now);
    QCoro::Task<void> runBackgroundCheck(quint64 generation);
    QCoro::Task<void> runUserCheck(quint64 generation);
    void endSession();

    Preferences &m_preferences;
    QUrl m_feedUrl;
    std::optional<QString> m_availableVersion;
    bool m_started = false;
    bool m_backgroundCheckRunning = false;
    quint64 m_generation = 0; // a newer check makes an older one's answer stale
    QDateTime m_lastBackgroundCheck;
    QTimer m_schedule;
    QPointer<UpdateDialog> m_dialog;
    QUrl m_offeredPage;
};
