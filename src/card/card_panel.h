#pragma once

#include "card/card_model.h"
#include "card/floating_panel.h"
#include "library/phrase.h"
#include "library/phrase_store.h"

#include <QObject>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <chrono>
#include <memory>

// The floating card window: which screen, where, how large, how a size
// change is animated, and how a pointer leaving the card becomes a delayed
// collapse. The controller tells it what to show; the card never takes focus
// from the learner's application when it appears.
class CardPanel : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds resizeAnimation{220};
    static constexpr std::chrono::milliseconds collapseDelay{300};

    explicit CardPanel(QObject *parent = nullptr);
    ~CardPanel() override;

    CardModel *model() const { return m_model.get(); }
    FloatingPanel *window() const { return m_window.get(); }

    // The compact card for a saved phrase, on the screen under the pointer.
    void show(const Phrase &phrase);
    // The message card for a library state, with the store's status text.
    void showMessage(PhraseStore::State state, const QString &detail);
    // Expands or collapses the card, animated unless motion is reduced.
    void expand(bool expanded);
    // Pointer entered (at once hoverSettled(true)) or left the card
    // (hoverSettled(false) after 0.3 s unless something else happens to the
    // card first).
    void hover(bool inside);
    void hide();
    // Gives the expanded card on screen the keyboard (Escape dismisses it).
    // Only this (on request, or when the learner presses into the card's text
    // to select it) makes the card window accept focus, until the card
    // collapses, hides or is replaced.
    void takeKeyboardFocus();
    // Re-lays the card after the screens changed: its screen if still
    // attached, else the primary screen.
    void reposition();
    bool isVisible() const;

    QScreen *screen() const { return m_screen; }
    bool collapsePending() const { return m_collapseTimer.isActive(); }

Q_SIGNALS:
    // Where the pointer settled: on the card, or off it for 0.3 s.
    void hoverSettled(bool inside);

private:
    void cancelCollapse();
    void chooseScreen();
    void resize(bool animated);

    std::unique_ptr<CardModel> m_model;
    std::unique_ptr<FloatingPanel> m_window;
    QPointer<QScreen> m_screen;
    QTimer m_collapseTimer;
};
