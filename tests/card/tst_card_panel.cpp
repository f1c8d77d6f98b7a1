// The card: where it goes, hover timing, resizes, the rule that a card always
// appears collapsed and in one step, and which callback each gesture reaches.
#include "card/card_panel.h"
#include "card/panel_placement.h"
#include "card/reduce_motion.h"
#include "card/view_test.h"

#include <QCursor>
#include <QScreen>
#include <QSignalSpy>

using namespace PanelPlacement;
using namespace Qt::StringLiterals;
using Changes = QList<bool>;
using Operation = std::function<void(CardPanel &)>;
Q_DECLARE_METATYPE(Operation)

class CardPanelTest : public QObject {
    Q_OBJECT
    Changes changes;
    void recordHover(CardPanel &panel)
    {
        connect(&panel, &CardPanel::hoverSettled, this, [this](bool inside) { changes.append(inside); });
    }

private Q_SLOTS:
    void init()
    {
        qunsetenv("PELORA_REDUCE_MOTION");
        QTRY_VERIFY(!ReduceMotion::instance().portalPending()); // a desktop's portal, if any, has answered
        QCursor::setPos(QPoint(100, 100));
        changes.clear();
    }

    // The screen under the pointer, with a laptop at the origin, a monitor to its
    // right and one above it; outside them all, the primary or else the first.
    void screenUnderThePointer_data()
    {
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<int>("primary");
        QTest::addColumn<int>("screen");
        QTest::newRow("on the monitor above") << QPoint(10, -10) << 0 << 2;
        QTest::newRow("on the monitor to the right") << QPoint(2000, 500) << 0 << 1;
        QTest::newRow("outside all: the primary") << QPoint(-50, -50) << 1 << 1;
        QTest::newRow("outside all, no primary: the first") << QPoint(5000, 5000) << -1 << 0;
    }

    void screenUnderThePointer()
    {
        QFETCH(QPoint, pointer);
        QFETCH(int, primary);
        QFETCH(int, screen);
        const QList<QRect> frames{QRect(0, 0, 1440, 900), QRect(1440, 0, 1920, 1080), QRect(0, -768, 1024, 768)};
        QCOMPARE(screenIndexForPointer(frames, pointer, primary), screen);
    }

    void noScreenUnderThePointerWithoutScreens() { QCOMPARE(screenIndexForPointer({}, QPoint(0, 0), 0), -1); }

    // The card: 20 pixels from the bottom-left corner of the visible area (below
    // a top bar, on a second screen), cut to fit small areas but never empty.
    void cardFrameInTheVisibleArea_data()
    {
        QTest::addColumn<QRect>("visible");
        QTest::addColumn<bool>("expanded");
        QTest::addColumn<QRect>("frame");
        QTest::newRow("compact, below a top bar") << QRect(0, 25, 1440, 875) << false << QRect(20, 816, 272, 64);
        QTest::newRow("compact, cut to a narrow area") << QRect(0, 0, 300, 900) << false << QRect(20, 816, 260, 64);
        QTest::newRow("expanded, cut to a low area") << QRect(0, 100, 1000, 430) << true << QRect(20, 120, 352, 390);
        QTest::newRow("expanded, just fitting") << QRect(0, 0, 1000, 440) << true << QRect(20, 20, 352, 400);
        QTest::newRow("expanded, smaller than the margins") << QRect(0, 0, 30, 30) << true << QRect(20, 9, 1, 1);
    }

    void cardFrameInTheVisibleArea()
    {
        QFETCH(QRect, visible);
        QFETCH(bool, expanded);
        QFETCH(QRect, frame);
        QCOMPARE(cardFrame(visible, expanded), frame);
    }

    // Expands synchronously, collapses once after the delay, never when the
    // pointer comes back within it.
    void hoverExpandsAtOnceAndCollapsesOnceAfterTheDelay()
    {
        CardPanel panel;
        recordHover(panel);
        panel.show(samplePhrase());
        panel.hover(true);
        QCOMPARE(changes, Changes{true});
        panel.hover(false);
        QTest::qWait(200);
        QCOMPARE(changes, Changes{true});
        QTRY_COMPARE_WITH_TIMEOUT(changes, (Changes{true, false}), 1000);
        QTest::qWait(400);
        QCOMPARE(changes, (Changes{true, false}));
        panel.hover(false);
        QTest::qWait(150);
        panel.hover(true); // back within the delay
        QTest::qWait(500);
        QCOMPARE(changes, (Changes{true, false, true}));
    }

