#pragma once

#include <cstdint>
#include <memory>
#include <vector>

struct xcb_connection_t;
struct xcb_key_press_event_t;

// A passive grab of Super+M on the X root window, on the application's own
// X connection. The grab covers every key code that produces "m" and the
// Super modifier alone or together with Caps Lock and Num Lock, so the
// shortcut works whatever those locks say. Destroying the object releases it.
class X11KeyGrab {
public:
    // Grabs every combination or none: if one is refused, the ones already
    // made are released again before this returns.
    // Null when the keyboard has no "m" key, another client holds one of the
    // combinations (BadAccess) or X refuses the grab otherwise.
    static std::unique_ptr<X11KeyGrab> acquire(xcb_connection_t *connection, uint32_t rootWindow);
    ~X11KeyGrab();
    X11KeyGrab(const X11KeyGrab &) = delete;
    X11KeyGrab &operator=(const X11KeyGrab &) = delete;

    // Whether a key code is one of the grabbed ones; `isOurCombination` further
    // asks for our root window and exactly Super (ignoring the locks).
    bool isOurKey(uint8_t keyCode) const;
    bool isOurCombination(const xcb_key_press_event_t &event) const;

private:
    X11KeyGrab(xcb_connection_t *connection, uint32_t rootWindow);
    bool connectionStillOpen() const;
    void release();

    xcb_connection_t *m_connection;
    uint32_t m_rootWindow;
    std::vector<uint8_t> m_keyCodes;
    std::vector<uint16_t> m_modifierSets; // the grabbed combinations that succeeded
    uint16_t m_lockMasks = 0;             // Caps Lock and Num Lock bits, ignored when matching
};
