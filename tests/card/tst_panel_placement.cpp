// Where the card goes: the screen under the pointer, the bottom-left corner
// of its visible area, and the clamping of its two sizes.
#include "card/panel_placement.h"

#include <QTest>

using namespace PanelPlacement;

class PanelPlacementTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void choosesTheScreenUnderThePointer()
    {
        // Primary on the left, a second screen to its right, a third above.
        const QList<QRect> frames{QRect(0, 0, 1440, 900), QRect(1440, 0, 1920, 1080), QRect(0, -768, 1024, 768)};
        QCOMPARE(screenIndexForPointer(frames, QPoint(100, 100), 0), 0);
        QCOMPARE(screenIndexForPointer(frames, QPoint(2000, 500), 0), 1);
        QCOMPARE(screenIndexForPointer(frames, QPoint(10, -10), 0), 2);
        // The first pixel of a frame belongs to it, the one past its edge does not.
        QCOMPARE(screenIndexForPointer(frames, QPoint(1440, 0), 0), 1);
        QCOMPARE(screenIndexForPointer(frames, QPoint(1439, 899), 0), 0);
    }

    void fallsBackToThePrimaryScreen()
    {
        const QList<QRect> frames{QRect(0, 0, 1440, 900), QRect(1440, 0, 1920, 1080)};
        QCOMPARE(screenIndexForPointer(frames, QPoint(-50, -50), 1), 1);
        QCOMPARE(screenIndexForPointer(frames, QPoint(5000, 50), 0), 0);
        QCOMPARE(screenIndexForPointer({}, QPoint(0, 0), 0), -1);
        // A primary index that is not in the list still yields a screen.
        QCOMPARE(screenIndexForPointer(frames, QPoint(-50, -50), -1), 0);
    }

    void sitsInTheBottomLeftCornerOfTheVisibleArea()
    {
        // A visible area below a 25-pixel top bar.
        const QRect visible(0, 25, 1440, 875);
        const QRect collapsed = cardFrame(visible, false);
        QCOMPARE(collapsed, QRect(20, 25 + 875 - 20 - 64, 272, 64));
        // Expanding grows up and to the right around the same corner.
        const QRect expanded = cardFrame(visible, true);
        QCOMPARE(expanded.size(), QSize(352, 400));
        QCOMPARE(expanded.bottomLeft(), collapsed.bottomLeft());
        QCOMPARE(visible.bottom() - expanded.bottom(), 20);
        QCOMPARE(expanded.left() - visible.left(), 20);

        // On a second screen, relative to that screen's visible area.
        const QRect second(1440, 0, 1920, 1050);
        QCOMPARE(cardFrame(second, false), QRect(1460, 1050 - 20 - 64, 272, 64));
    }

    void clampsToSmallVisibleAreas()
    {
        // Narrower than 272 + 40: the card is the width minus 40.
        QCOMPARE(cardFrame(QRect(0, 0, 300, 900), false).width(), 260);
        QCOMPARE(cardFrame(QRect(0, 0, 312, 900), false).width(), 272);
        QCOMPARE(cardFrame(QRect(0, 0, 380, 900), true).width(), 340);
        // Shorter than 400 + 40: the expanded card is the height minus 40.
        const QRect shortArea(0, 100, 1000, 430);
        const QRect expanded = cardFrame(shortArea, true);
        QCOMPARE(expanded.height(), 390);
        QCOMPARE(expanded.top(), 100 + 20);
        QCOMPARE(cardFrame(QRect(0, 0, 1000, 440), true).height(), 400);
        // An absurdly small area still gives a valid window inside it.
        const QRect tiny = cardFrame(QRect(0, 0, 30, 30), true);
        QVERIFY(tiny.width() >= 1 && tiny.height() >= 1);
    }
};

QTEST_APPLESS_MAIN(PanelPlacementTest)
#include "tst_panel_placement.moc"
