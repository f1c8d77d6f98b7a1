#pragma once

#include "account/sign_in_session.h"
#include "app/account_flow.h"
#include "app/card_flow.h"
#include "app/companion_dialogs.h"
#include "app/status_menu.h"
#include "library/phrase_store.h"
#include "schedule/card_schedule.h"

#include <QObject>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <memory>

class CompanionUpdater;
class LookupHotKey;
class PhraseLookupWindow;
class Preferences;

// The one controller of the companion: owns every long-lived part for the
// life of the process and joins them into the card flow, the account and
// library flow and the status menu, each an object of its own.
class CompanionDelegate : public QObject {
    Q_OBJECT
public:
    // What the controller is given rather than makes itself, so that the
    // flows can run headless in tests.
    struct Environment {
        std::unique_ptr<SignInSession> session;        // the web view sign-in in the program
        Preferences *preferences = nullptr;            // the learner's stored settings (required)
        std::function<Instant()> now = currentInstant; // the wall clock
        std::function<void(const QUrl &)> openUrl;     // the default browser
        std::unique_ptr<CompanionDialogs> dialogs;     // the two modal dialogs
        QStringList arguments;                         // the command line
        QUrl updateFeed;                               // empty: the built-in feed address
        bool useTray = true;                           // false: the menu exists, no tray icon
    };

    explicit CompanionDelegate(Environment environment, QObject *parent = nullptr);
    ~CompanionDelegate() override;

    // Launch and termination.
    void applicationDidFinishLaunching();
    void applicationWillTerminate();

    // System events.
    void suspend();
    void wake();
    void screensChanged();

    // Commands forwarded by a second launch ("--lookup", "--sign-in").
    void handleForwardedArguments(const QStringList &arguments);

    // The parts, for tests.
    CardFlow &cards() { return m_cards; }
    AccountFlow &account() { return m_account; }
    StatusMenu &statusMenu() { return m_statusMenu; }
    PhraseStore &store() { return m_store; }
    SignInSession &auth() { return *m_auth; }
    CompanionUpdater &updater() { return *m_updater; }
    PhraseLookupWindow &lookupWindow() { return *m_lookupWindow; }
    LookupHotKey &lookupHotKey() { return *m_lookupHotKey; }

Q_SIGNALS:
    // The launch finished its first refresh (tests wait on it).
    void launchFinished();

private:
    static Environment withDefaults(Environment environment);
    void connectParts();
    void finishLaunch();

    Environment m_environment;
    PhraseStore m_store;
    std::unique_ptr<SignInSession> m_auth;
    std::unique_ptr<CompanionUpdater> m_updater;
    std::unique_ptr<PhraseLookupWindow> m_lookupWindow;
    std::unique_ptr<LookupHotKey> m_lookupHotKey;
    // The flows refer to each other, and go before the windows and the
    // session they use.
    CardFlow m_cards;
    AccountFlow m_account;
    StatusMenu m_statusMenu;
    QTimer m_timer;
};
