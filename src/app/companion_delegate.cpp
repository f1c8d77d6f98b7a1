#include "app/companion_delegate.h"

#include "account/sign_in_session.h"
#include "app/companion_dialogs.h"
#include "app/status_item.h"
#include "app/tray_absence_notice.h"
#include "card/card_panel.h"
#include "lookup/companion_phrase_api.h"
#include "lookup/lookup_hot_key.h"
#include "lookup/phrase_lookup_model.h"
#include "lookup/phrase_lookup_window.h"
#include "schedule/preferences.h"
#include "schedule/reminder_interval.h"
#include "updates/companion_updater.h"

#include <QDesktopServices>

CompanionDelegate::CompanionDelegate(Environment environment, QObject *parent)
    : QObject(parent),
      m_environment(std::move(environment)),
      m_auth(std::move(m_environment.session)),
      m_deck(),
      m_schedule(m_environment.now(), ReminderInterval::load() * 60.0),
      m_lookupWindow(std::make_unique<PhraseLookupWindow>()),
      m_lookupHotKey(std::make_unique<LookupHotKey>())
{
    if (!m_environment.openUrl)
        m_environment.openUrl = [](const QUrl &url) { QDesktopServices::openUrl(url); };
    if (!m_environment.dialogs)
        m_environment.dialogs = std::make_unique<CompanionDialogs>();
    m_updater = m_environment.updateFeed.isEmpty() ? std::make_unique<CompanionUpdater>()
                                                   : std::make_unique<CompanionUpdater>(m_environment.updateFeed);
}

CompanionDelegate::~CompanionDelegate()
{
    // The panel and windows go before the session they may refer to.
    m_panel.reset();
    m_lookupWindow.reset();
}

WebOrigin CompanionDelegate::origin() const
{
    const QString stored = Preferences::standard().text(QString::fromLatin1(PreferenceKeys::webOrigin));
    if (std::optional<WebOrigin> parsed = WebAddress::parse(stored))
        return *parsed;
    return WebAddress::production();
}

void CompanionDelegate::syncLookupAccount()
{
    PhraseLookupModel *model = m_lookupWindow->model();
    if (m_store.state() == PhraseStore::State::signedOut) {
        if (m_lookupAccount)
            model->clear();
        m_lookupAccount.reset();
        m_lookupOrigin.reset();
        return;
    }
    const std::optional<QString> userID = m_store.userID();
    if (!userID)
        return;
    if (m_store.state() != PhraseStore::State::ready && m_store.state() != PhraseStore::State::empty)
        return;
    const WebOrigin current = origin();
    if (m_lookupAccount == userID && m_lookupOrigin == current)
        return;
    m_lookupAccount = userID;
    m_lookupOrigin = current;
    model->connect(std::make_unique<CompanionPhraseAPI>(current.url(), *userID, m_auth.get()));
}

void CompanionDelegate::applicationWillTerminate()
{
    if (m_timer)
        m_timer->stop();
    m_lookupHotKey->stop();
    m_lookupWindow->model()->clear();
    for (const QMetaObject::Connection &connection : std::as_const(m_notifications))
        QObject::disconnect(connection);
    m_notifications.clear();
}

void CompanionDelegate::suspend()
{
    m_sleeping = true;
    m_schedule.dismiss();
    if (m_panel)
        m_panel->hide();
    m_lookupWindow->hide();
}

void CompanionDelegate::wake()
{
    m_sleeping = false;
    m_schedule.wake(now());
    if (m_panel)
        m_panel->hide();
}

void CompanionDelegate::screensChanged()
{
    if (m_panel)
        m_panel->reposition();
    m_lookupWindow->reposition();
}

void CompanionDelegate::dismissCard()
{
    m_schedule.dismiss();
    if (m_panel)
        m_panel->hide();
}
