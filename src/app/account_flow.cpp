#include "app/account_flow.h"

#include "account/sign_in_session.h"
#include "app/card_flow.h"
#include "library/phrase_store.h"
#include "lookup/companion_phrase_api.h"
#include "lookup/phrase_lookup_model.h"
#include "lookup/phrase_lookup_window.h"
#include "schedule/preferences.h"

namespace {

bool holdsPhraseWithID(const QList<Phrase> &phrases, const QString &id)
{
    return std::any_of(phrases.cbegin(), phrases.cend(), [&](const Phrase &phrase) { return phrase.id == id; });
}

} // namespace

AccountFlow::AccountFlow(PhraseStore &store, SignInSession &auth, PhraseLookupWindow &lookupWindow, CardFlow &cards,
                         Preferences &preferences, QObject *parent)
    : QObject(parent),
      m_store(store),
      m_auth(auth),
      m_lookupWindow(lookupWindow),
      m_cards(cards),
      m_preferences(preferences)
{
}

WebOrigin AccountFlow::origin() const
{
    const QString stored = m_preferences.text(QString::fromLatin1(PreferenceKeys::webOrigin));
    if (std::optional<WebOrigin> parsed = WebAddress::parse(stored))
        return *parsed;
    return WebAddress::production();
}

void AccountFlow::changeOrigin(const WebOrigin &origin)
{
    m_preferences.setValue(QString::fromLatin1(PreferenceKeys::webOrigin), origin.text());
    clearSession(true);
}

QCoro::Task<bool> AccountFlow::fetchLibrary(bool force)
{
    return m_store.refresh(origin().url(), &m_auth, force);
}

void AccountFlow::syncLookupAccount()
{
    PhraseLookupModel *model = m_lookupWindow.model();
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
    model->connect(std::make_unique<CompanionPhraseAPI>(current.url(), *userID, &m_auth));
}

void AccountFlow::signIn()
{
    if (m_signingOut)
        return;
    m_cards.dismiss();
    if (!m_store.userID())
        m_auth.showLogin(origin().url());
    else
        clearSession(true); // "Switch account…": the sign-in opens once the old session is gone
}

void AccountFlow::signOut()
{
    clearSession(false);
}

void AccountFlow::clearSession(bool showLogin)
{
    if (m_signingOut)
        return;
    m_signingOut = true;
    m_lookupWindow.model()->clear();
    m_lookupAccount.reset();
    m_lookupOrigin.reset();
    m_cards.dismiss();
    m_store.clear();
    m_cards.forgetPhrases();
    QCoro::connect(m_auth.clear(), this, [this, showLogin] { finishClearSession(showLogin); });
}

void AccountFlow::finishClearSession(bool showLogin)
{
    m_signingOut = false;
    if (showLogin)
        m_auth.showLogin(origin().url());
    Q_EMIT signOutFinished();
}

void AccountFlow::sessionChanged()
{
    if (m_signingOut)
        return;
    const std::optional<QString> previousAccount = m_store.userID();
    QCoro::connect(fetchLibrary(false), this,
                   [this, previousAccount](bool ok) { finishSessionChange(ok, previousAccount); });
}

void AccountFlow::finishSessionChange(bool ok, const std::optional<QString> &previousAccount)
{
    if (ok && !m_signingOut) {
        syncLookupAccount();
        m_cards.deck().reconcile(m_store.phrases());
        switch (m_store.state()) {
        case PhraseStore::State::signedOut:
        case PhraseStore::State::unavailable:
            m_cards.dismiss();
            m_cards.clearShownPhrase();
            break;
        case PhraseStore::State::loading:
            break;
        case PhraseStore::State::ready:
        case PhraseStore::State::empty:
            m_auth.finishLogin();
            if (previousAccount == m_store.userID()) {
                // The same learner: keep the card unless its phrase left the library.
                const std::optional<Phrase> shown = m_cards.shownPhrase();
                if (shown && !holdsPhraseWithID(m_store.phrases(), shown->id))
                    m_cards.dismiss();
            } else if (!m_cards.schedule().pausedUntil()) {
                m_cards.presentCurrentState(); // a sign-in or a switch: the new account's first card
            }
            break;
        }
    }
    Q_EMIT sessionChangeFinished();
}

void AccountFlow::refreshLibrary(bool force)
{
    QCoro::connect(fetchLibrary(force), this, [this](bool ok) { finishLibraryRefresh(ok); });
}

void AccountFlow::finishLibraryRefresh(bool ok)
{
    if (ok) {
        syncLookupAccount();
        m_cards.deck().reconcile(m_store.phrases());
        const std::optional<Phrase> shown = m_cards.shownPhrase();
        const bool stillBacked =
            m_store.state() == PhraseStore::State::ready && shown && holdsPhraseWithID(m_store.phrases(), shown->id);
        if (!stillBacked)
            m_cards.dismiss();
    }
    Q_EMIT libraryRefreshFinished();
}

void AccountFlow::refresh()
{
    if (!m_signingOut)
        refreshLibrary(false);
}

void AccountFlow::showLookup()
{
    if (m_signingOut)
        return;
    m_cards.dismiss();
    syncLookupAccount();
    m_lookupWindow.show();
    if (!m_signingOut)
        refreshLibrary(false);
}

void AccountFlow::toggleLookup()
{
    if (m_lookupWindow.isVisible())
        m_lookupWindow.hide();
    else
        showLookup();
}

void AccountFlow::handleStateAction()
{
    switch (m_store.state()) {
    case PhraseStore::State::empty:
        showLookup();
        break;
    case PhraseStore::State::signedOut:
        signIn();
        break;
    case PhraseStore::State::loading:
    case PhraseStore::State::ready:
    case PhraseStore::State::unavailable:
        if (m_cards.presenting() || m_signingOut)
            return;
        m_cards.showPhrase();
        break;
    }
}

void AccountFlow::lookupSaved()
{
    if (!m_signingOut)
        refreshLibrary(true);
}

void AccountFlow::lookupAccountInvalid()
{
    m_lookupAccount.reset();
    if (!m_signingOut)
        refreshLibrary(false);
}
