// The Super+M grab on a real X server, seen by a second X client, pressed with xdotool.
#include "fresh_hot_key.h"

#include <QApplication>
#include <QProcess>
#include <QTest>

#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int super = XCB_MOD_MASK_4;
constexpr int capsLock = XCB_MOD_MASK_LOCK;
constexpr int numLock = XCB_MOD_MASK_2;

// A second X client: whether it can grab a combination tells whether we hold it.
struct OtherXClient {
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    uint32_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(connection);
    uint8_t keyM = keyCode(0x006d);
    uint8_t keyN = keyCode(0x006e);

    ~OtherXClient()
    {
        xcb_key_symbols_free(symbols);
        xcb_disconnect(connection);
    }
    uint8_t keyCode(uint32_t keysym)
    {
        xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols, keysym);
        const uint8_t code = codes ? codes[0] : 0;
        std::free(codes);
        return code;
    }
    bool grab(int modifiers, uint8_t key)
    {
        auto *error = xcb_request_check(connection,
                                        xcb_grab_key_checked(connection, 0, root, uint16_t(modifiers), key,
                                                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        std::free(error);
        return !error;
    }
    void ungrab(int modifiers, uint8_t key)
    {
        xcb_ungrab_key(connection, key, root, uint16_t(modifiers));
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }
    bool isFree(int modifiers = super, uint8_t key = 0)
    {
        key = key ? key : keyM;
        if (!grab(modifiers, key))
            return false;
        ungrab(modifiers, key);
        return true;
    }
};

bool xdotool(const QStringList &arguments)
{
    return QProcess::execute(u"xdotool"_s, arguments) == 0;
}

} // namespace

class LookupHotKeyTest : public QObject {
    Q_OBJECT
    std::unique_ptr<LookupHotKey> hotKey;
    int presses = 0;
    OtherXClient other;

    // Starts (or toggles) and waits until the desktop portal, absent on the
    // test's private bus, has been asked: whether the key is grabbed then.
    bool settled() { return waitUntilSettled(*hotKey) == LookupHotKey::Availability::registered; }
    bool started()
    {
        hotKey->start();
        return settled();
    }
    bool toggled()
    {
        hotKey->toggle();
        return settled();
    }

    void expectPresses(int expected)
    {
        QTRY_COMPARE(presses, expected);
        QTest::qWait(250); // a second report would have come by now
        QCOMPARE(presses, expected);
    }

private Q_SLOTS:
    void init() { hotKey = freshHotKey(&presses); }
    void cleanup()
    {
        hotKey.reset(); // destruction releases the grab
        QVERIFY(other.isFree());
        QVERIFY(other.isFree(super | capsLock | numLock));
    }

    // Grabbed with every lock combination and nothing else; a press is reported
    // once, with the locks on too, and once while X auto-repeats it.
    void eachPressIsReportedOnceWhateverTheLockKeys()
    {
        QVERIFY(started());
        QCOMPARE(hotKey->method(), LookupHotKey::Method::x11Grab);
        QVERIFY(!other.isFree(super | capsLock)); // one lock on (both on, and none, are pressed below)
        QVERIFY(!other.isFree(super | numLock));
        QVERIFY(other.isFree(super | XCB_MOD_MASK_SHIFT));
        QVERIFY(other.isFree(super, other.keyN));
        QVERIFY(xdotool({u"key"_s, u"super+m"_s}));
        expectPresses(1);
        QVERIFY(xdotool({u"key"_s, u"Num_Lock"_s, u"Caps_Lock"_s, u"super+m"_s, u"Num_Lock"_s, u"Caps_Lock"_s}));
        expectPresses(2);
        QVERIFY(started()); // a clean restart: one grab, one filter
        QVERIFY(xdotool({u"keydown"_s, u"super+m"_s}));
        QTest::qWait(1200); // longer than the auto-repeat delay
        QVERIFY(xdotool({u"keyup"_s, u"super+m"_s}));
        expectPresses(3);
    }

    void shortcutTakenByAnotherClientLeavesNothingInstalled()
    {
        // Only the Caps Lock variant is taken: the plain one, grabbed first, must be given back.
        QVERIFY(other.grab(super | capsLock, other.keyM));
        QVERIFY(!started());
        QCOMPARE(hotKey->availability(), LookupHotKey::Availability::taken);
        QVERIFY(hotKey->enabled());
        QVERIFY(other.isFree());
        other.ungrab(super | capsLock, other.keyM);
        QVERIFY(started()); // the next start tries again
    }

    // Toggling stores and applies the negation; a stored false makes start()
    // release what it held; anything but a boolean counts as enabled.
    void preferenceDecides()
    {
        Preferences &preferences = Preferences::standard();
        const auto stored = [&] { return preferences.value(shortcutPreference); };
        QVERIFY(started());
        QVERIFY(!toggled());
        QCOMPARE(stored(), QVariant(false));
        QVERIFY(other.isFree());
        QVERIFY(toggled());
        QCOMPARE(stored(), QVariant(true));
        preferences.setBoolean(shortcutPreference, false);
        QVERIFY(!started());
        QVERIFY(other.isFree());
        preferences.setValue(shortcutPreference, u"false"_s);
        QVERIFY(started());
    }

    // An X server inside a Wayland session (XWayland) sees keys only while
    // one of its own windows has focus: no grab there, and the menu says
    // the desktop offers no way, not that another program holds the key.
    void noGrabInsideAWaylandSession()
    {
        qputenv("XDG_SESSION_TYPE", "wayland");
        const bool registered = started();
        qunsetenv("XDG_SESSION_TYPE");
        QVERIFY(!registered);
        QVERIFY(other.isFree());
        QCOMPARE(hotKey->availability(), LookupHotKey::Availability::unsupported);
    }
};

QTEST_MAIN(LookupHotKeyTest)
#include "tst_lookup_hot_key.moc"
