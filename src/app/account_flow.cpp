// The account and library flow: sign-in, sign-out, session changes, library
// refreshes and opening lookup.
#include "app/companion_delegate.h"

#include "account/sign_in_session.h"
#include "card/card_model.h"
#include "card/card_panel.h"
#include "lookup/phrase_lookup_model.h"
#include "lookup/phrase_lookup_window.h"

namespace {

bool holdsPhraseWithID(const QList<Phrase> &phrases, const QString &id)
{
    return std::any_of(phrases.cbegin(), phrases.cend(), [&](const Phrase &phrase) { return phrase.id == id; });
}

} // namespace

void CompanionDelegate::signIn()
{
    if (m_signingOut)
        return;
    dismissCard();
    if (!m_store.userID())
        m_auth->showLogin(origin().url());
    else
        clearSession(true); // "Switch account…": the sign-in opens once the old session is gone
}

void CompanionDelegate::signOut() { clearSession(false); }

void CompanionDelegate::clearSession(bool showLogin)
{
    if (m_signingOut)
        return;
    m_signingOut = true;
    m_lookupWindow->model()->clear();
    m_lookupAccount.reset();
    m_lookupOrigin.reset();
    dismissCard();
    m_store.clear();
    m_deck = PhraseDeck();
    if (m_panel)
        m_panel->model()->setPhrase(std::nullopt);
    clearSessionTask(showLogin);
}

QCoro::Task<void> CompanionDelegate::clearSessionTask(bool showLogin)
{
    QPointer<CompanionDelegate> self(this);
    co_await m_auth->clear();
    if (!self)
        co_return;
    m_signingOut = false;
    if (showLogin)
        m_auth->showLogin(origin().url());
    Q_EMIT signOutFinished();
}

void CompanionDelegate::sessionChanged()
{
    if (m_signingOut)
        return;
    sessionChangedTask();
}

QCoro::Task<void> CompanionDelegate::sessionChangedTask()
{
    QPointer<CompanionDelegate> self(this);
    const std::optional<QString> previousAccount = m_store.userID();
    const bool ok = co_await m_store.refresh(origin().url(), m_auth.get(), false);
    if (!self)
        co_return;
    if (ok && !m_signingOut) {
        syncLookupAccount();
        m_deck.reconcile(m_store.phrases());
        switch (m_store.state()) {
        case PhraseStore::State::signedOut:
        case PhraseStore::State::unavailable:
            dismissCard();
            if (m_panel)
                m_panel->model()->setPhrase(std::nullopt);
            break;
        case PhraseStore::State::loading:
            break;
        case PhraseStore::State::ready:
        case PhraseStore::State::empty:
            m_auth->finishLogin();
            if (previousAccount == m_store.userID()) {
                // The same learner: keep the card unless its phrase left the library.
                const std::optional<Phrase> shown = m_panel ? m_panel->model()->phrase() : std::nullopt;
                if (shown && !holdsPhraseWithID(m_store.phrases(), shown->id))
                    dismissCard();
            } else if (!m_schedule.pausedUntil()) {
                presentCurrentState(); // a sign-in or a switch: the new account's first card
            }
            break;
        }
    }
    Q_EMIT sessionChangeFinished();
}

void CompanionDelegate::refreshLibrary(bool force) { refreshLibraryTask(force); }

QCoro::Task<void> CompanionDelegate::refreshLibraryTask(bool force)
{
    QPointer<CompanionDelegate> self(this);
    const bool ok = co_await m_store.refresh(origin().url(), m_auth.get(), force);
    if (!self)
        co_return;
    if (ok) {
        syncLookupAccount();
        m_deck.reconcile(m_store.phrases());
        const std::optional<Phrase> shown = m_panel ? m_panel->model()->phrase() : std::nullopt;
        const bool stillBacked = m_store.state() == PhraseStore::State::ready && shown
                              && holdsPhraseWithID(m_store.phrases(), shown->id);
        if (!stillBacked)
            dismissCard();
    }
    Q_EMIT libraryRefreshFinished();
}

void CompanionDelegate::refresh()
{
    if (!m_signingOut)
        refreshLibrary(false);
}

void CompanionDelegate::showLookup()
{
    if (m_signingOut)
        return;
    dismissCard();
    syncLookupAccount();
    m_lookupWindow->show();
    if (!m_signingOut)
        refreshLibrary(false);
}

void CompanionDelegate::handleStateAction()
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
        if (m_presenting || m_signingOut)
            return;
        showPhrase();
        break;
    }
}
