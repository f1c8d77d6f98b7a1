#include "app/companion_delegate.h"

#include "lookup/lookup_hot_key.h"
#include "lookup/phrase_lookup_model.h"
#include "lookup/phrase_lookup_window.h"
#include "updates/companion_updater.h"

#include <QDesktopServices>

namespace {

std::unique_ptr<CompanionUpdater> makeUpdater(Preferences &preferences, const QUrl &feed)
{
    return feed.isEmpty() ? std::make_unique<CompanionUpdater>(preferences)
                          : std::make_unique<CompanionUpdater>(preferences, feed);
}

} // namespace

CompanionDelegate::Environment CompanionDelegate::withDefaults(Environment environment)
{
    Q_ASSERT(environment.preferences);
    if (!environment.openUrl)
        environment.openUrl = [](const QUrl &url) { QDesktopServices::openUrl(url); };
    if (!environment.dialogs)
        environment.dialogs = std::make_unique<CompanionDialogs>();
    return environment;
}

// m_cards keeps a reference to m_account, constructed right after it; neither
// flow uses the other before launch.
CompanionDelegate::CompanionDelegate(Environment environment, QObject *parent)
    : QObject(parent),
      m_environment(withDefaults(std::move(environment))),
      m_auth(std::move(m_environment.session)),
      m_updater(makeUpdater(*m_environment.preferences, m_environment.updateFeed)),
      m_lookupWindow(std::make_unique<PhraseLookupWindow>()),
      m_lookupHotKey(std::make_unique<LookupHotKey>(*m_environment.preferences)),
      m_cards(m_store, m_account, *m_lookupWindow, *m_environment.preferences, m_environment.now,
              m_environment.openUrl),
      m_account(m_store, *m_auth, *m_lookupWindow, m_cards, *m_environment.preferences),
      m_statusMenu(m_cards, m_account, m_store, *m_lookupHotKey, *m_updater, *m_environment.dialogs)
{
}

CompanionDelegate::~CompanionDelegate() = default;

void CompanionDelegate::applicationWillTerminate()
{
    m_timer.stop();
    m_lookupHotKey->stop();
    m_lookupWindow->model()->clear();
}

void CompanionDelegate::suspend()
{
    m_cards.suspend();
    m_lookupWindow->hide();
}

void CompanionDelegate::wake()
{
    m_cards.wake();
}

void CompanionDelegate::screensChanged()
{
    m_cards.repositionPanel();
    m_lookupWindow->reposition();
}
