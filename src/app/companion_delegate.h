#pragma once

#include "account/sign_in_session.h"
#include "account/web_address.h"
#include "app/companion_dialogs.h"
#include "library/phrase_deck.h"
#include "library/phrase_store.h"
#include "schedule/card_schedule.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>
#include <qcoro/qcorotask.h>

class CardPanel;
class CompanionUpdater;
class LookupHotKey;
class PhraseLookupWindow;
class QMenu;
class StatusItem;
class TrayAbsenceNotice;

// The one controller of the companion: owns every long-lived part for the
// life of the process and joins them into the card, account and lookup flows.
class CompanionDelegate : public QObject {
    Q_OBJECT
public:
    // What the controller is given rather than makes itself, so that the
    // flows can run headless in tests.
    struct Environment {
        std::unique_ptr<SignInSession> session;         // the web view sign-in in the program
        std::function<Instant()> now = currentInstant;  // the wall clock
        std::function<void(const QUrl &)> openUrl;      // the default browser
        std::unique_ptr<CompanionDialogs> dialogs;      // the two modal dialogs
        QStringList arguments;                          // the command line
        QUrl updateFeed;                                // empty: the built-in feed address
        bool useTray = true;                            // false: the menu exists, no tray icon
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

    // The web app origin in use, read afresh from the preferences.
    WebOrigin origin() const;
    void syncLookupAccount();

    // Card flow.
    void tick();
    void loadAndShow(bool expanded, bool manual);
    void showPhrase();
    void showExpanded();
    void presentCurrentState();
    void setExpanded(bool expanded);
    void dismiss();
    void openPhrasebook();

    // Account and library flow.
    void signIn();
    void signOut();
    void clearSession(bool showLogin);
    void sessionChanged();
    void refreshLibrary(bool force);
    void refresh();
    void showLookup();
    void handleStateAction();

    // Status menu and its commands.
    void menuNeedsUpdate(QMenu *menu);
    void updateTooltip();
    void selectInterval(const QVariant &minutes);
    void configureInterval();
    void configureOrigin();
    void togglePause();
    void toggleLookupShortcut();
    void setUpGnomeShortcut();
    void quit();
    // Pops the status menu up at the pointer, rebuilt as from the tray.
    void showMenu();

    // Commands forwarded by a second launch ("--lookup", "--sign-in").
    void handleForwardedArguments(const QStringList &arguments);

    // Read by tests and by the status item.
    PhraseStore &store() { return m_store; }
    SignInSession &auth() { return *m_auth; }
    CompanionUpdater &updater() { return *m_updater; }
    const PhraseDeck &deck() const { return m_deck; }
    CardSchedule &schedule() { return m_schedule; }
    CardPanel *panel() const { return m_panel.get(); }
    PhraseLookupWindow &lookupWindow() { return *m_lookupWindow; }
    LookupHotKey &lookupHotKey() { return *m_lookupHotKey; }
    StatusItem *statusItem() const { return m_statusItem.get(); }
    const std::optional<QString> &lookupAccount() const { return m_lookupAccount; }
    const std::optional<WebOrigin> &lookupOrigin() const { return m_lookupOrigin; }
    bool sleeping() const { return m_sleeping; }
    bool signingOut() const { return m_signingOut; }
    bool presenting() const { return m_presenting; }
    const QTimer *timer() const { return m_timer.get(); }

Q_SIGNALS:
    // A flow task finished (tests wait on these instead of sleeping).
    void loadAndShowFinished();
    void sessionChangeFinished();
    void libraryRefreshFinished();
    void signOutFinished();
    void launchFinished();

private:
    void dismissCard();
    void addLookupItems(QMenu *menu);
    void setReminderInterval(int minutes);
    void installCallbacks();
    Instant now() const { return m_environment.now(); }

    QCoro::Task<void> loadAndShowTask(bool expanded, bool manual);
    QCoro::Task<void> clearSessionTask(bool showLogin);
    QCoro::Task<void> sessionChangedTask();
    QCoro::Task<void> refreshLibraryTask(bool force);
    QCoro::Task<void> launchTask();

    Environment m_environment;
    PhraseStore m_store;
    std::unique_ptr<SignInSession> m_auth;
    std::unique_ptr<CompanionUpdater> m_updater;
    PhraseDeck m_deck;
    CardSchedule m_schedule;
    std::unique_ptr<CardPanel> m_panel;
    std::unique_ptr<PhraseLookupWindow> m_lookupWindow;
    std::unique_ptr<LookupHotKey> m_lookupHotKey;
    std::optional<QString> m_lookupAccount;
    std::optional<WebOrigin> m_lookupOrigin;
    std::unique_ptr<StatusItem> m_statusItem;
    std::unique_ptr<TrayAbsenceNotice> m_trayNotice; // reads m_statusItem: declared after it
    std::unique_ptr<QTimer> m_timer;
    QList<QMetaObject::Connection> m_notifications;
    bool m_sleeping = false;
    bool m_signingOut = false;
    bool m_presenting = false;
};
