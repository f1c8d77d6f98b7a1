#include "lookup/x11_key_grab.h"

#include <QGuiApplication>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr xcb_keysym_t keysymM = 0x006d;       // XK_m
constexpr xcb_keysym_t keysymNumLock = 0xff7f; // XK_Num_Lock
// Shift, Lock, Control and Mod1…Mod5; the higher bits of a key event's state
// are pointer buttons and the keyboard group.
constexpr uint16_t keyboardModifierBits = 0x00ff;

template <typename T> using MallocPtr = std::unique_ptr<T, decltype(&std::free)>;

std::vector<uint8_t> keyCodesFor(xcb_key_symbols_t *symbols, xcb_keysym_t keysym)
{
    std::vector<uint8_t> codes;
    MallocPtr<xcb_keycode_t> found(xcb_key_symbols_get_keycode(symbols, keysym), &std::free);
    for (xcb_keycode_t *code = found.get(); code && *code != XCB_NO_SYMBOL; ++code) {
        if (std::find(codes.begin(), codes.end(), *code) == codes.end())
            codes.push_back(*code);
    }
    return codes;
}

// The modifier bit that Num Lock sets on this keyboard (usually Mod2), or 0.
uint16_t numLockMask(xcb_connection_t *connection, xcb_key_symbols_t *symbols)
{
    const std::vector<uint8_t> numLockCodes = keyCodesFor(symbols, keysymNumLock);
    if (numLockCodes.empty())
        return 0;
    MallocPtr<xcb_get_modifier_mapping_reply_t> reply(
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr), &std::free);
    if (!reply)
        return 0;
    const xcb_keycode_t *codes = xcb_get_modifier_mapping_keycodes(reply.get());
    const int perModifier = reply->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t code = codes[modifier * perModifier + i];
            if (code != 0 && std::find(numLockCodes.begin(), numLockCodes.end(), code) != numLockCodes.end())
                return uint16_t(1u << modifier);
        }
    }
    return 0;
}

} // namespace

X11KeyGrab::X11KeyGrab(xcb_connection_t *connection, uint32_t rootWindow)
    : m_connection(connection),
      m_rootWindow(rootWindow)
{
}

std::unique_ptr<X11KeyGrab> X11KeyGrab::acquire(xcb_connection_t *connection, uint32_t rootWindow)
{
    if (!connection || xcb_connection_has_error(connection) || rootWindow == 0)
        return nullptr;

    std::unique_ptr<X11KeyGrab> grab(new X11KeyGrab(connection, rootWindow));
    {
        std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> symbols(xcb_key_symbols_alloc(connection),
                                                                                    &xcb_key_symbols_free);
        if (!symbols)
            return nullptr;
        grab->m_keyCodes = keyCodesFor(symbols.get(), keysymM);
        grab->m_lockMasks = uint16_t(XCB_MOD_MASK_LOCK | numLockMask(connection, symbols.get()));
    }
    if (grab->m_keyCodes.empty())
        return nullptr;

    // Super alone, and with every combination of the lock modifiers.
    std::vector<uint16_t> combinations;
    for (uint16_t locks = 0; locks <= grab->m_lockMasks; ++locks) {
        if ((locks & ~grab->m_lockMasks) == 0)
            combinations.push_back(uint16_t(XCB_MOD_MASK_4 | locks));
    }

    // owner_events is off so that the press and its release always come to
    // the root window, even while one of the companion's windows has focus.
    // Send every request first and then collect the answers: one round trip.
    struct Pending {
        uint8_t keyCode;
        uint16_t modifiers;
        xcb_void_cookie_t cookie;
    };
    std::vector<Pending> pending;
    for (const uint8_t keyCode : grab->m_keyCodes) {
        for (const uint16_t modifiers : combinations) {
            pending.push_back({keyCode, modifiers,
                               xcb_grab_key_checked(connection, 0, rootWindow, modifiers, keyCode, XCB_GRAB_MODE_ASYNC,
                                                    XCB_GRAB_MODE_ASYNC)});
        }
    }
    // Typically BadAccess: another client already holds the combination.
    bool refused = false;
    std::vector<std::pair<uint8_t, uint16_t>> made;
    for (const Pending &request : pending) {
        MallocPtr<xcb_generic_error_t> error(xcb_request_check(connection, request.cookie), &std::free);
        if (error)
            refused = true;
        else
            made.emplace_back(request.keyCode, request.modifiers);
    }
    if (refused) {
        for (const auto &[keyCode, modifiers] : made)
            xcb_ungrab_key(connection, keyCode, rootWindow, modifiers);
        xcb_flush(connection);
        return nullptr;
    }
    grab->m_modifierSets = combinations;
    return grab;
}

X11KeyGrab::~X11KeyGrab()
{
    release();
}

// The application's X connection closes with the application; a grab that
// outlives it has nothing left to release.
bool X11KeyGrab::connectionStillOpen() const
{
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!app)
        return false;
    auto *x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 && x11->connection() == m_connection;
}

void X11KeyGrab::release()
{
    if (m_modifierSets.empty() || !connectionStillOpen())
        return;
    for (const uint8_t keyCode : m_keyCodes) {
        for (const uint16_t modifiers : m_modifierSets)
            xcb_ungrab_key(m_connection, keyCode, m_rootWindow, modifiers);
    }
    xcb_flush(m_connection);
    m_modifierSets.clear();
}

bool X11KeyGrab::isOurKey(uint8_t keyCode) const
{
    return std::find(m_keyCodes.begin(), m_keyCodes.end(), keyCode) != m_keyCodes.end();
}

bool X11KeyGrab::isOurCombination(const xcb_key_press_event_t &event) const
{
    const uint16_t modifiers = event.state & keyboardModifierBits & ~m_lockMasks;
    return event.event == m_rootWindow && isOurKey(event.detail) && modifiers == XCB_MOD_MASK_4;
}
