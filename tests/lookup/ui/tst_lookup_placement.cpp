// Where the lookup window goes and how it grows and shrinks in place.
#include "lookup/lookup_placement.h"

#include <QTest>

using namespace LookupPlacement;

class LookupPlacementTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aDesktopScreenGetsTheFullSizeHighUpAndCentred()
    {
        // A 1440 × 875 visible area below a 25-pixel top bar.
        const QRect visible(0, 25, 1440, 875);
        const QRect plain = frame(visible, false);
        QCOMPARE(plain.size(), QSize(660, 410));
        QCOMPARE(plain.center().x(), visible.center().x()); // centred
        QCOMPARE(plain.left(), 390);
        // Top 24 + 0.16 × 827 = 156.32 below the visible area's top.
        QCOMPARE(plain.top() - visible.top(), 156);

        const QRect withCard = frame(visible, true);
        QCOMPARE(withCard.size(), QSize(660, 680));
        QCOMPARE(withCard.top(), plain.top());
    }

    void narrowAndShortAreasClamp()
    {
        QCOMPARE(frame(QRect(0, 0, 600, 900), false).width(), 552);
        QCOMPARE(frame(QRect(0, 0, 600, 900), false).left(), 24);

        // 500 high: the area is 452, the card window is cut to it and pushed up
        // to the area's top rather than hanging below it.
        const QRect shortArea(100, 50, 1200, 500);
        const QRect card = frame(shortArea, true);
        QCOMPARE(card.height(), 452);
        QCOMPARE(card.top(), 50 + 24);
        QVERIFY(card.bottom() < 50 + 500 - 24);
        // A plain window fits: 410 high, its bottom kept inside the area.
        const QRect plain = frame(shortArea, false);
        QCOMPARE(plain.height(), 410);
        QVERIFY(plain.top() + plain.height() <= 50 + 500 - 24);

        const QRect tiny = frame(QRect(0, 0, 40, 40), true);
        QVERIFY(tiny.width() >= 1 && tiny.height() >= 1);
    }

    void growingAndShrinkingKeepTheTopEdge()
    {
        const QRect visible(0, 25, 1440, 875);
        const QRect plain = frame(visible, false);
        const QRect grown = resized(visible, plain, true);
        QCOMPARE(grown, QRect(plain.left(), plain.top(), plain.width(), 680));
        QCOMPARE(resized(visible, grown, false), plain);
        QCOMPARE(resized(visible, plain, false), plain); // nothing to do
    }

    void growingNearTheBottomMovesUpJustEnough()
    {
        const QRect visible(0, 0, 1280, 800); // area 24 … 776
        const QRect low(300, 300, 660, 410);
        const QRect grown = resized(visible, low, true);
        QCOMPARE(grown.height(), 680);
        QCOMPARE(grown.top() + grown.height(), 776);
        QCOMPARE(grown.left(), 300);
        QCOMPARE(grown.width(), 660);
    }

    void aWindowOnASecondScreenStaysThere()
    {
        const QRect second(1440, 0, 1920, 1050);
        const QRect plain = frame(second, false);
        QVERIFY(second.contains(plain));
        QCOMPARE(plain.left(), 1440 + 24 + (1872 - 660) / 2);
        QCOMPARE(resized(second, plain, true).left(), plain.left());
    }
};

QTEST_APPLESS_MAIN(LookupPlacementTest)
#include "tst_lookup_placement.moc"
