// Where the lookup window goes and how it grows and shrinks in place.
#include "lookup/lookup_placement.h"

#include <QTest>

using namespace LookupPlacement;

class LookupPlacementTest : public QObject {
    Q_OBJECT
    const QRect laptop{0, 25, 1440, 875}, monitor{1440, 0, 1920, 1050}; // the laptop below a 25-pixel top bar

private Q_SLOTS:
    void highUpAndCentredAndClampedToSmallAreas()
    {
        const QRect plain = frame(laptop, false);
        QCOMPARE(plain, QRect(390, 25 + 156, 660, 410)); // 24 + 0.16 × 827 = 156.32 below the top
        QCOMPARE(frame(laptop, true), QRect(plain.topLeft(), QSize(660, 680)));
        QCOMPARE(frame(monitor, false).left(), 1440 + 24 + (1872 - 660) / 2);
        const QRect narrow = frame(QRect(0, 0, 600, 900), false);
        QCOMPARE(QPoint(narrow.left(), narrow.width()), QPoint(24, 552));

        // 500 high: the area is 452; the card window is cut to it and pushed up.
        const QRect shortArea(100, 50, 1200, 500);
        QCOMPARE(QPoint(frame(shortArea, true).top(), frame(shortArea, true).height()), QPoint(50 + 24, 452));
        QCOMPARE(frame(shortArea, false).height(), 410);
        QVERIFY(frame(shortArea, false).bottom() < 50 + 500 - 24);
        QVERIFY(!frame(QRect(0, 0, 40, 40), true).isEmpty());
    }

    void resizingKeepsTheTopEdgeUnlessNearTheBottom()
    {
        const QRect plain = frame(laptop, false);
        const QRect grown = resized(laptop, plain, true);
        QCOMPARE(grown, QRect(plain.topLeft(), QSize(660, 680)));
        QCOMPARE(resized(laptop, grown, false), plain);
        QCOMPARE(resized(laptop, plain, false), plain);
        // Near the bottom it moves up just enough (area 24 … 776).
        QCOMPARE(resized(QRect(0, 0, 1280, 800), QRect(300, 300, 660, 410), true), QRect(300, 776 - 680, 660, 680));
        // On a second screen it stays there.
        QCOMPARE(resized(monitor, frame(monitor, false), true).left(), frame(monitor, false).left());
    }
};

QTEST_APPLESS_MAIN(LookupPlacementTest)
#include "tst_lookup_placement.moc"
