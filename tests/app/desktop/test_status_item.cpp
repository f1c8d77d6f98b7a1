// The tray item: it appears once a tray exists, also when the panel starts
// after the companion, and its menu is rebuilt before it opens.
#include "app/status_item.h"
#include "card/brand_assets.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSystemTrayIcon>
#include <QTest>

class StatusItemTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void trayIconAppearsWhenThePanelStartsLater()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral("No Icon set")));
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        StatusItem item(true, BrandAssets::menuBarIcon());
        QVERIFY(!item.trayShown());
        QProcess panel;
        panel.start(QStringLiteral("trayer"), {"--edge", "top"});
        QVERIFY(panel.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(item.trayShown(), 15000);
        // With a tray already there the icon shows at once, with its image.
        StatusItem started(true, BrandAssets::menuBarIcon());
        QVERIFY(started.trayShown());
        QVERIFY(!started.icon().isNull());
        panel.kill();
        panel.waitForFinished();
    }

    void menuIsRebuiltBeforeItOpens()
    {
        StatusItem item(false, BrandAssets::menuBarIcon());
        int rebuilds = 0;
        connect(&item, &StatusItem::menuNeedsUpdate, this, [&](QMenu *menu) {
            ++rebuilds;
            menu->addAction(QStringLiteral("Quit Pelora"));
        });
        item.menu()->popup(QPoint(10, 10));
        QTRY_COMPARE(rebuilds, 1);
        QCOMPARE(item.menu()->actions().size(), 1);
        item.menu()->hide();
    }
};

QTEST_MAIN(StatusItemTest)
#include "test_status_item.moc"
