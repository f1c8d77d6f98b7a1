#pragma once

#include "card/floating_panel.h"
#include "lookup/lookup_presentation.h"
#include "lookup/phrase_lookup_model.h"

#include <QObject>
#include <chrono>
#include <memory>

// The lookup window: owns the lookup model and the focus signal for the life
// of the process, creates its floating window on first show, places it on
// the screen under the pointer, grows it while a card is shown and shrinks it
// back (keeping the top edge), and hides when it loses focus. Hiding always
// abandons a running lookup; a save in flight carries on.
class PhraseLookupWindow : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds resizeAnimation{200};

    explicit PhraseLookupWindow(QObject *parent = nullptr);
    ~PhraseLookupWindow() override;

    PhraseLookupModel *model() const { return m_model.get(); }
    LookupPresentation *presentation() const { return m_presentation.get(); }
    // The window, or null before the first show().
    FloatingPanel *window() const { return m_window.get(); }

    // Creates the window if needed, places it, brings it to the front with
    // keyboard focus and asks for focus in the search field.
    void show();
    // Abandons a running lookup and takes the window off screen.
    void hide();
    // Places the window again, if it is showing (the screens changed).
    void reposition();
    bool isVisible() const;

protected:
    // Closing the window (the window manager's close button, Alt+F4)
    // abandons a running lookup, like hiding it.
    bool eventFilter(QObject *watched, QEvent *event) override;

    static QString title()
    {
        using namespace Qt::StringLiterals;
        return u"Look up a phrase · Pelora"_s;
    }

private:
    void createWindow();
    void position();
    void resize(bool withCard);
    void scheduleResize();
    void windowActiveChanged();

    std::unique_ptr<PhraseLookupModel> m_model;
    std::unique_ptr<LookupPresentation> m_presentation;
    std::unique_ptr<FloatingPanel> m_window;
    bool m_resizeQueued = false;
};
