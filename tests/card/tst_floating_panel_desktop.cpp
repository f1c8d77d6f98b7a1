// The card window on a real X11 desktop with a window manager: on every
// desktop, off the task bar and pager, above other windows, and never
// taking focus from the window the learner is typing in.
#include "card/card_panel.h"
#include "card/view_test.h"

#include <QLineEdit>
#include <xcb/xcb.h>

namespace {

xcb_connection_t *x() { return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection(); }

// The 32-bit values of a window's property; with no window, the name's atom.
QList<uint32_t> windowProperty(xcb_window_t window, const char *name, xcb_atom_t type = XCB_ATOM_ATOM)
{
    auto *atom = xcb_intern_atom_reply(x(), xcb_intern_atom(x(), 0, uint16_t(strlen(name)), name), nullptr);
    const uint32_t nameAtom = atom ? atom->atom : uint32_t(XCB_ATOM_NONE);
    free(atom);
    if (!window)
        return {nameAtom};
    auto *reply = xcb_get_property_reply(x(), xcb_get_property(x(), 0, window, nameAtom, type, 0, 1024), nullptr);
    QList<uint32_t> values;
    if (reply && reply->format == 32) {
        const auto *data = static_cast<const uint32_t *>(xcb_get_property_value(reply));
        values = QList<uint32_t>(data, data + xcb_get_property_value_length(reply) / 4);
    }
    free(reply);
    return values;
}
uint32_t atom(const char *name) { return windowProperty(0, name).value(0); }

} // namespace

class FloatingPanelDesktopTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theCardJoinsEveryDesktopStaysOffTheTaskBarAndLeavesFocusAlone()
    {
        QLineEdit editor;
        editor.show();
        editor.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x())).data->root;
        // Openbox shows "every desktop" through _NET_WM_DESKTOP alone.
        const bool sticky = windowProperty(root, "_NET_SUPPORTED").contains(atom("_NET_WM_STATE_STICKY"));

        CardPanel panel;
        for (int round = 0; round < 2; ++round) { // the hints survive hiding and showing again
            panel.show(samplePhrase());
            QVERIFY(QTest::qWaitForWindowExposed(panel.window()));
            const auto id = xcb_window_t(panel.window()->winId());
            QTRY_VERIFY(windowProperty(id, "_NET_WM_STATE").contains(atom("_NET_WM_STATE_SKIP_TASKBAR")));
            const QList<uint32_t> states = windowProperty(id, "_NET_WM_STATE");
            QVERIFY(!sticky || states.contains(atom("_NET_WM_STATE_STICKY")));
            QVERIFY(states.contains(atom("_NET_WM_STATE_SKIP_PAGER")) && states.contains(atom("_NET_WM_STATE_ABOVE")));
            // The window manager answers the request to join every desktop in its own time.
            QTRY_COMPARE(windowProperty(id, "_NET_WM_DESKTOP", XCB_ATOM_CARDINAL), QList<uint32_t>{0xFFFFFFFF});
            QTest::qWait(300);
            QVERIFY(editor.isActiveWindow());
            panel.expand(true);
            QTest::qWait(300);
            QVERIFY(editor.isActiveWindow());
            panel.hide();
            QTRY_VERIFY(!panel.window()->isExposed());
        }
    }
};

QTEST_MAIN(FloatingPanelDesktopTest)
#include "tst_floating_panel_desktop.moc"
