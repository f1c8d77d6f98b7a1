// The card window on a real X11 desktop with a window manager: on every
// desktop, off the task bar and pager, above other windows, and never
// taking focus from the window the learner is typing in.
#include "card/card_panel.h"
#include "card/panel_placement.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <xcb/xcb.h>

namespace {

xcb_connection_t *connection()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

xcb_atom_t atom(const char *name)
{
    auto *reply =
        xcb_intern_atom_reply(connection(), xcb_intern_atom(connection(), 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return result;
}

QList<uint32_t> windowProperty(WId window, const char *name, xcb_atom_t type)
{
    auto *reply = xcb_get_property_reply(
        connection(), xcb_get_property(connection(), 0, xcb_window_t(window), atom(name), type, 0, 1024), nullptr);
    QList<uint32_t> values;
    if (reply && reply->format == 32) {
        const auto *data = static_cast<const uint32_t *>(xcb_get_property_value(reply));
        values = QList<uint32_t>(data, data + xcb_get_property_value_length(reply) / 4);
    }
    free(reply);
    return values;
}

QList<uint32_t> supported()
{
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection())).data->root;
    return windowProperty(root, "_NET_SUPPORTED", XCB_ATOM_ATOM);
}

Phrase phrase()
{
    return Phrase{QStringLiteral("p1"), QStringLiteral("Selamat pagi"), QStringLiteral("Good morning"),
                  QStringLiteral("Greetings"), QString(), {}, {}, {}};
}

} // namespace

class FloatingPanelDesktopTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theCardJoinsEveryDesktopAndStaysOffTheTaskBar()
    {
        CardPanel panel;
        for (int round = 0; round < 2; ++round) { // hints survive hiding and showing again
            panel.show(phrase());
            QVERIFY(QTest::qWaitForWindowExposed(panel.window()));
            const WId id = panel.window()->winId();
            QTRY_VERIFY(windowProperty(id, "_NET_WM_STATE", XCB_ATOM_ATOM).contains(atom("_NET_WM_STATE_SKIP_TASKBAR")));
            const QList<uint32_t> states = windowProperty(id, "_NET_WM_STATE", XCB_ATOM_ATOM);
            // Openbox shows "every desktop" through _NET_WM_DESKTOP alone.
            if (supported().contains(atom("_NET_WM_STATE_STICKY")))
                QVERIFY(states.contains(atom("_NET_WM_STATE_STICKY")));
            QVERIFY(states.contains(atom("_NET_WM_STATE_SKIP_PAGER")));
            QVERIFY(states.contains(atom("_NET_WM_STATE_ABOVE")));
            // The window manager answers the request to join every desktop in its own time.
            QTRY_COMPARE(windowProperty(id, "_NET_WM_DESKTOP", XCB_ATOM_CARDINAL), QList<uint32_t>{0xFFFFFFFF});
            panel.hide();
            QTRY_VERIFY(!panel.window()->isExposed());
        }
    }

    void showingTheCardLeavesFocusWhereItWas()
    {
        QLineEdit editor;
        editor.show();
        editor.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&editor));

        CardPanel panel;
        panel.show(phrase());
        QVERIFY(QTest::qWaitForWindowExposed(panel.window()));
        QTest::qWait(300);
        QVERIFY(editor.isActiveWindow());
        panel.expand(true);
        QTest::qWait(300);
        QVERIFY(editor.isActiveWindow());
        QCOMPARE(panel.window()->geometry().bottomLeft(),
                 PanelPlacement::cardFrame(panel.screen()->availableGeometry(), false).bottomLeft());
    }
};

QTEST_MAIN(FloatingPanelDesktopTest)
#include "tst_floating_panel_desktop.moc"
