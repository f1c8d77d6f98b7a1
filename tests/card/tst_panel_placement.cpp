#include "card/panel_placement.h"

#include <QTest>

using namespace PanelPlacement;

class PanelPlacementTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void screenUnderThePointer_data()
    {
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<int>("primary");
        QTest::addColumn<int>("screen");
        QTest::newRow("primary") << QPoint(100, 100) << 0 << 0;
        QTest::newRow("right") << QPoint(2000, 500) << 0 << 1;
        QTest::newRow("above") << QPoint(10, -10) << 0 << 2;
        QTest::newRow("first pixel of a frame") << QPoint(1440, 0) << 0 << 1;
        QTest::newRow("last pixel of a frame") << QPoint(1439, 899) << 0 << 0;
        QTest::newRow("outside: primary") << QPoint(-50, -50) << 1 << 1;
        QTest::newRow("outside, primary unknown") << QPoint(5000, 5000) << -1 << 0;
    }

    void screenUnderThePointer()
    {
        QFETCH(QPoint, pointer);
        QFETCH(int, primary);
        QFETCH(int, screen);
        const QList<QRect> frames{QRect(0, 0, 1440, 900), QRect(1440, 0, 1920, 1080), QRect(0, -768, 1024, 768)};
        QCOMPARE(screenIndexForPointer(frames, pointer, primary), screen);
        QCOMPARE(screenIndexForPointer({}, pointer, 0), -1);
    }

    void bottomLeftCornerOfTheVisibleArea()
    {
        const QRect visible(0, 25, 1440, 875);
        const QRect collapsed = cardFrame(visible, false);
        QCOMPARE(collapsed, QRect(20, 25 + 875 - 20 - 64, 272, 64));
        const QRect expanded = cardFrame(visible, true);
        QCOMPARE(expanded.size(), QSize(352, 400));
        QCOMPARE(expanded.bottomLeft(), collapsed.bottomLeft());
        QCOMPARE(cardFrame(QRect(1440, 0, 1920, 1050), false), QRect(1460, 1050 - 20 - 64, 272, 64));
    }

    void clampsToSmallVisibleAreas()
    {
        QCOMPARE(cardFrame(QRect(0, 0, 300, 900), false).width(), 260);
        QCOMPARE(cardFrame(QRect(0, 0, 312, 900), false).width(), 272);
        QCOMPARE(cardFrame(QRect(0, 0, 380, 900), true).width(), 340);
        const QRect expanded = cardFrame(QRect(0, 100, 1000, 430), true);
        QCOMPARE(expanded.height(), 390);
        QCOMPARE(expanded.top(), 100 + 20);
        QCOMPARE(cardFrame(QRect(0, 0, 1000, 440), true).height(), 400);
        const QRect tiny = cardFrame(QRect(0, 0, 30, 30), true);
        QVERIFY(tiny.width() >= 1 && tiny.height() >= 1);
    }
};

QTEST_APPLESS_MAIN(PanelPlacementTest)
#include "tst_panel_placement.moc"
