// Launch: the card panel, the callbacks, the tray item, the one-second clock,
// a stored pause and the first refresh.
#include "app/companion_delegate.h"

#include "account/sign_in_session.h"
#include "app/command_line.h"
#include "app/menu_texts.h"
#include "app/status_item.h"
#include "app/tray_absence_notice.h"
#include "card/brand_assets.h"
#include "card/card_model.h"
#include "card/card_panel.h"
#include "lookup/lookup_hot_key.h"
#include "lookup/phrase_lookup_model.h"
#include "lookup/phrase_lookup_window.h"
#include "schedule/preferences.h"
#include "schedule/reminder_interval.h"
#include "updates/companion_updater.h"

#include <QDBusConnection>
#include <QDateTime>

QString MenuTexts::reminderTooltip(int minutes)
{
    return QStringLiteral("Pelora · Your saved Malay, ") + ReminderInterval::label(minutes).toLower();
}

void CompanionDelegate::applicationDidFinishLaunching()
{
    m_panel = std::make_unique<CardPanel>();
    installCallbacks();
    m_lookupHotKey->start();

    connect(m_auth.get(), &SignInSession::sessionChanged, this, [this] {
        if (!m_signingOut)
            sessionChanged();
    });

    const QPointer<CompanionDelegate> self(this);

    m_statusItem = std::make_unique<StatusItem>(m_environment.useTray, BrandAssets::menuBarIcon());
    m_statusItem->setToolTip(MenuTexts::reminderTooltip(int(m_schedule.interval() / 60.0)));
    connect(m_statusItem.get(), &StatusItem::menuNeedsUpdate, this, &CompanionDelegate::menuNeedsUpdate);
    if (m_environment.useTray) {
        StatusItem *item = m_statusItem.get();
        m_trayNotice = std::make_unique<TrayAbsenceNotice>(QDBusConnection::sessionBus(),
                                                           [item] { return item->trayShown(); });
    }

    connect(m_updater.get(), &CompanionUpdater::availabilityChanged, this,
            [this](const std::optional<QString> &version) {
                m_statusItem->setTitle(version ? MenuTexts::updateBadge() : QString());
                updateTooltip();
            });
    connect(m_updater.get(), &CompanionUpdater::releasePageRequested, this,
            [this](const QUrl &page) { m_environment.openUrl(page); });
    m_updater->start();

    // Sleep, wake and screen notifications are connected by the program
    // entry (SystemEvents), which calls suspend(), wake() and screensChanged().

    m_timer = std::make_unique<QTimer>();
    m_timer->setInterval(1000);
    m_timer->setTimerType(Qt::CoarseTimer); // up to half a second of slack is fine
    connect(m_timer.get(), &QTimer::timeout, this, &CompanionDelegate::tick);
    m_timer->start();

    const QVariant storedPause = Preferences::standard().value(QString::fromLatin1(PreferenceKeys::pausedUntil));
    if (storedPause.typeId() == QMetaType::QDateTime) {
        const Instant until = storedPause.toDateTime().toMSecsSinceEpoch() / 1000.0;
        if (until > now())
            m_schedule.restorePause(until);
    }

    launchTask();
}

void CompanionDelegate::installCallbacks()
{
    CardModel *card = m_panel->model();
    CardPanel *panel = m_panel.get();
    connect(card, &CardModel::hover, panel, &CardPanel::hover);
    connect(panel, &CardPanel::hoverSettled, this, &CompanionDelegate::setExpanded);
    connect(card, &CardModel::expand, this, [this] { setExpanded(true); });
    connect(card, &CardModel::dismiss, this, &CompanionDelegate::dismissCard);
    connect(card, &CardModel::next, this, [this] {
        std::optional<Phrase> phrase = m_deck.next(m_store.phrases());
        if (phrase && m_panel)
            m_panel->model()->setPhrase(std::move(phrase));
    });
    connect(card, &CardModel::open, this, &CompanionDelegate::openPhrasebook);
    connect(card, &CardModel::lookup, this, &CompanionDelegate::showLookup);
    connect(card, &CardModel::action, this, &CompanionDelegate::handleStateAction);

    PhraseLookupModel *lookup = m_lookupWindow->model();
    connect(lookup, &PhraseLookupModel::signIn, this, &CompanionDelegate::signIn);
    connect(lookup, &PhraseLookupModel::openLibrary, this, &CompanionDelegate::openPhrasebook);
    connect(lookup, &PhraseLookupModel::saved, this, [this] {
        if (!m_signingOut)
            refreshLibrary(true);
    });
    connect(lookup, &PhraseLookupModel::accountInvalid, this, [this] {
        m_lookupAccount.reset();
        if (!m_signingOut)
            refreshLibrary(false);
    });

    connect(m_lookupHotKey.get(), &LookupHotKey::pressed, this, [this] {
        if (m_lookupWindow->isVisible())
            m_lookupWindow->hide();
        else
            showLookup();
    });
}

QCoro::Task<void> CompanionDelegate::launchTask()
{
    QPointer<CompanionDelegate> self(this);
    co_await m_store.refresh(origin().url(), m_auth.get(), false);
    if (!self)
        co_return;
    syncLookupAccount();
    const CommandLine::Requests requests = CommandLine::requests(m_environment.arguments);
    if (requests.lookup) {
        showLookup();
    } else if (requests.signIn && m_store.state() == PhraseStore::State::signedOut) {
        m_auth->showLogin(origin().url());
    } else if (!m_schedule.pausedUntil()) {
        presentCurrentState();
    }
    if (requests.menu && !requests.lookup)
        showMenu();
    Q_EMIT launchFinished();
}

void CompanionDelegate::handleForwardedArguments(const QStringList &arguments)
{
    // A second launch of the program: the shortcut a learner bound to
    // "pelora-companion --lookup" toggles lookup like Super+M does.
    const CommandLine::Requests requests = CommandLine::requests(arguments);
    if (requests.lookup) {
        if (m_lookupWindow->isVisible())
            m_lookupWindow->hide();
        else
            showLookup();
    } else if (requests.menu) {
        showMenu();
    } else if (requests.signIn && m_store.state() == PhraseStore::State::signedOut) {
        // As at launch, only a signed-out companion opens sign-in: an account
        // that is signed in is never signed out by a second launch.
        signIn();
    }
}
