// The card panel's behaviour: hover timing, resizes, and the rule that a
// card always appears collapsed and in one step. Runs offscreen with two
// screens side by side.
#include "card/card_panel.h"
#include "card/panel_placement.h"

#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

Phrase phrase(const QString &id = QStringLiteral("p1"))
{
    return Phrase{id, QStringLiteral("Terima kasih"), QStringLiteral("Thank you"), QStringLiteral("Basics"),
                  QStringLiteral("Everywhere."), {}, {}, {}};
}

struct HoverLog {
    QList<bool> changes;
    std::function<void(bool)> callback()
    {
        return [this](bool value) { changes.append(value); };
    }
};

} // namespace

class CardPanelTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        qunsetenv("PELORA_REDUCE_MOTION");
        QCursor::setPos(QPoint(100, 100));
    }

    void enterExpandsAtOnceAndExitCollapsesOnceAfterTheDelay()
    {
        CardPanel panel;
        panel.show(phrase());
        HoverLog log;
        panel.hover(true, log.callback());
        QCOMPARE(log.changes, QList<bool>{true}); // synchronously

        panel.hover(false, log.callback());
        QTest::qWait(200);
        QCOMPARE(log.changes, QList<bool>{true});
        QTRY_COMPARE_WITH_TIMEOUT(log.changes, (QList<bool>{true, false}), 1000);
        QTest::qWait(400);
        QCOMPARE(log.changes, (QList<bool>{true, false})); // once only
    }

    void reentryWithinTheDelayNeverCollapses()
    {
        CardPanel panel;
        panel.show(phrase());
        HoverLog log;
        for (int round = 0; round < 3; ++round) {
            panel.hover(false, log.callback());
            QTest::qWait(150);
            panel.hover(true, log.callback());
        }
        QTest::qWait(500);
        QCOMPARE(log.changes, (QList<bool>{true, true, true}));
    }

    void everyOtherOperationCancelsAPendingCollapse()
    {
        CardPanel panel;
        HoverLog log;
        const std::function<void(CardPanel &)> operations[] = {
            [](CardPanel &p) { p.hide(); },
            [](CardPanel &p) { p.show(phrase()); },
            [](CardPanel &p) { p.showMessage(PhraseStore::State::loading, QStringLiteral("…")); },
            [](CardPanel &p) { p.expand(true); },
        };
        for (const auto &operation : operations) {
            panel.show(phrase());
            panel.expand(true);
            panel.hover(false, log.callback());
            QVERIFY(panel.collapsePending());
            operation(panel);
            QVERIFY(!panel.collapsePending());
        }
        QTest::qWait(450);
        QVERIFY(log.changes.isEmpty());
    }

    void hideWhileACollapseIsPendingEndsCollapsed()
    {
        CardPanel panel;
        panel.show(phrase());
        panel.expand(true);
        HoverLog log;
        panel.hover(false, log.callback());
        panel.hide();
        QVERIFY(!panel.isVisible());
        QVERIFY(!panel.model()->expanded());
        QTest::qWait(450);
        QVERIFY(log.changes.isEmpty());
    }

    void expandingTwiceResizesOnce()
    {
        CardPanel panel;
        panel.show(phrase());
        QSignalSpy frames(panel.window(), &FloatingPanel::frameRequested);
        panel.expand(true);
        panel.expand(true);
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames.at(0).at(1).toBool(), true); // animated
        QCOMPARE(frames.at(0).at(0).toRect().size(), QSize(352, 400));
        QTRY_VERIFY(!panel.window()->isAnimating());
        QCOMPARE(panel.window()->geometry().size(), QSize(352, 400));

        panel.expand(false);
        panel.expand(false);
        QCOMPARE(frames.size(), 2);
        QCOMPARE(frames.at(1).at(0).toRect().size(), QSize(272, 64));
    }

    void reduceMotionResizesInOneStep()
    {
        qputenv("PELORA_REDUCE_MOTION", "1");
        CardPanel panel;
        panel.show(phrase());
        QSignalSpy frames(panel.window(), &FloatingPanel::frameRequested);
        panel.expand(true);
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames.at(0).at(1).toBool(), false);
        QVERIFY(!panel.window()->isAnimating());
        QCOMPARE(panel.window()->geometry().size(), QSize(352, 400));
    }

    void showAndShowMessageAppearCollapsedInOneStep()
    {
        CardPanel panel;
        panel.show(phrase());
        panel.expand(true);
        QVERIFY(panel.window()->isAnimating());

        QSignalSpy frames(panel.window(), &FloatingPanel::frameRequested);
        panel.show(phrase(QStringLiteral("p2")));
        QVERIFY(!panel.model()->expanded());
        QVERIFY(!panel.window()->isAnimating());
        QCOMPARE(frames.last().at(1).toBool(), false);
        QCOMPARE(panel.window()->geometry().size(), QSize(272, 64));
        QCOMPARE(panel.model()->phrase()->id, QStringLiteral("p2"));

        panel.expand(true);
        panel.showMessage(PhraseStore::State::unavailable, QStringLiteral("Offline."));
        QVERIFY(!panel.model()->expanded());
        QVERIFY(!panel.window()->isAnimating());
        QCOMPARE(frames.last().at(1).toBool(), false);
        QCOMPARE(panel.window()->geometry().size(), QSize(272, 64));
        QVERIFY(!panel.model()->phrase().has_value());
        QCOMPARE(panel.model()->state(), PhraseStore::State::unavailable);
        QCOMPARE(panel.model()->detail(), QStringLiteral("Offline."));
        QVERIFY(panel.isVisible());
    }

    void showKeepsTheMessageStateForLater()
    {
        CardPanel panel;
        panel.showMessage(PhraseStore::State::empty, QStringLiteral("Nothing yet."));
        panel.show(phrase());
        QCOMPARE(panel.model()->state(), PhraseStore::State::empty);
        QCOMPARE(panel.model()->detail(), QStringLiteral("Nothing yet."));
    }

    void appearsOnTheScreenUnderThePointer()
    {
        const QList<QScreen *> screens = QGuiApplication::screens();
        QCOMPARE(screens.size(), 2);
        CardPanel panel;

        QCursor::setPos(screens.at(1)->geometry().center());
        panel.show(phrase());
        QCOMPARE(panel.screen(), screens.at(1));
        QCOMPARE(panel.window()->geometry(), PanelPlacement::cardFrame(screens.at(1)->availableGeometry(), false));

        QCursor::setPos(QPoint(-500, -500)); // outside every screen
        panel.showMessage(PhraseStore::State::signedOut, QString());
        QCOMPARE(panel.screen(), QGuiApplication::primaryScreen());
        QCOMPARE(panel.window()->geometry(),
                 PanelPlacement::cardFrame(QGuiApplication::primaryScreen()->availableGeometry(), false));
    }

    void repositionKeepsAnAttachedScreenAndIgnoresThePointer()
    {
        const QList<QScreen *> screens = QGuiApplication::screens();
        CardPanel panel;
        QCursor::setPos(screens.at(1)->geometry().center());
        panel.show(phrase());
        panel.expand(true);
        QCursor::setPos(screens.at(0)->geometry().center());
        QSignalSpy frames(panel.window(), &FloatingPanel::frameRequested);
        panel.reposition();
        QCOMPARE(panel.screen(), screens.at(1));
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames.at(0).at(1).toBool(), false);
        QCOMPARE(panel.window()->geometry(), PanelPlacement::cardFrame(screens.at(1)->availableGeometry(), true));
    }

    void theWindowTakesFocusOnlyWhenExpanded()
    {
        CardPanel panel;
        panel.show(phrase());
        QVERIFY(!panel.window()->takesFocus());
        QVERIFY(!(panel.window()->flags() & Qt::WindowTransparentForInput));
        QVERIFY(panel.window()->flags() & Qt::WindowStaysOnTopHint);
        QVERIFY(panel.window()->flags() & Qt::FramelessWindowHint);
        panel.expand(true);
        QVERIFY(panel.window()->takesFocus());
        panel.hide();
        QVERIFY(!panel.window()->takesFocus());
        QCOMPARE(panel.window()->title(), QStringLiteral("Pelora · A little Malay"));
    }
};

int main(int argc, char **argv)
{
    // Two offscreen screens: the primary on the left, a second to its right.
    QTemporaryDir folder;
    const QString config = folder.filePath(QStringLiteral("screens.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return 2;
    file.write(R"({"screens": [
        {"name": "left", "x": 0, "y": 0, "width": 1440, "height": 900, "logicalDpi": 96, "logicalBpi": 96, "dpr": 1},
        {"name": "right", "x": 1440, "y": 0, "width": 1280, "height": 800, "logicalDpi": 96, "logicalBpi": 96, "dpr": 1}
    ]})");
    file.close();
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + config.toLocal8Bit());
    QApplication app(argc, argv);
    CardPanelTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_card_panel.moc"
