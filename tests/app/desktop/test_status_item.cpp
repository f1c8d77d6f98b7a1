// The tray item: it appears once a tray exists, also when the panel starts
// after the companion, and always with its image.
#include "app/status_item.h"
#include "card/brand_assets.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSystemTrayIcon>
#include <QTest>

using namespace Qt::StringLiterals;

class StatusItemTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void trayIconAppearsWhenThePanelStartsLater()
    {
        QTest::failOnWarning(QRegularExpression(u"No Icon set"_s));
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        StatusItem item(true, BrandAssets::menuBarIcon());
        QVERIFY(!item.trayShown());
        QProcess panel;
        panel.start(u"trayer"_s, {u"--edge"_s, u"top"_s});
        QVERIFY(panel.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(item.trayShown(), 15000);
        // With a tray already there the icon shows at once, with its image.
        StatusItem started(true, BrandAssets::menuBarIcon());
        QVERIFY(started.trayShown());
        QVERIFY(!started.icon().isNull());
        panel.kill();
        panel.waitForFinished();
    }
};

QTEST_MAIN(StatusItemTest)
#include "test_status_item.moc"