    void everyOtherOperationCancelsAPendingCollapse_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::newRow("hide") << Operation(&CardPanel::hide);
        QTest::newRow("show") << Operation([](CardPanel &p) { p.show(samplePhrase()); });
        QTest::newRow("show a message") << Operation(
            [](CardPanel &p) { p.showMessage(PhraseStore::State::loading, QString()); });
        QTest::newRow("expand") << Operation([](CardPanel &p) { p.expand(true); });
    }

    void everyOtherOperationCancelsAPendingCollapse()
    {
        QFETCH(Operation, operation);
        CardPanel panel;
        recordHover(panel);
        panel.show(samplePhrase());
        panel.expand(true);
        panel.hover(false);
        QCOMPARE(panel.collapsePending(), true);
        operation(panel);
        QCOMPARE(panel.collapsePending(), false);
        QTest::qWait(450);
        QCOMPARE(changes, Changes());
    }

    // The card takes the keyboard only when asked to, expanded and on screen;
    // collapsing, hiding or the next card end that.
    void keyboardFocusOnlyForTheExpandedCardOnRequest_data()
    {
        QTest::addColumn<Operation>("before");
        QTest::addColumn<bool>("takesFocus");
        QTest::addColumn<Operation>("after");
        const Operation nothing = [](CardPanel &) {};
        const Operation expand = [](CardPanel &p) { p.expand(true); };
        QTest::newRow("compact") << nothing << false << nothing;
        const Operation expandThenHide = [](CardPanel &p) {
            p.expand(true);
            p.hide();
        };
        QTest::newRow("hidden after expanding") << expandThenHide << false << nothing;
        QTest::newRow("expanded, then collapsed") << expand << true << Operation([](CardPanel &p) { p.expand(false); });
        QTest::newRow("expanded, then hidden") << expand << true << Operation([](CardPanel &p) { p.hide(); });
        QTest::newRow("expanded, then the next phrase")
            << expand << true << Operation([](CardPanel &p) { p.show(samplePhrase(u"p2"_s)); });
    }

    void keyboardFocusOnlyForTheExpandedCardOnRequest()
    {
        QFETCH(Operation, before);
        QFETCH(bool, takesFocus);
        QFETCH(Operation, after);
        CardPanel panel;
        panel.show(samplePhrase());
        before(panel);
        QCOMPARE(panel.window()->takesFocus(), false); // expanding by hovering never takes it
        panel.takeKeyboardFocus();
        QCOMPARE(panel.window()->takesFocus(), takesFocus);
        after(panel);
        QCOMPARE(panel.window()->takesFocus(), false);
    }

    // Once, animated unless motion is reduced.
    void expandingResizesOnce_data()
    {
        QTest::addColumn<bool>("reduce");
        QTest::newRow("animated") << false;
        QTest::newRow("motion reduced") << true;
    }

    void expandingResizesOnce()
    {
        QFETCH(bool, reduce);
        qputenv("PELORA_REDUCE_MOTION", reduce ? "1" : "0");
        CardPanel panel;
        panel.show(samplePhrase());
        QSignalSpy frames(panel.window(), &FloatingPanel::frameRequested);
        panel.expand(true);
        panel.expand(true);
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames[0][1].toBool(), !reduce); // the frame is asked for animated
        QCOMPARE(panel.window()->isAnimating(), !reduce);
        QTRY_VERIFY(!panel.window()->isAnimating());
        QCOMPARE(panel.window()->geometry().size(), QSize(352, 400));
        panel.expand(false);
        panel.expand(false);
        QCOMPARE(frames.size(), 2);
        QCOMPARE(frames[1][0].toRect().size(), QSize(272, 64));
    }

    // Expanded and animating, then another phrase or a message: collapsed at once.
    void showAndShowMessageAppearCollapsedInOneStep_data()
    {
        QTest::addColumn<Operation>("appear");
        QTest::newRow("another phrase") << Operation([](CardPanel &p) { p.show(samplePhrase(u"p2"_s)); });
        QTest::newRow("a message") << Operation(
            [](CardPanel &p) { p.showMessage(PhraseStore::State::unavailable, QString()); });
    }

    void showAndShowMessageAppearCollapsedInOneStep()
    {
        QFETCH(Operation, appear);
        CardPanel panel;
        panel.showMessage(PhraseStore::State::empty, u"Nothing yet."_s);
        panel.expand(true);
        QCOMPARE(panel.window()->isAnimating(), true);
        appear(panel);
        QCOMPARE(panel.isVisible(), true);
        QCOMPARE(panel.model()->expanded(), false);
        QCOMPARE(panel.window()->isAnimating(), false);
        QCOMPARE(panel.window()->geometry().size(), QSize(272, 64));
    }

    // On the monitor under the pointer; expanded, the pointer gone to the
    // laptop, it stays on its screen and takes its new frame at once.
    void appearsOnTheScreenUnderThePointerAndRepositionKeepsIt()
    {
        QScreen *monitor = QGuiApplication::screens().at(1);
        CardPanel panel;
        QCursor::setPos(monitor->geometry().center());
        panel.show(samplePhrase());
        QCOMPARE(panel.window()->geometry(), cardFrame(monitor->availableGeometry(), false));
        panel.expand(true);
        QCursor::setPos(QPoint(10, 10));
        QSignalSpy frames(panel.window(), &FloatingPanel::frameRequested);
        panel.reposition();
        QCOMPARE(panel.screen(), monitor);
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames[0][1].toBool(), false); // in one step
        QCOMPARE(panel.window()->geometry(), cardFrame(monitor->availableGeometry(), true));
    }

    // Compact, a tap anywhere on the card expands it; expanded, each button
    // and Escape emit their signal. The compact card has no Escape.
    void gesturesEmitTheirSignals_data()
    {
        QTest::addColumn<bool>("expanded");
        QTest::addColumn<QString>("target"); // an item to click, or empty for Escape
        QTest::addColumn<QPointF>("at");     // where in it, (-1, -1) for its centre
        QTest::addColumn<QStringList>("emitted");
        const QPointF centre(-1, -1);
        QTest::newRow("tap on the compact card")
            << false << u"compactCard"_s << QPointF(5, 5) << QStringList{u"expand"_s};
        QTest::newRow("look-up button's corner")
            << true << u"lookupButton"_s << QPointF(2, 2) << QStringList{u"lookup"_s};
        QTest::newRow("dismiss button") << true << u"dismissButton"_s << centre << QStringList{u"dismiss"_s};
        QTest::newRow("open button") << true << u"openButton"_s << centre << QStringList{u"open"_s};
        QTest::newRow("next button") << true << u"nextButton"_s << centre << QStringList{u"next"_s};
        QTest::newRow("Escape, expanded") << true << QString() << centre << QStringList{u"dismiss"_s};
        QTest::newRow("Escape, compact") << false << QString() << centre << QStringList();
    }
    void gesturesEmitTheirSignals()
    {
        QFETCH(bool, expanded);
        QFETCH(QString, target);
        QFETCH(QPointF, at);
        QFETCH(QStringList, emitted);
        qputenv("PELORA_REDUCE_MOTION", "1");
        CardPanel panel;
        QStringList heard;
        const auto record = [&](void (CardModel::*signal)(), const QString &name) {
            connect(panel.model(), signal, this, [&heard, name] { heard << name; });
        };
        record(&CardModel::dismiss, u"dismiss"_s);
        record(&CardModel::next, u"next"_s);
        record(&CardModel::open, u"open"_s);
        record(&CardModel::lookup, u"lookup"_s);
        record(&CardModel::expand, u"expand"_s);
        panel.show(samplePhrase());
        panel.expand(expanded);
        QVERIFY(QTest::qWaitForWindowExposed(panel.window()));
        QTest::qWait(30);
        if (target.isEmpty()) { // the key reaches a card that was active when expanded
            panel.expand(true);
            panel.window()->requestActivate();
            QVERIFY(QTest::qWaitForWindowActive(panel.window()));
            panel.expand(expanded);
            QTest::keyClick(panel.window(), Qt::Key_Escape);
        } else {
            clickItem(panel.window(), visibleItem(panel.window()->rootObject(), target), at);
        }
        QCOMPARE(heard, emitted);
    }
};

int main(int argc, char **argv)
{
    return runOnTwoScreens<CardPanelTest>(argc, argv);
}
#include "tst_card_panel.moc"
