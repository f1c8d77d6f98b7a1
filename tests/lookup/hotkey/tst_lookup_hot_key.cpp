#include "lookup/lookup_hot_key.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QTest>
#include <QWidget>

#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace {

constexpr uint16_t super = XCB_MOD_MASK_4;

// A second X client: whether it can take Super+M tells whether we hold it.
struct OtherXClient {
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    uint32_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    uint8_t keyM = keyCode(0x006d);
    uint8_t keyN = keyCode(0x006e);

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
    bool grab(uint16_t modifiers)
    {
        xcb_generic_error_t *error = xcb_request_check(
            connection, xcb_grab_key_checked(connection, 0, root, modifiers, keyM, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        std::free(error);
        return !error;
    }
    void ungrab(uint16_t modifiers)
    {
        xcb_ungrab_key(connection, keyM, root, modifiers);
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }
    bool superMIsFree()
    {
        const bool free = grab(super);
        if (free)
            ungrab(super);
        return free;
    }
};

// Hands a made-up key event to the native event filters, as Qt does with
// every event it reads from X; true when a filter took it.
bool offer(uint8_t type, uint8_t keyCode, uint32_t window, uint16_t state, uint32_t time)
{
    xcb_key_press_event_t event{};
    event.response_type = type;
    event.detail = keyCode;
    event.root = event.event = window;
    event.state = state;
    event.time = time;
    qintptr result = 0;
    return QAbstractEventDispatcher::instance()->filterNativeEvent("xcb_generic_event_t", &event, &result);
}

void xdotool(const QStringList &arguments) { QCOMPARE(QProcess::execute("xdotool", arguments), 0); }

// Records the keys (other than the modifiers themselves) that reach it.
struct KeyRecorder : QWidget {
    QList<QKeyCombination> keys;
    void keyPressEvent(QKeyEvent *event) override
    {
        if (!QList<int>{Qt::Key_Shift, Qt::Key_Meta, Qt::Key_Super_L}.contains(event->key()))
            keys.append(event->keyCombination());
    }
};

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
        QVERIFY(other.superMIsFree());
    }

    void eachPressIsReportedOnce()
    {
        QVERIFY(hotKey->start());
        QVERIFY(hotKey->isRegistered());
        QVERIFY(!other.superMIsFree());
        xdotool({"key", "super+m"});
        expectPresses(1);
        xdotool({"key", "Num_Lock", "Caps_Lock", "super+m", "Num_Lock", "Caps_Lock"});
        expectPresses(2);
        // A second start is a clean restart: one grab, one filter.
        QVERIFY(hotKey->start());
        xdotool({"keydown", "super+m"});
        QTest::qWait(1200); // longer than the auto-repeat delay: X repeats the press
        xdotool({"keyup", "super+m"});
        expectPresses(3);
    }

    void onlyOurCombinationIsHandled()
    {
        QVERIFY(hotKey->start());
        const uint8_t m = other.keyM;
        QVERIFY(offer(XCB_KEY_PRESS, m, other.root, super | XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2, 100));
        QCOMPARE(presses, 0); // reported later, from the event loop
        QVERIFY(!offer(XCB_KEY_RELEASE, m, other.root, super, 110));
        for (const uint16_t state : {0, super | XCB_MOD_MASK_SHIFT, super | XCB_MOD_MASK_CONTROL})
            QVERIFY(!offer(XCB_KEY_PRESS, m, other.root, state, 200));
        QVERIFY(!offer(XCB_KEY_PRESS, other.keyN, other.root, super, 210));
        QVERIFY(!offer(XCB_KEY_PRESS, m, other.root + 1, super, 220));
        QVERIFY(!offer(XCB_BUTTON_PRESS, m, other.root, super, 230));
        // An auto-repeat: a release and a press with the same time stamp.
        QVERIFY(offer(XCB_KEY_PRESS, m, other.root, super, 300));
        QVERIFY(!offer(XCB_KEY_RELEASE, m, other.root, super, 350));
        QVERIFY(offer(XCB_KEY_PRESS, m, other.root, super, 350));
        QVERIFY(!offer(XCB_KEY_RELEASE, m, other.root, super, 400));
        expectPresses(2);
    }

    void otherKeysReachTheFocusedWindow()
    {
        QVERIFY(hotKey->start());
        KeyRecorder window;
        window.resize(200, 100);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        xdotool({"key", "m", "super+n", "super+m", "shift+m"});
        const QList<QKeyCombination> expected{QKeyCombination(Qt::Key_M), QKeyCombination(Qt::MetaModifier, Qt::Key_N),
                                              QKeyCombination(Qt::ShiftModifier, Qt::Key_M)};
        QTRY_COMPARE(window.keys, expected);
        expectPresses(1);
        QCOMPARE(window.keys, expected);
    }

    void shortcutTakenByAnotherClientLeavesNothingInstalled()
    {
        // Only the Caps Lock variant is taken: the plain one, grabbed first,
        // must be given back.
        QVERIFY(other.grab(super | XCB_MOD_MASK_LOCK));
        QVERIFY(!hotKey->start());
        QVERIFY(!hotKey->isRegistered());
        QVERIFY(LookupHotKey::enabled());
        QVERIFY(other.superMIsFree());
        QVERIFY(!offer(XCB_KEY_PRESS, other.keyM, other.root, super, 100));
        other.ungrab(super | XCB_MOD_MASK_LOCK);
        QVERIFY(hotKey->start()); // the next start tries again
    }

    void preferenceDecides()
    {
        QVERIFY(hotKey->start());
        hotKey->toggle();
        QCOMPARE(Preferences::standard().value(LookupHotKey::preferenceKey), QVariant(false));
        QVERIFY(!hotKey->isRegistered());
        QVERIFY(other.superMIsFree());
        hotKey->toggle();
        QCOMPARE(Preferences::standard().value(LookupHotKey::preferenceKey), QVariant(true));
        QVERIFY(hotKey->isRegistered());

        // Stored false: start() releases the earlier grab and registers nothing.
        Preferences::standard().setBoolean(LookupHotKey::preferenceKey, false);
        QVERIFY(!hotKey->start());
        QVERIFY(other.superMIsFree());
        xdotool({"key", "super+m"});
        expectPresses(0);

        // Anything but a boolean counts as enabled; toggling then writes false.
        Preferences::standard().setValue(LookupHotKey::preferenceKey, QStringLiteral("false"));
        QVERIFY(hotKey->start());
        hotKey->toggle();
        QCOMPARE(Preferences::standard().value(LookupHotKey::preferenceKey), QVariant(false));

        // A press already queued is dropped with its object.
        Preferences::standard().remove(LookupHotKey::preferenceKey);
        QVERIFY(hotKey->start());
        QVERIFY(offer(XCB_KEY_PRESS, other.keyM, other.root, super, 100));
        hotKey.reset();
        expectPresses(0);
    }
};

QTEST_MAIN(LookupHotKeyTest)
#include "tst_lookup_hot_key.moc"
