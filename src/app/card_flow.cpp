// The card flow: the one-second tick, loading the library before a card is
// shown, and choosing between a phrase card and a message card.
#include "app/companion_delegate.h"

#include "account/sign_in_session.h"
#include "card/card_panel.h"
#include "lookup/phrase_lookup_window.h"

void CompanionDelegate::tick()
{
    // While lookup is open the reminder clock stands still entirely.
    if (m_sleeping || m_signingOut || m_lookupWindow->isVisible())
        return;
    const std::optional<CardSchedule::Event> event = m_schedule.tick(now());
    if (event == CardSchedule::Event::hide) {
        if (m_panel)
            m_panel->hide();
    } else if (event == CardSchedule::Event::show) {
        loadAndShow(false, false);
    }
}

void CompanionDelegate::loadAndShow(bool expanded, bool manual)
{
    if (m_presenting || m_signingOut)
        return; // dropped, not queued
    m_presenting = true;
    loadAndShowTask(expanded, manual);
}

QCoro::Task<void> CompanionDelegate::loadAndShowTask(bool expanded, bool manual)
{
    QPointer<CompanionDelegate> self(this);
    const bool ok = co_await m_store.refresh(origin().url(), m_auth.get(), false);
    if (!self)
        co_return;
    if (ok && !m_sleeping && !m_signingOut) {
        syncLookupAccount();
        m_deck.reconcile(m_store.phrases());
        const bool refused = m_schedule.pausedUntil().has_value() || m_store.state() != PhraseStore::State::ready
                          || m_lookupWindow->isVisible();
        if (!manual && refused) {
            // A reminder from the clock never shows a message card.
            dismissCard();
        } else {
            presentCurrentState();
            if (expanded) {
                setExpanded(true);
                if (m_panel) // not when the card stayed hidden (lookup opened meanwhile)
                    m_panel->takeKeyboardFocus();
            }
        }
    }
    m_presenting = false;
    Q_EMIT loadAndShowFinished();
}

void CompanionDelegate::showPhrase() { loadAndShow(false, true); }

void CompanionDelegate::showExpanded() { loadAndShow(true, true); }

void CompanionDelegate::presentCurrentState()
{
    if (m_sleeping || m_signingOut || m_lookupWindow->isVisible())
        return;
    m_schedule.show(now());
    if (m_store.state() == PhraseStore::State::ready) {
        if (std::optional<Phrase> phrase = m_deck.next(m_store.phrases())) {
            if (m_panel)
                m_panel->show(*phrase);
            return;
        }
    }
    if (m_panel)
        m_panel->showMessage(m_store.state(), m_store.status());
}

void CompanionDelegate::setExpanded(bool expanded)
{
    if (!m_schedule.visible())
        return;
    m_schedule.setExpanded(expanded, now());
    if (m_panel)
        m_panel->expand(expanded);
}

void CompanionDelegate::dismiss() { dismissCard(); }

void CompanionDelegate::openPhrasebook()
{
    m_environment.openUrl(WebAddress::appending(origin().url(), QStringLiteral("phrasebook")));
    dismissCard();
}
