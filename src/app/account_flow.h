#pragma once

#include "account/web_address.h"

#include <QObject>
#include <QString>
#include <optional>
#include <qcoro/qcorotask.h>

class CardFlow;
class PhraseLookupWindow;
class PhraseStore;
class Preferences;
class SignInSession;

// The account and library flow: sign-in, sign-out, session changes, library
// refreshes, the web app origin in use, and opening lookup for the account
// the library belongs to.
class AccountFlow : public QObject {
    Q_OBJECT
public:
    AccountFlow(PhraseStore &store, SignInSession &auth, PhraseLookupWindow &lookupWindow, CardFlow &cards,
                Preferences &preferences, QObject *parent = nullptr);

    // The web app origin in use, read afresh from the preferences.
    WebOrigin origin() const;
    // Stores a new origin and signs out of the old one, opening sign-in.
    void changeOrigin(const WebOrigin &origin);
    // Refreshes the store from the origin in use; false when dropped.
    QCoro::Task<bool> fetchLibrary(bool force);
    // Gives lookup a client for the account the library belongs to.
    void syncLookupAccount();

    void signIn();
    void signOut();
    void clearSession(bool showLogin);
    void sessionChanged();
    void refreshLibrary(bool force);
    void refresh();
    void showLookup();
    // The hot key and "--lookup": lookup opens, or closes when open.
    void toggleLookup();
    void handleStateAction();
    // Lookup's outcomes.
    void lookupSaved();
    void lookupAccountInvalid();

    const std::optional<QString> &lookupAccount() const { return m_lookupAccount; }
    const std::optional<WebOrigin> &lookupOrigin() const { return m_lookupOrigin; }
    bool signingOut() const { return m_signingOut; }

Q_SIGNALS:
    // A flow task finished (tests wait on these instead of sleeping).
    void sessionChangeFinished();
    void libraryRefreshFinished();
    void signOutFinished();

private:
    void finishClearSession(bool showLogin);
    void finishSessionChange(bool ok, const std::optional<QString> &previousAccount);
    void finishLibraryRefresh(bool ok);

    PhraseStore &m_store;
    SignInSession &m_auth;
    PhraseLookupWindow &m_lookupWindow;
    CardFlow &m_cards;
    Preferences &m_preferences;
    std::optional<QString> m_lookupAccount;
    std::optional<WebOrigin> m_lookupOrigin;
    bool m_signingOut = false;
};
