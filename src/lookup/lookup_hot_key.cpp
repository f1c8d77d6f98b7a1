#include "lookup/lookup_hot_key.h"

#include "card/key_texts.h"
#include "lookup/gnome_custom_shortcut.h"
#include "lookup/portal_global_shortcut.h"
#include "lookup/x11_hot_key_filter.h"
#include "lookup/x11_key_grab.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QMetaObject>
#include <QPointer>
#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

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

xcb_connection_t *x11Connection()
{
    // Without a graphical application (a headless run) there is no X server to grab on.
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    auto *x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// An X server of the session's own: under XWayland a grab would see keys
// only while one of the X windows has focus, so it does not count.
bool onX11Session()
{
    return x11Connection() && qEnvironmentVariable("XDG_SESSION_TYPE") != "wayland"_L1
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

LookupHotKey::LookupHotKey(Preferences &preferences, QObject *parent) : QObject(parent), m_preferences(preferences) {}

LookupHotKey::~LookupHotKey()
{
    stop();
}

bool LookupHotKey::enabled() const
{
    const QVariant stored = m_preferences.value(QString::fromLatin1(preferenceKey));
    return stored.typeId() == QMetaType::Bool ? stored.toBool() : true;
}

bool LookupHotKey::isRegistered() const
{
    return m_availability == Availability::registered;
}

QString LookupHotKey::boundKey() const
{
    return m_boundKey.isEmpty() ? KeyTexts::lookupShortcut() : m_boundKey;
}

bool LookupHotKey::start()
{
    stop();
    if (!enabled()) {
        settle(Availability::off, Method::none);
        return false;
    }
    m_availability = Availability::waiting;
    choose(m_generation); // settles at once unless it has to wait for the desktop
    return isRegistered();
}

QCoro::Task<void> LookupHotKey::choose(quint64 generation)
{
    QPointer<LookupHotKey> self(this);
    const auto current = [&] { return self && generation == self->m_generation; };

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        m_portal = std::make_unique<PortalGlobalShortcut>(bus);
        connect(m_portal.get(), &PortalGlobalShortcut::activated, this, &LookupHotKey::reportPress);
        connect(m_portal.get(), &PortalGlobalShortcut::triggerChanged, this, [this](const QString &key) {
            settle(key.isEmpty() ? Availability::unassigned : Availability::registered, Method::portal, key);
        });
        const PortalGlobalShortcut::Result result = co_await m_portal->bind();
        if (!current())
            co_return;
        switch (result.outcome) {
        case PortalGlobalShortcut::Outcome::bound:
            settle(Availability::registered, Method::portal, result.triggerDescription);
            co_return;
        case PortalGlobalShortcut::Outcome::unassigned:
            settle(Availability::unassigned, Method::portal);
            co_return;
        case PortalGlobalShortcut::Outcome::declined:
            m_portal.reset();
            settle(Availability::declined, Method::portal);
            co_return;
        case PortalGlobalShortcut::Outcome::unavailable:
        case PortalGlobalShortcut::Outcome::stale:
            m_portal.reset();
            break;
        }
    }

    if (onX11Session()) {
        const bool grabbed = grabOnX11();
        settle(grabbed ? Availability::registered : Availability::taken, Method::x11Grab);
        co_return;
    }

    if (GnomeCustomShortcut::isGnomeSession()) {
        const bool available = co_await GnomeCustomShortcut::available();
        if (!current())
            co_return;
        if (available) {
            const std::optional<QString> binding = co_await GnomeCustomShortcut::installedBinding();
            if (!current())
                co_return;
            if (binding)
                settle(Availability::registered, Method::gnomeSettings, GnomeCustomShortcut::acceleratorText(*binding));
            else
                settle(Availability::gnomeSetupOffered, Method::gnomeSettings);
            co_return;
        }
    }
    settle(Availability::unsupported, Method::none);
}

bool LookupHotKey::grabOnX11()
{
    xcb_connection_t *connection = x11Connection();
    // Events are dispatched only once this returns to the event loop, so the
    // filter installed right after the grab misses no press.
    std::unique_ptr<X11KeyGrab> grab = X11KeyGrab::acquire(connection, defaultRootWindow(connection));
    if (!grab)
        return false;
    m_filter = std::make_unique<X11HotKeyFilter>(*grab);
    connect(m_filter.get(), &X11HotKeyFilter::pressed, this, &LookupHotKey::reportPress);
    m_grab = std::move(grab);
    QCoreApplication::instance()->installNativeEventFilter(m_filter.get());
    return true;
}

void LookupHotKey::settle(Availability availability, Method method, const QString &key)
{
    m_availability = availability;
    m_method = method;
    m_boundKey = key;
    Q_EMIT changed();
}

void LookupHotKey::stop()
{
    ++m_generation; // a choice still waiting for an answer ends unheard
    if (m_filter && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(m_filter.get());
    m_filter.reset();
    m_grab.reset();
    m_portal.reset(); // closes the portal session
    m_availability = Availability::off;
    m_method = Method::none;
    m_boundKey.clear();
}

void LookupHotKey::toggle()
{
    const bool turningOn = !enabled();
    m_preferences.setBoolean(QString::fromLatin1(preferenceKey), turningOn);
    if (!turningOn && (m_method == Method::gnomeSettings || GnomeCustomShortcut::isGnomeSession()))
        GnomeCustomShortcut::remove(); // only our own entry; runs on by itself
    start();
}

QCoro::Task<bool> LookupHotKey::setUpGnomeShortcut()
{
    QPointer<LookupHotKey> self(this);
    const bool installed = co_await GnomeCustomShortcut::install();
    if (self && enabled())
        start(); // finds the entry and counts it as registered
    co_return installed;
}

void LookupHotKey::reportPress()
{
    QMetaObject::invokeMethod(this, &LookupHotKey::pressed, Qt::QueuedConnection);
}
