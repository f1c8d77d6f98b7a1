// The Super+M grab on a real X server, seen by a second X client and through
// the native event filter.
#include "lookup/lookup_hot_key.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QProcess>
#include <QTest>

#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace {

constexpr int super = XCB_MOD_MASK_4, capsLock = XCB_MOD_MASK_LOCK, numLock = XCB_MOD_MASK_2;

// A second X client: whether it can grab a combination tells whether we hold it.
struct OtherXClient {
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    uint32_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    uint8_t keyM = keyCode(0x006d), keyN = keyCode(0x006e);

    ~OtherXClient() { xcb_disconnect(connection); }
    uint8_t keyCode(uint32_t keysym)
    {
        xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(connection);
        xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols, keysym);
        const uint8_t code = codes ? codes[0] : 0;
        std::free(codes);
        xcb_key_symbols_free(symbols);
        return code;
    }
    bool grab(int modifiers, bool keep = true, uint8_t key = 0)
    {
        key = key ? key : keyM;
        auto *error = xcb_request_check(connection, xcb_grab_key_checked(connection, 0, root, uint16_t(modifiers), key,
                                                                         XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        std::free(error);
        if (!error && !keep)
            ungrab(modifiers, key);
        return !error;
    }
    void ungrab(int modifiers, uint8_t key = 0)
    {
        xcb_ungrab_key(connection, key ? key : keyM, root, uint16_t(modifiers));
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }
    bool isFree(int modifiers = super, uint8_t key = 0) { return grab(modifiers, false, key); }
};

void xdotool(const QStringList &arguments) { QCOMPARE(QProcess::execute("xdotool", arguments), 0); }

} // namespace

class LookupHotKeyTest : public QObject {
    Q_OBJECT
    std::unique_ptr<LookupHotKey> hotKey;
    int presses = 0;
    OtherXClient other;

    void expectPresses(int expected)
    {
        QTRY_COMPARE(presses, expected);
        QTest::qWait(250); // a second report would have come by now
        QCOMPARE(presses, expected);
    }

    // Hands a made-up key event to the native event filters, as Qt does with
    // every event it reads from X; true when a filter took it.
    bool offer(uint8_t type, int state, uint32_t time, uint8_t key = 0, uint32_t window = 0)
    {
        xcb_key_press_event_t event{};
        event.response_type = type;
        event.detail = key ? key : other.keyM;
        event.root = event.event = window ? window : other.root;
        event.state = uint16_t(state);
        event.time = time;
        qintptr result = 0;
        return QAbstractEventDispatcher::instance()->filterNativeEvent("xcb_generic_event_t", &event, &result);
    }

private Q_SLOTS:
    void init()
    {
        Preferences::standard().remove(LookupHotKey::preferenceKey);
        presses = 0;
        hotKey = std::make_unique<LookupHotKey>();
        hotKey->onPress = [this] { ++presses; };
    }
    void cleanup()
    {
        hotKey.reset(); // destruction releases the grab
        QVERIFY(other.isFree() && other.isFree(super | capsLock | numLock));
    }

    void eachPressIsReportedOnceWhateverTheLockKeys()
    {
        QVERIFY(hotKey->start() && hotKey->isRegistered());
        for (const int locks : {0, capsLock, numLock, capsLock | numLock})
            QVERIFY(!other.isFree(super | locks));
        // Only Super+M: the rest stays free for other clients and the focused window.
        QVERIFY(other.isFree(0) && other.isFree(super | XCB_MOD_MASK_SHIFT) && other.isFree(super, other.keyN));
        xdotool({"key", "super+m"});
        expectPresses(1);
        xdotool({"key", "Num_Lock", "Caps_Lock", "super+m", "Num_Lock", "Caps_Lock"});
        expectPresses(2);
        QVERIFY(hotKey->start()); // a clean restart: one grab, one filter
        xdotool({"keydown", "super+m"});
        QTest::qWait(1200); // longer than the auto-repeat delay: X repeats the press
        xdotool({"keyup", "super+m"});
        expectPresses(3);
    }

    void onlyOurCombinationIsHandled()
    {
        QVERIFY(hotKey->start());
        QVERIFY(offer(XCB_KEY_PRESS, super | capsLock | numLock, 100));
        QCOMPARE(presses, 0); // reported later, from the event loop
        QVERIFY(!offer(XCB_KEY_RELEASE, super, 110));
        for (const int state : {0, super | XCB_MOD_MASK_SHIFT, super | XCB_MOD_MASK_CONTROL})
            QVERIFY(!offer(XCB_KEY_PRESS, state, 200));
        QVERIFY(!offer(XCB_KEY_PRESS, super, 210, other.keyN));
        QVERIFY(!offer(XCB_KEY_PRESS, super, 220, 0, other.root + 1));
        QVERIFY(!offer(XCB_BUTTON_PRESS, super, 230));
        // An auto-repeat: a release and a press with the same time stamp.
        QVERIFY(offer(XCB_KEY_PRESS, super, 300) && !offer(XCB_KEY_RELEASE, super, 350));
        QVERIFY(offer(XCB_KEY_PRESS, super, 350) && !offer(XCB_KEY_RELEASE, super, 400));
        expectPresses(2);
        QVERIFY(offer(XCB_KEY_PRESS, super, 500));
        hotKey.reset(); // a press already queued is dropped with its object
        expectPresses(2);
    }

    void shortcutTakenByAnotherClientLeavesNothingInstalled()
    {
        // Only the Caps Lock variant is taken: the plain one, grabbed first, must be given back.
        QVERIFY(other.grab(super | capsLock));
        QVERIFY(!hotKey->start());
        QVERIFY(!hotKey->isRegistered() && LookupHotKey::enabled() && other.isFree());
        QVERIFY(!offer(XCB_KEY_PRESS, super, 100));
        other.ungrab(super | capsLock);
        QVERIFY(hotKey->start()); // the next start tries again
    }

    // Toggling stores and applies the negation; a stored false makes start()
    // release what it held; anything but a boolean counts as enabled.
    void preferenceDecides()
    {
        Preferences &preferences = Preferences::standard();
        const auto stored = [&] { return preferences.value(LookupHotKey::preferenceKey); };
        QVERIFY(hotKey->start());
        hotKey->toggle();
        QVERIFY(stored() == QVariant(false) && !hotKey->isRegistered() && other.isFree());
        hotKey->toggle();
        QVERIFY(stored() == QVariant(true) && hotKey->isRegistered());
        preferences.setBoolean(LookupHotKey::preferenceKey, false);
        QVERIFY(!hotKey->start() && other.isFree());
        preferences.setValue(LookupHotKey::preferenceKey, QStringLiteral("false"));
        QVERIFY(hotKey->start());
        hotKey->toggle();
        QCOMPARE(stored(), QVariant(false));
    }
};

QTEST_MAIN(LookupHotKeyTest)
#include "tst_lookup_hot_key.moc"
