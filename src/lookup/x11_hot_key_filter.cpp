#include "lookup/x11_hot_key_filter.h"

#include "lookup/x11_key_grab.h"

#include <QByteArray>
#include <xcb/xcb.h>

X11HotKeyFilter::X11HotKeyFilter(const X11KeyGrab &grab, QObject *parent) : QObject(parent), m_grab(grab) {}

bool X11HotKeyFilter::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t" || !message)
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    const uint8_t type = event->response_type & 0x7f;

    if (type == XCB_KEY_RELEASE) {
        // Releases end a hold but are otherwise left to whoever wants them.
        const auto *release = reinterpret_cast<const xcb_key_release_event_t *>(event);
        if (m_grab.isOurKey(release->detail)) {
            m_keyDown = false;
            m_lastReleaseTime = release->time;
        }
        return false;
    }
    if (type != XCB_KEY_PRESS)
        return false;

    const auto *press = reinterpret_cast<const xcb_key_press_event_t *>(event);
    if (!m_grab.isOurCombination(*press))
        return false;
    // An auto-repeated press comes either while the key is still down (when
    // repeats are detectable) or with the very time stamp of the release
    // that X sent just before it.
    const bool repeat = m_keyDown || (m_lastReleaseTime != 0 && press->time == m_lastReleaseTime);
    m_keyDown = true;
    if (!repeat)
        Q_EMIT pressed();
    return true;
}
