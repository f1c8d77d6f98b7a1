// The card and the lookup window on a real X server with two monitors side
// by side, the pointer on each in turn; run once at scale 1 and once with
// QT_SCALE_FACTOR=2 on monitors of twice the pixels. Checked where the X
// server puts the windows (device pixels), not only in Qt's numbers.
#include "card/card_panel.h"
#include "card/floating_panel.h"
#include "card/view_test.h"
#include "lookup/phrase_lookup_window.h"

#include <QCursor>
#include <QScreen>
#include <cmath>
#include <xcb/xcb.h>

namespace {

// The window's frame as the X server has it, in device pixels.
QRect serverFrame(QWindow *window)
{
    auto *connection = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    const auto id = xcb_window_t(window->winId());
    xcb_get_geometry_reply_t *geometry = xcb_get_geometry_reply(connection, xcb_get_geometry(connection, id), nullptr);
    const xcb_window_t root = geometry ? geometry->root : 0;
    xcb_translate_coordinates_reply_t *origin =
        xcb_translate_coordinates_reply(connection, xcb_translate_coordinates(connection, id, root, 0, 0), nullptr);
    const QRect frame =
        geometry && origin ? QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height) : QRect();
    free(geometry);
    free(origin);
    return frame;
}

// A logical frame on a screen in device pixels: Qt keeps a screen's top-left
// in device pixels and scales what lies inside it.
QRect inDevicePixels(const QRect &logical, const QScreen *screen)
{
    const qreal factor = screen->devicePixelRatio();
    const QPoint origin = screen->geometry().topLeft();
    return QRect(origin + (logical.topLeft() - origin) * factor, logical.size() * factor);
}

} // namespace

class PlacementMonitorsTest : public QObject {
    Q_OBJECT

    void pointTo(QScreen *screen)
    {
        QCursor::setPos(screen, screen->geometry().center());
        QTRY_COMPARE(QGuiApplication::screenAt(QCursor::pos()), screen);
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("PELORA_REDUCE_MOTION", "1"); // frames change in one step
        const QList<QScreen *> screens = QGuiApplication::screens();
        QCOMPARE(screens.size(), 2);
        // Side by side. Qt keeps each screen's top-left in device pixels and
        // scales only its size, so at scale 2 a gap lies between them.
        QCOMPARE(screens[1]->geometry().left(),
                 qRound((screens[0]->geometry().right() + 1) * screens[0]->devicePixelRatio()));
        QCOMPARE(screens[0]->geometry().size(), QSize(1440, 900)); // logical, whatever the scale
    }

    // The card's bottom-left corner 20 logical pixels in from the bottom-left
    // of the pointer's monitor, collapsed and expanded.
    void cardSitsBottomLeftOnThePointersMonitor_data()
    {
        QTest::addColumn<int>("monitor");
        QTest::addColumn<bool>("expanded");
        QTest::newRow("left, collapsed") << 0 << false;
        QTest::newRow("left, expanded") << 0 << true;
        QTest::newRow("right, collapsed") << 1 << false;
        QTest::newRow("right, expanded") << 1 << true;
    }
    void cardSitsBottomLeftOnThePointersMonitor()
    {
        QFETCH(int, monitor);
        QFETCH(bool, expanded);
        QScreen *screen = QGuiApplication::screens().at(monitor);
        pointTo(screen);
        CardPanel panel;
        panel.show(samplePhrase());
        QVERIFY(QTest::qWaitForWindowExposed(panel.window()));
        const QRect area = screen->availableGeometry();
        panel.expand(expanded);
        const QSize size = expanded ? QSize(352, 400) : QSize(272, 64);
        const QRect expected(QPoint(area.left() + 20, area.bottom() + 1 - 20 - size.height()), size);
        QTRY_COMPARE(panel.window()->geometry(), expected);
        QTRY_COMPARE(serverFrame(panel.window()), inDevicePixels(expected, screen));
        panel.hide();
    }

    // The lookup window: 660 wide, centred on the pointer's monitor, its top
    // 16 % of the inset area's height below the area's top.
    void lookupOpensOnThePointersMonitor_data()
    {
        QTest::addColumn<int>("monitor");
        QTest::newRow("left") << 0;
        QTest::newRow("right") << 1;
    }
    void lookupOpensOnThePointersMonitor()
    {
        QFETCH(int, monitor);
        QScreen *screen = QGuiApplication::screens().at(monitor);
        pointTo(screen);
        PhraseLookupWindow lookup;
        lookup.show();
        QVERIFY(QTest::qWaitForWindowExposed(lookup.window()));
        const QRect area = screen->availableGeometry().adjusted(24, 24, -24, -24);
        const QRect frame = lookup.window()->geometry();
        QCOMPARE(frame.size(), QSize(660, 410));
        QVERIFY(std::abs(frame.center().x() - area.center().x()) <= 1);
        QVERIFY(std::abs(frame.top() - (area.top() + 0.16 * area.height())) <= 1);
        QTRY_COMPARE(serverFrame(lookup.window()), inDevicePixels(frame, screen));
        lookup.hide();
    }
};

QTEST_MAIN(PlacementMonitorsTest)
#include "tst_placement_monitors.moc"
