// Where the lookup window goes and how it grows and shrinks in place.
#include "lookup/lookup_placement.h"

#include <QTest>

using namespace LookupPlacement;

class LookupPlacementTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fullSizeHighUpAndCentred()
    {
        const QRect visible(0, 25, 1440, 875); // below a 25-pixel top bar
        const QRect plain = frame(visible, false);
        QCOMPARE(plain.size(), QSize(660, 410));
        QCOMPARE(plain.left(), 390);
        // Top 24 + 0.16 × 827 = 156.32 below the visible area's top.
        QCOMPARE(plain.top() - visible.top(), 156);
        QCOMPARE(frame(visible, true), QRect(plain.topLeft(), QSize(660, 680)));

        const QRect second(1440, 0, 1920, 1050);
        QCOMPARE(frame(second, false).left(), 1440 + 24 + (1872 - 660) / 2);
    }

    void narrowAndShortAreasClamp()
    {
        QCOMPARE(frame(QRect(0, 0, 600, 900), false).width(), 552);
        QCOMPARE(frame(QRect(0, 0, 600, 900), false).left(), 24);

        // 500 high: the area is 452; the card window is cut to it and pushed up.
        const QRect shortArea(100, 50, 1200, 500);
        const QRect card = frame(shortArea, true);
        QCOMPARE(card.height(), 452);
        QCOMPARE(card.top(), 50 + 24);
        const QRect plain = frame(shortArea, false);
        QCOMPARE(plain.height(), 410);
        QVERIFY(plain.top() + plain.height() <= 50 + 500 - 24);

        const QRect tiny = frame(QRect(0, 0, 40, 40), true);
        QVERIFY(tiny.width() >= 1 && tiny.height() >= 1);
    }

    void resizingKeepsTheTopEdgeUnlessNearTheBottom()
    {
        const QRect visible(0, 25, 1440, 875);
        const QRect plain = frame(visible, false);
        const QRect grown = resized(visible, plain, true);
        QCOMPARE(grown, QRect(plain.topLeft(), QSize(660, 680)));
        QCOMPARE(resized(visible, grown, false), plain);
        QCOMPARE(resized(visible, plain, false), plain);

        // Near the bottom it moves up just enough (area 24 … 776).
        QCOMPARE(resized(QRect(0, 0, 1280, 800), QRect(300, 300, 660, 410), true), QRect(300, 776 - 680, 660, 680));
        // On a second screen it stays there.
        const QRect second(1440, 0, 1920, 1050);
        QCOMPARE(resized(second, frame(second, false), true).left(), frame(second, false).left());
    }
};

QTEST_APPLESS_MAIN(LookupPlacementTest)
#include "tst_lookup_placement.moc"
