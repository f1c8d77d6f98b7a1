// Hover timing, resizes, and the rule that a card always appears collapsed
// and in one step.
#include "card/card_panel.h"
#include "card/panel_placement.h"
#include "card/view_test.h"

#include <QCursor>
#include <QScreen>
#include <QSignalSpy>

using Changes = QList<bool>;
using Operation = std::function<void(CardPanel &)>;

class CardPanelTest : public QObject {
    Q_OBJECT
    Changes changes;
    std::function<void(bool)> log()
    {
        return [this](bool value) { changes.append(value); };
    }

private Q_SLOTS:
    void init()
    {
        qunsetenv("PELORA_REDUCE_MOTION");
        QCursor::setPos(QPoint(100, 100));
        changes.clear();
    }

    void hoverExpandsAtOnceAndCollapsesOnceAfterTheDelay()
    {
        CardPanel panel;
        panel.show(samplePhrase());
        panel.hover(true, log());
        QCOMPARE(changes, Changes{true}); // synchronously
        panel.hover(false, log());
        QTest::qWait(200);
        QCOMPARE(changes, Changes{true});
        QTRY_COMPARE_WITH_TIMEOUT(changes, (Changes{true, false}), 1000);
        QTest::qWait(400);
        QCOMPARE(changes, (Changes{true, false})); // once only

        changes.clear(); // coming back within the delay never collapses
        for (int round = 0; round < 3; ++round) {
            panel.hover(false, log());
            QTest::qWait(150);
            panel.hover(true, log());
        }
        QTest::qWait(500);
        QCOMPARE(changes, (Changes{true, true, true}));
    }

    void everyOtherOperationCancelsAPendingCollapse()
    {
        CardPanel panel;
        for (const Operation &operation : {Operation([](CardPanel &p) { p.hide(); }),
                                           Operation([](CardPanel &p) { p.show(samplePhrase()); }),
                                           Operation([](CardPanel &p) { p.showMessage(PhraseStore::State::loading, ""); }),
                                           Operation([](CardPanel &p) { p.expand(true); })}) {
            panel.show(samplePhrase());
            panel.expand(true);
            panel.hover(false, log());
            QVERIFY(panel.collapsePending());
            operation(panel);
            QVERIFY(!panel.collapsePending());
        }
        panel.hover(false, log());
        panel.hide();
        QVERIFY(!panel.isVisible() && !panel.model()->expanded());
        QTest::qWait(450);
        QVERIFY(changes.isEmpty());
    }

    void expandingResizesOnceAnimatedUnlessMotionIsReduced()
    {
        for (const bool reduce : {false, true}) {
            qputenv("PELORA_REDUCE_MOTION", reduce ? "1" : "0");
            CardPanel panel;
            panel.show(samplePhrase());
            QVERIFY(!panel.window()->takesFocus());
            QSignalSpy frames(panel.window(), &FloatingPanel::frameRequested);
            panel.expand(true);
            panel.expand(true);
            QCOMPARE(frames.size(), 1);
            QCOMPARE(std::pair(frames.at(0).at(1).toBool(), panel.window()->isAnimating()), std::pair(!reduce, !reduce));
            QTRY_VERIFY(!panel.window()->isAnimating());
            QCOMPARE(panel.window()->geometry().size(), QSize(352, 400));
            QVERIFY(panel.window()->takesFocus()); // only when expanded
            panel.expand(false);
            panel.expand(false);
            QCOMPARE(frames.size(), 2);
            QCOMPARE(frames.at(1).at(0).toRect().size(), QSize(272, 64));
        }
    }

    // Expanded and animating, then another phrase or a message: collapsed at once.
    void showAndShowMessageAppearCollapsedInOneStep()
    {
        CardPanel panel;
        panel.showMessage(PhraseStore::State::empty, "Nothing yet.");
        for (const Operation &appear : {Operation([](CardPanel &p) { p.show(samplePhrase("p2")); }),
                                        Operation([](CardPanel &p) { p.showMessage(PhraseStore::State::unavailable, ""); })}) {
            panel.expand(true);
            QVERIFY(panel.window()->isAnimating());
            appear(panel);
            QVERIFY(panel.isVisible() && !panel.model()->expanded() && !panel.window()->isAnimating());
            QCOMPARE(panel.window()->geometry().size(), QSize(272, 64));
        }
        QVERIFY(!panel.model()->phrase().has_value());
        QCOMPARE(panel.model()->state(), PhraseStore::State::unavailable);
    }

    void appearsOnTheScreenUnderThePointerAndRepositionKeepsIt()
    {
        QScreen *monitor = QGuiApplication::screens().at(1);
        CardPanel panel;
        QCursor::setPos(monitor->geometry().center());
        panel.show(samplePhrase());
        QCOMPARE(panel.window()->geometry(), PanelPlacement::cardFrame(monitor->availableGeometry(), false));

        // Expanded, the pointer gone to the laptop: it stays on its screen and follows at once.
        panel.expand(true);
        QCursor::setPos(QPoint(10, 10));
        QSignalSpy frames(panel.window(), &FloatingPanel::frameRequested);
        panel.reposition();
        QCOMPARE(panel.screen(), monitor);
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames.at(0).at(1).toBool(), false);
        QCOMPARE(panel.window()->geometry(), PanelPlacement::cardFrame(monitor->availableGeometry(), true));
    }
};

int main(int argc, char **argv) { return runOnTwoScreens<CardPanelTest>(argc, argv); }
#include "tst_card_panel.moc"
