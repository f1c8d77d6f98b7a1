// Both floating panels on a real X11 desktop with a window manager. The card:
// on every desktop, off the task bar and pager, above other windows, never
// taking focus from the window the learner is typing in. The lookup window:
// takes focus when shown; losing it hides the window and abandons a running
// lookup, keeping the query for next time.
#include "card/card_panel.h"
#include "card/view_test.h"
#include "lookup/phrase_lookup_window.h"
#include "lookup/ui/lookup_web_app.h"

#include <QLineEdit>
#include <QProcess>
#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

namespace {

xcb_connection_t *x()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

xcb_atom_t atom(const char *name)
{
    auto *reply = xcb_intern_atom_reply(x(), xcb_intern_atom(x(), 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return result;
}

// The 32-bit values of a window's property.
QList<uint32_t> windowProperty(xcb_window_t window, const char *name, xcb_atom_t type = XCB_ATOM_ATOM)
{
    auto *reply = xcb_get_property_reply(x(), xcb_get_property(x(), 0, window, atom(name), type, 0, 1024), nullptr);
    QList<uint32_t> values;
    if (reply && reply->format == 32) {
        const auto *data = static_cast<const uint32_t *>(xcb_get_property_value(reply));
        values = QList<uint32_t>(data, data + xcb_get_property_value_length(reply) / 4);
    }
    free(reply);
    return values;
}

} // namespace

class FloatingPanelDesktopTest : public QObject {
    Q_OBJECT
    QLineEdit editor; // the learner's window

    // Shows the lookup window, types, starts a lookup and clicks into the
    // editor: the window hides and the running lookup is abandoned.
    void lookUpAndLeave(PhraseLookupWindow &lookup, const char *typed)
    {
        lookup.show();
        QVERIFY(QTest::qWaitForWindowActive(lookup.window()));
        QTRY_VERIFY(lookup.window()->rootObject()->property("inputFocused").toBool());
        for (const char *letter = typed; *letter; ++letter)
            QTest::keyClick(lookup.window(), *letter);
        QCOMPARE(lookup.model()->query(), u"kopi"_s);
        QTest::keyClick(lookup.window(), Qt::Key_Return);
        QTRY_COMPARE(lookup.model()->phase(), PhraseLookupModel::Phase::lookingUp);
        editor.activateWindow();
        QTRY_VERIFY(!lookup.isVisible());
        QCOMPARE(lookup.model()->phase(), PhraseLookupModel::Phase::idle);
    }

private Q_SLOTS:
    void init()
    {
        editor.show();
        editor.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&editor));
    }

    void theCardJoinsEveryDesktopStaysOffTheTaskBarAndLeavesFocusAlone()
    {
        CardPanel panel;
        for (int round = 0; round < 2; ++round) { // the hints survive hiding and showing again
            panel.show(samplePhrase());
            QVERIFY(QTest::qWaitForWindowExposed(panel.window()));
            const auto id = xcb_window_t(panel.window()->winId());
            QTRY_VERIFY(windowProperty(id, "_NET_WM_STATE").contains(atom("_NET_WM_STATE_SKIP_TASKBAR")));
            const QList<uint32_t> states = windowProperty(id, "_NET_WM_STATE");
            QVERIFY(states.contains(atom("_NET_WM_STATE_SKIP_PAGER")));
            QVERIFY(states.contains(atom("_NET_WM_STATE_ABOVE")));
            // Every desktop: openbox answers the request in its own time, through _NET_WM_DESKTOP alone.
            QTRY_COMPARE(windowProperty(id, "_NET_WM_DESKTOP", XCB_ATOM_CARDINAL), QList<uint32_t>{0xFFFFFFFF});
            panel.expand(false);
            QTest::qWait(300);
            QVERIFY(editor.isActiveWindow());
            panel.expand(true);
            QTest::qWait(300);
            QVERIFY(editor.isActiveWindow());
            panel.hide();
            QTRY_VERIFY(!panel.window()->isExposed());
        }
    }

    void theLookupWindowTakesFocusAndHidesWhenItLosesIt()
    {
        LookupWebApp web;
        web.lookupAnswer = LookupWebApp::LookupAnswer::hang;
        PhraseLookupWindow lookup;
        lookup.model()->connect(web.client());
        lookUpAndLeave(lookup, "kopi");
        if (QTest::currentTestFailed())
            return;
        lookUpAndLeave(lookup, ""); // reopened: the query as it was, focused again
    }

    // Closed by the window manager (Alt+F4, as its close button does): the
    // window goes and a running lookup is abandoned, keeping the query; the
    // next show opens it again.
    void theWindowManagersCloseAbandonsARunningLookup()
    {
        LookupWebApp web;
        web.lookupAnswer = LookupWebApp::LookupAnswer::hang;
        PhraseLookupWindow lookup;
        lookup.model()->connect(web.client());
        lookup.show();
        QVERIFY(QTest::qWaitForWindowActive(lookup.window()));
        lookup.model()->setQuery(u"kopi"_s);
        lookup.model()->lookup();
        QCOMPARE(lookup.model()->phase(), PhraseLookupModel::Phase::lookingUp);
        // A busy window manager can miss a key while it settles the focus: press again while the window stays.
        for (int press = 0; press < 3 && lookup.isVisible(); ++press) {
            QCOMPARE(QProcess::execute(u"xdotool"_s, {u"key"_s, u"alt+F4"_s}), 0);
            if (QTest::qWaitFor([&] { return !lookup.isVisible(); }, 5000))
                break;
        }
        QVERIFY2(!lookup.isVisible(), "the window manager never closed the lookup window");
        QCOMPARE(lookup.model()->phase(), PhraseLookupModel::Phase::idle);
        QCOMPARE(lookup.model()->query(), u"kopi"_s);
        lookup.show();
        QVERIFY(QTest::qWaitForWindowActive(lookup.window()));
    }
};

QTEST_MAIN(FloatingPanelDesktopTest)
#include "tst_floating_panel_desktop.moc"
