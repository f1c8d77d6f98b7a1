#include "card/floating_panel.h"

#include <QGuiApplication>
#include <QList>
#include <QSurfaceFormat>
#include <xcb/xcb.h>

namespace {

xcb_atom_t internAtom(xcb_connection_t *connection, const char *name)
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(strlen(name)), name), nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    free(reply);
    return atom;
}

} // namespace

FloatingPanel::FloatingPanel(const QString &title, QWindow *parent) : QQuickView(parent)
{
    setTitle(title);
    setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    // Shown without being activated: Qt's xcb platform then tells the window
    // manager not to focus the new window.
    setProperty("_q_showWithoutActivating", true);

    QSurfaceFormat surface = format();
    surface.setAlphaBufferSize(8);
    setFormat(surface);
    setColor(Qt::transparent);
    setResizeMode(QQuickView::SizeRootObjectToView);
    // Hidden most of the day: a hidden panel keeps no scene graph or graphics
    // resources; they are built again when it next shows.
    setPersistentGraphics(false);
    setPersistentSceneGraph(false);

    m_animation.setEasingCurve(easeInEaseOut());
    connect(&m_animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &value) { setGeometry(value.toRect()); });
}

QEasingCurve FloatingPanel::easeInEaseOut()
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.42, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
    return curve;
}

void FloatingPanel::setTakesFocus(bool takesFocus)
{
    // Changing the flags of a mapped window re-sends its hints: only on a change.
    if (takesFocus != this->takesFocus())
        setFlag(Qt::WindowDoesNotAcceptFocus, !takesFocus);
}

bool FloatingPanel::takesFocus() const
{
    return !flags().testFlag(Qt::WindowDoesNotAcceptFocus);
}

void FloatingPanel::orderFront()
{
    if (!isVisible()) {
        create();
        applyDesktopHints();
        show();
    }
    raise();
}

void FloatingPanel::orderOut()
{
    m_animation.stop();
    hide();
    releaseResources();
}

void FloatingPanel::setFrame(const QRect &frame, bool animated, std::chrono::milliseconds duration,
                             const QEasingCurve &easing)
{
    m_animation.stop();
    Q_EMIT frameRequested(frame, animated);
    if (!animated || duration <= std::chrono::milliseconds::zero() || geometry() == frame) {
        setGeometry(frame);
        return;
    }
    m_animation.setStartValue(geometry());
    m_animation.setEndValue(frame);
    m_animation.setDuration(int(duration.count()));
    m_animation.setEasingCurve(easing);
    m_animation.start();
}

QRect FloatingPanel::targetFrame() const
{
    return isAnimating() ? m_animation.endValue().toRect() : geometry();
}

bool FloatingPanel::isAnimating() const
{
    return m_animation.state() == QAbstractAnimation::Running;
}

// On X11, before each mapping (the window manager drops these states when a
// window is withdrawn): on every desktop, sticky, off the task bar and pager.
// Qt merges its own states (above, stays on top) with these when it maps.
void FloatingPanel::applyDesktopHints()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return;
    xcb_connection_t *connection = x11->connection();
    const xcb_window_t window = xcb_window_t(winId());

    const uint32_t allDesktops = 0xFFFFFFFF;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, internAtom(connection, "_NET_WM_DESKTOP"),
                        XCB_ATOM_CARDINAL, 32, 1, &allDesktops);

    // Merge with whatever states the window already carries.
    const xcb_atom_t stateAtom = internAtom(connection, "_NET_WM_STATE");
    QList<xcb_atom_t> states;
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, stateAtom, XCB_ATOM_ATOM, 0, 1024), nullptr);
    if (reply) {
        if (reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
            const auto *existing = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply));
            const int count = xcb_get_property_value_length(reply) / int(sizeof(xcb_atom_t));
            states = QList<xcb_atom_t>(existing, existing + count);
        }
        free(reply);
    }
    for (const char *name : {"_NET_WM_STATE_STICKY", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}) {
        const xcb_atom_t atom = internAtom(connection, name);
        if (atom != XCB_ATOM_NONE && !states.contains(atom))
            states.append(atom);
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, stateAtom, XCB_ATOM_ATOM, 32,
                        uint32_t(states.size()), states.constData());
    xcb_flush(connection);
}
