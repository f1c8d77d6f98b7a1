#include "app/card_flow.h"

#include "account/web_address.h"
#include "app/account_flow.h"
#include "app/instant_time.h"
#include "card/card_model.h"
#include "card/card_panel.h"
#include "lookup/phrase_lookup_window.h"
#include "schedule/preferences.h"
#include "schedule/reminder_interval.h"

using namespace Qt::StringLiterals;

CardFlow::CardFlow(PhraseStore &store, AccountFlow &account, PhraseLookupWindow &lookupWindow, Preferences &preferences,
                   std::function<Instant()> now, std::function<void(const QUrl &)> openUrl, QObject *parent)
    : QObject(parent),
      m_store(store),
      m_account(account),
      m_lookupWindow(lookupWindow),
      m_preferences(preferences),
      m_now(std::move(now)),
      m_openUrl(std::move(openUrl)),
      m_schedule(m_now(),
                 std::chrono::duration<double>(std::chrono::minutes(ReminderInterval::load(preferences))).count())
{
}

CardFlow::~CardFlow() = default;

void CardFlow::createPanel()
{
    m_panel = std::make_unique<CardPanel>();
    CardModel *card = m_panel->model();
    connect(card, &CardModel::hover, m_panel.get(), &CardPanel::hover);
    connect(m_panel.get(), &CardPanel::hoverSettled, this, &CardFlow::setExpanded);
    connect(card, &CardModel::expand, this, [this] { setExpanded(true); });
    connect(card, &CardModel::dismiss, this, &CardFlow::dismiss);
    connect(card, &CardModel::next, this, &CardFlow::showNextPhrase);
    connect(card, &CardModel::open, this, &CardFlow::openPhrasebook);
    connect(card, &CardModel::lookup, this, &CardFlow::lookupRequested);
    connect(card, &CardModel::action, this, &CardFlow::actionRequested);
}

void CardFlow::restorePause()
{
    const QVariant stored = m_preferences.value(QString::fromLatin1(PreferenceKeys::pausedUntil));
    if (stored.typeId() != QMetaType::QDateTime)
        return;
    const Instant until = InstantTime::fromDateTime(stored.toDateTime());
    if (until > now())
        m_schedule.restorePause(until);
}

void CardFlow::tick()
{
    // While lookup is open the reminder clock stands still entirely.
    if (m_sleeping || m_account.signingOut() || m_lookupWindow.isVisible())
        return;
    const std::optional<CardSchedule::Event> event = m_schedule.tick(now());
    if (event == CardSchedule::Event::hide)
        hidePanel();
    else if (event == CardSchedule::Event::show)
        loadAndShow(false, false);
}

void CardFlow::loadAndShow(bool expanded, bool manual)
{
    if (m_presenting || m_account.signingOut())
        return; // dropped, not queued
    m_presenting = true;
    QCoro::connect(m_account.fetchLibrary(false), this,
                   [this, expanded, manual](bool ok) { finishLoadAndShow(ok, expanded, manual); });
}

void CardFlow::finishLoadAndShow(bool ok, bool expanded, bool manual)
{
    if (ok && !m_sleeping && !m_account.signingOut()) {
        m_account.syncLookupAccount();
        m_deck.reconcile(m_store.phrases());
        const bool refused = m_schedule.pausedUntil().has_value() || m_store.state() != PhraseStore::State::ready
            || m_lookupWindow.isVisible();
        if (!manual && refused) {
            // A reminder from the clock never shows a message card.
            dismiss();
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

void CardFlow::showPhrase()
{
    loadAndShow(false, true);
}

void CardFlow::showExpanded()
{
    loadAndShow(true, true);
}

void CardFlow::presentCurrentState()
{
    if (m_sleeping || m_account.signingOut() || m_lookupWindow.isVisible())
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

void CardFlow::setExpanded(bool expanded)
{
    if (!m_schedule.visible())
        return;
    m_schedule.setExpanded(expanded, now());
    if (m_panel)
        m_panel->expand(expanded);
}

void CardFlow::dismiss()
{
    m_schedule.dismiss();
    hidePanel();
}

void CardFlow::openPhrasebook()
{
    m_openUrl(WebAddress::appending(m_account.origin().url(), u"phrasebook"_s));
    dismiss();
}

void CardFlow::showNextPhrase()
{
    std::optional<Phrase> phrase = m_deck.next(m_store.phrases());
    if (phrase && m_panel)
        m_panel->model()->setPhrase(std::move(phrase));
}

void CardFlow::togglePause()
{
    if (!m_schedule.pausedUntil()) {
        m_schedule.pause(now());
        hidePanel();
    } else {
        m_schedule.resume(now());
    }
    const QString key = QString::fromLatin1(PreferenceKeys::pausedUntil);
    if (const std::optional<Instant> until = m_schedule.pausedUntil())
        m_preferences.setValue(key, InstantTime::toDateTime(*until));
    else
        m_preferences.remove(key);
}

void CardFlow::setReminderInterval(std::chrono::minutes interval)
{
    m_preferences.setInteger(QString::fromLatin1(ReminderInterval::key), interval.count());
    m_schedule.setInterval(std::chrono::duration<double>(interval).count(), now());
}

std::chrono::minutes CardFlow::reminderInterval() const
{
    return InstantTime::minutesOf(m_schedule.interval());
}

void CardFlow::suspend()
{
    m_sleeping = true;
    m_schedule.dismiss();
    hidePanel();
}

void CardFlow::wake()
{
    m_sleeping = false;
    m_schedule.wake(now());
    hidePanel();
}

void CardFlow::repositionPanel()
{
    if (m_panel)
        m_panel->reposition();
}

void CardFlow::hidePanel()
{
    if (m_panel)
        m_panel->hide();
}

std::optional<Phrase> CardFlow::shownPhrase() const
{
    return m_panel ? m_panel->model()->phrase() : std::nullopt;
}

void CardFlow::clearShownPhrase()
{
    if (m_panel)
        m_panel->model()->setPhrase(std::nullopt);
}

void CardFlow::forgetPhrases()
{
    m_deck = PhraseDeck();
    clearShownPhrase();
}
