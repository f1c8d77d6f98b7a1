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

// A second X client on its own connection: it can try to hold the shortcut
// itself, which tells whether the companion holds (or released) it.
class OtherXClient {
public:
    OtherXClient() : m_connection(xcb_connect(nullptr, nullptr))
    {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(m_connection);
        xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols, 0x006d /* m */);
        m_keyM = codes ? codes[0] : 0;
        std::free(codes);
        codes = xcb_key_symbols_get_keycode(symbols, 0x006e /* n */);
        m_keyN = codes ? codes[0] : 0;
        std::free(codes);
        xcb_key_symbols_free(symbols);
    }
    ~OtherXClient() { xcb_disconnect(m_connection); }

    bool grab(uint16_t modifiers)
    {
        const auto cookie = xcb_grab_key_checked(m_connection, 0, m_root, modifiers, m_keyM,
                                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t *error = xcb_request_check(m_connection, cookie);
        std::free(error);
        return error == nullptr;
    }
    void ungrab(uint16_t modifiers)
    {
        xcb_ungrab_key(m_connection, m_keyM, m_root, modifiers);
        std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }
    // Whether nobody holds Super+M: takes it for a moment and lets go.
    bool superMIsFree()
    {
        if (!grab(super))
            return false;
        ungrab(super);
        return true;
    }

    uint32_t root() const { return m_root; }
    uint8_t keyM() const { return m_keyM; }
    uint8_t keyN() const { return m_keyN; }

private:
    xcb_connection_t *m_connection;
    uint32_t m_root = 0;
    uint8_t m_keyM = 0;
    uint8_t m_keyN = 0;
};

// Hands a made-up key event to the application's native event filters, the
// way Qt's X connection does with every event it reads.
bool offerKeyEvent(uint8_t type, uint8_t keyCode, uint32_t window, uint16_t state, uint32_t time)
{
    xcb_key_press_event_t event{};
    event.response_type = type;
    event.detail = keyCode;
    event.root = window;
    event.event = window;
    event.state = state;
    event.time = time;
    qintptr result = 0;
    return QAbstractEventDispatcher::instance()->filterNativeEvent("xcb_generic_event_t", &event, &result);
}

void xdotool(const QStringList &arguments) { QCOMPARE(QProcess::execute("xdotool", arguments), 0); }

// Records the presses of every key but the modifiers themselves.
class KeyRecorder : public QWidget {
public:
    QList<QKeyCombination> keys;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        static const QList<int> modifierKeys{Qt::Key_Shift, Qt::Key_Meta, Qt::Key_Super_L, Qt::Key_Super_R};
        if (!modifierKeys.contains(event->key()))
            keys.append(event->keyCombination());
    }
};

} // namespace

class LookupHotKeyTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<LookupHotKey> hotKey;
    int presses = 0;
    OtherXClient other;

    void settleAndExpectPresses(int expected)
    {
        QTRY_COMPARE(presses, expected);
        QTest::qWait(300); // a second report would have come by now
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
        hotKey.reset();
        QVERIFY(other.superMIsFree());
    }

    void startRegistersAndEachPressReportsOnce()
    {
        QVERIFY(LookupHotKey::enabled());
        QVERIFY(hotKey->start());
        QVERIFY(hotKey->isRegistered());
        QVERIFY(!other.superMIsFree());

        xdotool({"key", "super+m"});
        settleAndExpectPresses(1);
        xdotool({"key", "super+m", "super+m"});
        settleAndExpectPresses(3);

        // A second start is a clean restart: still one grab and one filter,
        // so a press is still reported once.
        QVERIFY(hotKey->start());
        xdotool({"key", "super+m"});
        settleAndExpectPresses(4);
    }

    void locksDoNotMatter()
    {
        QVERIFY(hotKey->start());
        xdotool({"key", "Num_Lock", "Caps_Lock", "super+m", "Num_Lock", "Caps_Lock"});
        settleAndExpectPresses(1);
    }

    void holdingTheKeysReportsOnePress()
    {
        QVERIFY(hotKey->start());
        xdotool({"keydown", "super+m"});
        QTest::qWait(1200); // longer than the X server's auto-repeat delay
        xdotool({"keyup", "super+m"});
        settleAndExpectPresses(1);
    }

    void onlyOurCombinationIsHandled()
    {
        QVERIFY(hotKey->start());
        const uint32_t root = other.root();
        const uint8_t m = other.keyM();

        // Ours, with or without the lock keys: handled, and reported only
        // after the event dispatch has returned.
        QVERIFY(offerKeyEvent(XCB_KEY_PRESS, m, root, super, 100));
        QCOMPARE(presses, 0);
        QTRY_COMPARE(presses, 1);
        QVERIFY(!offerKeyEvent(XCB_KEY_RELEASE, m, root, super, 110));
        QVERIFY(offerKeyEvent(XCB_KEY_PRESS, m, root, super | XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2, 200));
        QVERIFY(!offerKeyEvent(XCB_KEY_RELEASE, m, root, super, 210));
        QTRY_COMPARE(presses, 2);

        // Everything else goes on to Qt untouched.
        QVERIFY(!offerKeyEvent(XCB_KEY_PRESS, m, root, 0, 300));
        QVERIFY(!offerKeyEvent(XCB_KEY_PRESS, m, root, super | XCB_MOD_MASK_SHIFT, 310));
        QVERIFY(!offerKeyEvent(XCB_KEY_PRESS, m, root, super | XCB_MOD_MASK_CONTROL, 320));
        QVERIFY(!offerKeyEvent(XCB_KEY_PRESS, other.keyN(), root, super, 330));
        QVERIFY(!offerKeyEvent(XCB_KEY_PRESS, m, root + 1, super, 340));
        QVERIFY(!offerKeyEvent(XCB_BUTTON_PRESS, m, root, super, 350));
        settleAndExpectPresses(2);

        // X repeats a held key as a release and a press with the same time
        // stamp: handled (nobody else should see it) but not reported.
        QVERIFY(offerKeyEvent(XCB_KEY_PRESS, m, root, super, 400));
        QVERIFY(!offerKeyEvent(XCB_KEY_RELEASE, m, root, super, 450));
        QVERIFY(offerKeyEvent(XCB_KEY_PRESS, m, root, super, 450));
        QVERIFY(!offerKeyEvent(XCB_KEY_RELEASE, m, root, super, 500));
        settleAndExpectPresses(3);
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
        const QList<QKeyCombination> expected{QKeyCombination(Qt::Key_M),
                                              QKeyCombination(Qt::MetaModifier, Qt::Key_N),
                                              QKeyCombination(Qt::ShiftModifier, Qt::Key_M)};
        QTRY_COMPARE(window.keys, expected);
        settleAndExpectPresses(1);
        QCOMPARE(window.keys, expected);
    }

    void shortcutHeldByAnotherClientLeavesNothingInstalled()
    {
        // The other client holds only the Caps Lock variant, so the plain
        // combination is grabbed first and must be given back.
        QVERIFY(other.grab(super | XCB_MOD_MASK_LOCK));
        QVERIFY(!hotKey->start());
        QVERIFY(!hotKey->isRegistered());
        QVERIFY(LookupHotKey::enabled());
        QVERIFY(other.superMIsFree());
        QVERIFY(!offerKeyEvent(XCB_KEY_PRESS, other.keyM(), other.root(), super, 100));
        other.ungrab(super | XCB_MOD_MASK_LOCK);

        // Nothing retries by itself; the next start does.
        QVERIFY(hotKey->start());
        xdotool({"key", "super+m"});
        settleAndExpectPresses(1);
    }

    void toggleTwice()
    {
        QVERIFY(hotKey->start());
        hotKey->toggle();
        QCOMPARE(Preferences::standard().value(LookupHotKey::preferenceKey), QVariant(false));
        QVERIFY(!LookupHotKey::enabled());
        QVERIFY(!hotKey->isRegistered());
        QVERIFY(other.superMIsFree());
        xdotool({"key", "super+m"});
        QTest::qWait(200);
        QCOMPARE(presses, 0);

        hotKey->toggle();
        QCOMPARE(Preferences::standard().value(LookupHotKey::preferenceKey), QVariant(true));
        QVERIFY(hotKey->isRegistered());
        xdotool({"key", "super+m"});
        settleAndExpectPresses(1);
    }

    void storedPreference()
    {
        QVERIFY(hotKey->start());
        Preferences::standard().setBoolean(LookupHotKey::preferenceKey, false);
        QVERIFY(!hotKey->start());
        QVERIFY(!hotKey->isRegistered());
        QVERIFY(other.superMIsFree()); // the earlier grab is released

        // Anything but a boolean counts as enabled; toggling then writes false.
        Preferences::standard().setValue(LookupHotKey::preferenceKey, QStringLiteral("false"));
        QVERIFY(LookupHotKey::enabled());
        QVERIFY(hotKey->start());
        hotKey->toggle();
        QCOMPARE(Preferences::standard().value(LookupHotKey::preferenceKey), QVariant(false));
        QVERIFY(!hotKey->isRegistered());
    }

    void stopAndDestructionRelease()
    {
        QVERIFY(hotKey->start());
        hotKey->stop();
        QVERIFY(!hotKey->isRegistered());
        QVERIFY(other.superMIsFree());
        QVERIFY(!offerKeyEvent(XCB_KEY_PRESS, other.keyM(), other.root(), super, 100));

        QVERIFY(hotKey->start());
        QVERIFY(offerKeyEvent(XCB_KEY_PRESS, other.keyM(), other.root(), super, 200));
        hotKey.reset(); // a press already queued is dropped with its object
        QTest::qWait(100);
        QCOMPARE(presses, 0);
        QVERIFY(other.superMIsFree());
    }
};

QTEST_MAIN(LookupHotKeyTest)
#include "tst_lookup_hot_key.moc"
