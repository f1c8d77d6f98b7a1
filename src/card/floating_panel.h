#pragma once

#include <QEasingCurve>
#include <QQuickView>
#include <QRect>
#include <QVariantAnimation>
#include <chrono>

// A borderless, transparent, always-on-top tool window for the card and the
// lookup window. It stays off the task bar and pager and, on X11, sits on
// every desktop. It shows without taking focus; whether it may take focus
// at all is chosen with setTakesFocus().
class FloatingPanel : public QQuickView {
    Q_OBJECT
public:
    explicit FloatingPanel(const QString &title, QWindow *parent = nullptr);

    // Whether the window may receive keyboard focus (a click on it, or an
    // explicit activation). Off means the window manager never focuses it.
    void setTakesFocus(bool takesFocus);
    bool takesFocus() const;

    // Shows the window (or raises it) without activating it.
    void orderFront();
    // Takes the window off screen; the same window serves the next show.
    void orderOut();

    // Moves the window to `frame`: at once, or animated over `duration`
    // with the given easing. A running animation is replaced either way.
    void setFrame(const QRect &frame, bool animated, std::chrono::milliseconds duration = {},
                  const QEasingCurve &easing = easeInEaseOut());
    // Where the window is, or where its running animation will leave it.
    QRect targetFrame() const;
    bool isAnimating() const;

    // The desktop's usual ease-in-ease-out curve (cubic 0.42, 0, 0.58, 1).
    static QEasingCurve easeInEaseOut();

Q_SIGNALS:
    // Every frame change the window is asked for, animated or not.
    void frameRequested(const QRect &frame, bool animated);

private:
    void applyDesktopHints();

    QVariantAnimation m_animation;
};
