// Hover timing, resizes, and the rule that a card always appears collapsed
// and in one step. Runs offscreen with two screens side by side.
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

const QSize collapsedSize(272, 64);
const QSize expandedSize(352, 400);

} // namespace

class CardPanelTest : public QObject {
    Q_OBJECT

    QList<bool> changes;
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
        panel.show(phrase());
        panel.hover(true, log());
        QCOMPARE(changes, QList<bool>{true}); // synchronously
        panel.hover(false, log());
        QTest::qWait(200);
        QCOMPARE(changes, QList<bool>{true});
        QTRY_COMPARE_WITH_TIMEOUT(changes, (QList<bool>{true, false}), 1000);
        QTest::qWait(400);
        QCOMPARE(changes, (QList<bool>{true, false})); // once only

        // Coming back within the delay never collapses.
        changes.clear();
        for (int round = 0; round < 3; ++round) {
            panel.hover(false, log());
            QTest::qWait(150);
            panel.hover(true, log());
        }
        QTest::qWait(500);
        QCOMPARE(changes, (QList<bool>{true, true, true}));
    }

    void everyOtherOperationCancelsAPendingCollapse()
    {
        CardPanel panel;
        const std::function<void(CardPanel &)> operations[] = {
            [](CardPanel &p) { p.hide(); },
            [](CardPanel &p) { p.show(phrase()); },
            [](CardPanel &p) { p.showMessage(PhraseStore::State::loading, QStringLiteral("…")); },
            [](CardPanel &p) { p.expand(true); },
        };
        for (const auto &operation : operations) {
            panel.show(phrase());
            panel.expand(true);
            panel.hover(false, log());
            QVERIFY(panel.collapsePending());
            operation(panel);
            QVERIFY(!panel.collapsePending());
        }
        panel.hover(false, log());
        panel.hide();
        QVERIFY(!panel.isVisible());
        QVERIFY(!panel.model()->expanded());
        QTest::qWait(450);
        QVERIFY(changes.isEmpty());
    }

    void expandingResizesOnceAnimatedUnlessMotionIsReduced_data()
    {
        QTest::addColumn<bool>("reduce");
        QTest::newRow("animated") << false;
        QTest::newRow("reduced motion") << true;
    }

    void expandingResizesOnceAnimatedUnlessMotionIsReduced()
    {
        QFETCH(bool, reduce);
        if (reduce)
            qputenv("PELORA_REDUCE_MOTION", "1");
        CardPanel panel;
        panel.show(phrase());
        QVERIFY(!panel.window()->takesFocus());
        QSignalSpy frames(panel.window(), &FloatingPanel::frameRequested);
        panel.expand(true);
        panel.expand(true);
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames.at(0).at(1).toBool(), !reduce);
        QCOMPARE(frames.at(0).at(0).toRect().size(), expandedSize);
        QCOMPARE(panel.window()->isAnimating(), !reduce);
        QTRY_VERIFY(!panel.window()->isAnimating());
        QCOMPARE(panel.window()->geometry().size(), expandedSize);
        QVERIFY(panel.window()->takesFocus()); // only when expanded

        panel.expand(false);
        panel.expand(false);
        QCOMPARE(frames.size(), 2);
        QCOMPARE(frames.at(1).at(0).toRect().size(), collapsedSize);
        panel.hide();
        QVERIFY(!panel.window()->takesFocus());
    }

    void showAndShowMessageAppearCollapsedInOneStep()
    {
        CardPanel panel;
        panel.showMessage(PhraseStore::State::empty, QStringLiteral("Nothing yet."));
        panel.show(phrase());
        // The message state is kept for later.
        QCOMPARE(panel.model()->state(), PhraseStore::State::empty);
        QCOMPARE(panel.model()->detail(), QStringLiteral("Nothing yet."));

        const std::function<void(CardPanel &)> appearances[] = {
            [](CardPanel &p) { p.show(phrase(QStringLiteral("p2"))); },
            [](CardPanel &p) { p.showMessage(PhraseStore::State::unavailable, QStringLiteral("Offline.")); },
        };
        for (const auto &appear : appearances) {
            panel.expand(true);
            QVERIFY(panel.window()->isAnimating());
            QSignalSpy frames(panel.window(), &FloatingPanel::frameRequested);
            appear(panel);
            QVERIFY(panel.isVisible());
            QVERIFY(!panel.model()->expanded());
            QVERIFY(!panel.window()->isAnimating());
            QCOMPARE(frames.last().at(1).toBool(), false);
            QCOMPARE(panel.window()->geometry().size(), collapsedSize);
        }
        QVERIFY(!panel.model()->phrase().has_value());
        QCOMPARE(panel.model()->state(), PhraseStore::State::unavailable);
        QCOMPARE(panel.model()->detail(), QStringLiteral("Offline."));
    }

    void appearsOnTheScreenUnderThePointerAndRepositionKeepsIt()
    {
        const QList<QScreen *> screens = QGuiApplication::screens();
        QCOMPARE(screens.size(), 2);
        CardPanel panel;
        QCursor::setPos(QPoint(-500, -500)); // outside every screen
        panel.showMessage(PhraseStore::State::signedOut, QString());
        QCOMPARE(panel.screen(), QGuiApplication::primaryScreen());
        QCOMPARE(panel.window()->geometry(),
                 PanelPlacement::cardFrame(QGuiApplication::primaryScreen()->availableGeometry(), false));

        QCursor::setPos(screens.at(1)->geometry().center());
        panel.show(phrase());
        QCOMPARE(panel.screen(), screens.at(1));
        QCOMPARE(panel.window()->geometry(), PanelPlacement::cardFrame(screens.at(1)->availableGeometry(), false));

        panel.expand(true);
        QCursor::setPos(screens.at(0)->geometry().center());
        QSignalSpy frames(panel.window(), &FloatingPanel::frameRequested);
        panel.reposition();
        QCOMPARE(panel.screen(), screens.at(1));
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames.at(0).at(1).toBool(), false);
        QCOMPARE(panel.window()->geometry(), PanelPlacement::cardFrame(screens.at(1)->availableGeometry(), true));
    }
};

int main(int argc, char **argv)
{
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
