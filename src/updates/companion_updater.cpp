#include "updates/companion_updater.h"

#include "schedule/preferences.h"
#include "updates/feed_fetcher.h"
#include "updates/update_dialog.h"
#include "updates/update_feed.h"
#include "updates/updates_log.h"

#include <QAction>
#include <QMenu>

using namespace Qt::StringLiterals;

namespace {

constexpr std::chrono::hours scheduleTick{1};

std::optional<UpdateFeed> decodeFeed(const std::optional<QByteArray> &body)
{
    if (!body)
        return std::nullopt; // the fetch has logged why
    std::optional<UpdateFeed> feed = UpdateFeed::decode(*body);
    if (!feed)
        qCWarning(lcUpdates) << "Update check failed: not a valid update feed";
    return feed;
}

bool isNewerThanThisVersion(const UpdateFeed &feed)
{
    const std::optional<VersionNumber> current = VersionNumber::parse(CompanionUpdater::currentVersion());
    return !current || feed.number > *current;
}

} // namespace

CompanionUpdater::CompanionUpdater(Preferences &preferences, const QUrl &feedUrl, QObject *parent)
    : QObject(parent),
      m_preferences(preferences),
      m_feedUrl(feedUrl)
{
    m_schedule.setInterval(scheduleTick);
    connect(&m_schedule, &QTimer::timeout, this, [this] { checkIfDue(QDateTime::currentDateTimeUtc()); });
}

CompanionUpdater::~CompanionUpdater()
{
    if (m_dialog)
        delete m_dialog.data();
}

void CompanionUpdater::setAvailableVersion(std::optional<QString> version)
{
    m_availableVersion = std::move(version);
    Q_EMIT availabilityChanged(m_availableVersion);
}

void CompanionUpdater::start()
{
    if (m_started)
        return;
    m_started = true;
    m_schedule.start();
    if (automaticallyChecksForUpdates())
        startBackgroundCheck(QDateTime::currentDateTimeUtc());
}

void CompanionUpdater::addMenuItems(QMenu *menu)
{
    QAction *about = menu->addAction(u"Pelora Companion "_s + currentVersion());
    about->setEnabled(false);

    const QString checkTitle =
        m_availableVersion ? u"Update to "_s + *m_availableVersion + QChar(0x2026) : u"Check for Updates…"_s;
    connect(menu->addAction(checkTitle), &QAction::triggered, this, &CompanionUpdater::checkForUpdates);

    QAction *automatic = menu->addAction(u"Automatically check for updates"_s);
    automatic->setCheckable(true);
    automatic->setChecked(automaticallyChecksForUpdates());
    connect(automatic, &QAction::triggered, this, &CompanionUpdater::toggleAutomaticChecks);
}

bool CompanionUpdater::automaticallyChecksForUpdates() const
{
    const QVariant stored = m_preferences.value(QString::fromLatin1(automaticChecksKey));
    return stored.typeId() == QMetaType::Bool ? stored.toBool() : true;
}

void CompanionUpdater::setAutomaticallyChecksForUpdates(bool on)
{
    m_preferences.setBoolean(QString::fromLatin1(automaticChecksKey), on);
}

void CompanionUpdater::toggleAutomaticChecks()
{
    setAutomaticallyChecksForUpdates(!automaticallyChecksForUpdates());
}

void CompanionUpdater::checkIfDue(const QDateTime &now)
{
    if (!automaticallyChecksForUpdates())
        return;
    if (m_lastBackgroundCheck.isValid() && m_lastBackgroundCheck.secsTo(now) < backgroundCheckIntervalSeconds)
        return;
    startBackgroundCheck(now);
}

void CompanionUpdater::startBackgroundCheck(const QDateTime &now)
{
    // No second check while one runs or while the learner is in an update session.
    if (m_backgroundCheckRunning || m_dialog)
        return;
    m_lastBackgroundCheck = now;
    runBackgroundCheck(m_generation);
}

QCoro::Task<void> CompanionUpdater::runBackgroundCheck(quint64 generation)
{
    QPointer<CompanionUpdater> self(this);
    m_backgroundCheckRunning = true;
    const std::optional<QByteArray> body = co_await FeedFetcher::fetch(m_feedUrl);
    if (!self)
        co_return;
    m_backgroundCheckRunning = false;
    if (generation != m_generation)
        co_return; // the learner started a check of their own meanwhile
    const std::optional<UpdateFeed> feed = decodeFeed(body);
    if (feed && isNewerThanThisVersion(*feed))
        setAvailableVersion(feed->version);
}

void CompanionUpdater::checkForUpdates()
{
    if (m_dialog) {
        m_dialog->raise();
        m_dialog->activateWindow();
        return;
    }
    auto *dialog = new UpdateDialog();
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_dialog = dialog;
    connect(dialog, &QDialog::finished, this, &CompanionUpdater::endSession);
    connect(dialog, &UpdateDialog::openPageRequested, this, [this] {
        if (m_offeredPage.isValid())
            Q_EMIT releasePageRequested(m_offeredPage);
    });
    dialog->showChecking();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    runUserCheck(++m_generation);
}

QCoro::Task<void> CompanionUpdater::runUserCheck(quint64 generation)
{
    QPointer<CompanionUpdater> self(this);
    const std::optional<QByteArray> body = co_await FeedFetcher::fetch(m_feedUrl);
    if (!self || generation != m_generation || !m_dialog)
        co_return; // cancelled, or the updater is gone
    const std::optional<UpdateFeed> feed = decodeFeed(body);
    if (!feed) {
        m_dialog->showFailure();
    } else if (isNewerThanThisVersion(*feed)) {
        m_offeredPage = feed->url;
        m_dialog->showAvailable(feed->version, currentVersion(), feed->notes);
        setAvailableVersion(std::nullopt); // the learner is looking at it now
    } else {
        m_dialog->showUpToDate(currentVersion());
    }
}

void CompanionUpdater::endSession()
{
    ++m_generation; // a check still running for the closed dialog is dropped
    m_offeredPage.clear();
    setAvailableVersion(std::nullopt);
}
