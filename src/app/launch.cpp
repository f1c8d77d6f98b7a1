// Launch: the card panel, the connections between the parts, the tray item,
// the one-second clock, a stored pause and the first refresh.
#include "app/companion_delegate.h"

#include "app/command_line.h"
#include "lookup/lookup_hot_key.h"
#include "lookup/phrase_lookup_model.h"
#include "lookup/phrase_lookup_window.h"
#include "updates/companion_updater.h"

void CompanionDelegate::applicationDidFinishLaunching()
{
    m_cards.createPanel();
    connectParts();
    m_lookupHotKey->start();

    connect(m_auth.get(), &SignInSession::sessionChanged, &m_account, &AccountFlow::sessionChanged);

    m_statusMenu.createItem(m_environment.useTray);
    m_updater->start();

    // Sleep, wake and screen notifications are connected by the program
    // entry (SystemEvents), which calls suspend(), wake() and screensChanged().

    m_timer.setInterval(CardFlow::tickInterval);
    m_timer.setTimerType(Qt::CoarseTimer); // up to half a second of slack is fine
    connect(&m_timer, &QTimer::timeout, &m_cards, &CardFlow::tick);
    m_timer.start();

    m_cards.restorePause();

    QCoro::connect(m_account.fetchLibrary(false), this, &CompanionDelegate::finishLaunch);
}

void CompanionDelegate::connectParts()
{
    connect(&m_cards, &CardFlow::lookupRequested, &m_account, &AccountFlow::showLookup);
    connect(&m_cards, &CardFlow::actionRequested, &m_account, &AccountFlow::handleStateAction);

    PhraseLookupModel *lookup = m_lookupWindow->model();
    connect(lookup, &PhraseLookupModel::signIn, &m_account, &AccountFlow::signIn);
    connect(lookup, &PhraseLookupModel::openLibrary, &m_cards, &CardFlow::openPhrasebook);
    connect(lookup, &PhraseLookupModel::saved, &m_account, &AccountFlow::lookupSaved);
    connect(lookup, &PhraseLookupModel::accountInvalid, &m_account, &AccountFlow::lookupAccountInvalid);

    connect(m_lookupHotKey.get(), &LookupHotKey::pressed, &m_account, &AccountFlow::toggleLookup);
    connect(m_updater.get(), &CompanionUpdater::releasePageRequested, this,
            [this](const QUrl &page) { m_environment.openUrl(page); });
}

void CompanionDelegate::finishLaunch()
{
    m_account.syncLookupAccount();
    const CommandLine::Requests requests = CommandLine::requests(m_environment.arguments);
    if (requests.lookup) {
        m_account.showLookup();
    } else if (requests.signIn && m_store.state() == PhraseStore::State::signedOut) {
        m_auth->showLogin(m_account.origin().url());
    } else if (!m_cards.schedule().pausedUntil()) {
        m_cards.presentCurrentState();
    }
    if (requests.menu && !requests.lookup)
        m_statusMenu.showMenu();
    Q_EMIT launchFinished();
}

void CompanionDelegate::handleForwardedArguments(const QStringList &arguments)
{
    // A second launch of the program: the shortcut a learner bound to
    // "pelora-companion --lookup" toggles lookup like Super+M does.
    const CommandLine::Requests requests = CommandLine::requests(arguments);
    if (requests.lookup) {
        m_account.toggleLookup();
    } else if (requests.menu) {
        m_statusMenu.showMenu();
    } else if (requests.signIn && m_store.state() == PhraseStore::State::signedOut) {
        // As at launch, only a signed-out companion opens sign-in: an account
        // that is signed in is never signed out by a second launch.
        m_account.signIn();
    }
}
