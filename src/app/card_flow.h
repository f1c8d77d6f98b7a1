#pragma once

#include "library/phrase_deck.h"
#include "library/phrase_store.h"
#include "schedule/card_schedule.h"

#include <QObject>
#include <QUrl>
#include <chrono>
#include <functional>
#include <memory>
#include <qcoro/qcorotask.h>

class AccountFlow;
class CardPanel;
class PhraseLookupWindow;
class Preferences;

// The card flow: the one-second tick, loading the library before a card is
// shown, choosing between a phrase card and a message card, the card's
// gestures, and pausing or spacing the reminders.
class CardFlow : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::seconds tickInterval{1};

    // `account` is only kept here: it may be constructed after this flow.
    CardFlow(PhraseStore &store, AccountFlow &account, PhraseLookupWindow &lookupWindow, Preferences &preferences,
             std::function<Instant()> now, std::function<void(const QUrl &)> openUrl, QObject *parent = nullptr);
    ~CardFlow() override;

    // Creates the card window and joins its gestures to this flow.
    void createPanel();
    // Takes back a pause stored by an earlier run, if it still lasts.
    void restorePause();

    void tick();
    void loadAndShow(bool expanded, bool manual);
    void showPhrase();
    void showExpanded();
    void presentCurrentState();
    void setExpanded(bool expanded);
    void dismiss();
    void openPhrasebook();
    void showNextPhrase();
    void togglePause();
    // Stores and applies a reminder interval already checked to be allowed.
    void setReminderInterval(std::chrono::minutes interval);
    std::chrono::minutes reminderInterval() const;

    void suspend();
    void wake();
    void repositionPanel();
    void hidePanel();
    // The phrase on the card, if any.
    std::optional<Phrase> shownPhrase() const;
    void clearShownPhrase();
    // Drops the card's phrase and the deck (the account goes away).
    void forgetPhrases();

    const PhraseDeck &deck() const { return m_deck; }
    PhraseDeck &deck() { return m_deck; }
    CardSchedule &schedule() { return m_schedule; }
    const CardSchedule &schedule() const { return m_schedule; }
    CardPanel *panel() const { return m_panel.get(); }
    bool sleeping() const { return m_sleeping; }
    bool presenting() const { return m_presenting; }

Q_SIGNALS:
    // A loadAndShow finished (tests wait on it instead of sleeping).
    void loadAndShowFinished();
    // The card's lookup and state-action buttons, for the account flow.
    void lookupRequested();
    void actionRequested();

private:
    void finishLoadAndShow(bool ok, bool expanded, bool manual);
    Instant now() const { return m_now(); }

    PhraseStore &m_store;
    AccountFlow &m_account;
    PhraseLookupWindow &m_lookupWindow;
    Preferences &m_preferences;
    std::function<Instant()> m_now;
    std::function<void(const QUrl &)> m_openUrl;
    PhraseDeck m_deck;
    CardSchedule m_schedule;
    std::unique_ptr<CardPanel> m_panel;
    bool m_sleeping = false;
    bool m_presenting = false;
};
