#include "card/panel_placement.h"

#include <QTest>

using namespace PanelPlacement;

class PanelPlacementTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A laptop at the origin, a monitor to its right and one above it.
    void screenUnderThePointer()
    {
        const QList<QRect> frames{QRect(0, 0, 1440, 900), QRect(1440, 0, 1920, 1080), QRect(0, -768, 1024, 768)};
        const struct {
            QPoint pointer;
            int primary, screen;
        } cases[] = {{{100, 100}, 0, 0},    {{2000, 500}, 0, 1},  {{10, -10}, 0, 2},
                     {{1440, 0}, 0, 1},     {{1439, 899}, 0, 0}, // the first and last pixels of a frame
                     {{-50, -50}, 1, 1},    {{5000, 5000}, -1, 0}}; // outside: the primary, or else the first
        for (const auto &c : cases) {
            QCOMPARE(std::pair(c.pointer, screenIndexForPointer(frames, c.pointer, c.primary)),
                     std::pair(c.pointer, c.screen));
            QCOMPARE(screenIndexForPointer({}, c.pointer, 0), -1);
        }
    }

    // 20 pixels from the bottom-left corner of the visible area, cut to fit it.
    void cardFrame()
    {
        const struct {
            QRect visible;
            bool expanded;
            QRect frame;
        } cases[] = {
            {{0, 25, 1440, 875}, false, {20, 816, 272, 64}},      // below a top bar
            {{0, 25, 1440, 875}, true, {20, 480, 352, 400}},      // the same bottom-left corner
            {{1440, 0, 1920, 1050}, false, {1460, 966, 272, 64}}, // a second screen
            {{0, 0, 300, 900}, false, {20, 816, 260, 64}},
            {{0, 0, 312, 900}, false, {20, 816, 272, 64}},
            {{0, 0, 380, 900}, true, {20, 480, 340, 400}},
            {{0, 100, 1000, 430}, true, {20, 120, 352, 390}},
            {{0, 0, 1000, 440}, true, {20, 20, 352, 400}},
        };
        for (const auto &c : cases)
            QCOMPARE(std::pair(c.visible, PanelPlacement::cardFrame(c.visible, c.expanded)), std::pair(c.visible, c.frame));
        QVERIFY(!PanelPlacement::cardFrame(QRect(0, 0, 30, 30), true).isEmpty()); // never vanishes
    }
};

QTEST_APPLESS_MAIN(PanelPlacementTest)
#include "tst_panel_placement.moc"
