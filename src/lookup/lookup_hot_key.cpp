#include "lookup/lookup_hot_key.h"

#include "lookup/x11_hot_key_filter.h"
#include "lookup/x11_key_grab.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaObject>
#include <xcb/xcb.h>

namespace {

// The root window of the application's default X screen, or 0.
uint32_t defaultRootWindow(xcb_connection_t *connection)
{
    const xcb_setup_t *setup = xcb_get_setup(connection);
    if (!setup)
        return 0;
    const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
    return screens.rem > 0 ? screens.data->root : 0;
}

} // namespace

LookupHotKey::LookupHotKey(QObject *parent) : QObject(parent) {}

LookupHotKey::~LookupHotKey() { stop(); }

bool LookupHotKey::enabled()
{
    const QVariant stored = Preferences::standard().value(QString::fromLatin1(preferenceKey));
    return stored.typeId() == QMetaType::Bool ? stored.toBool() : true;
}

bool LookupHotKey::isRegistered() const { return m_grab != nullptr; }

bool LookupHotKey::start()
{
    stop();
    if (!enabled())
        return false;

    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return false; // no X server to grab keys from

    // Events are dispatched only once this returns to the event loop, so the
    // filter installed right after the grab misses no press.
    std::unique_ptr<X11KeyGrab> grab = X11KeyGrab::acquire(connection, defaultRootWindow(connection));
    if (!grab)
        return false;
    m_filter = std::make_unique<X11HotKeyFilter>(*grab, [this] { reportPress(); });
    m_grab = std::move(grab);
    QCoreApplication::instance()->installNativeEventFilter(m_filter.get());
    return true;
}

void LookupHotKey::stop()
{
    if (m_filter && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(m_filter.get());
    m_filter.reset();
    m_grab.reset();
}

void LookupHotKey::toggle()
{
    Preferences::standard().setBoolean(QString::fromLatin1(preferenceKey), !enabled());
    start();
}

void LookupHotKey::reportPress()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (onPress)
                onPress();
        },
        Qt::QueuedConnection);
}
