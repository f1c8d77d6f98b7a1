#include "updates/companion_updater.h"

#include "schedule/preferences.h"

#include "fixture_server.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <memory>

namespace {

using Announcements = QList<std::optional<QString>>;
const QString page = QStringLiteral("https://www.pelora.app/companion/download");

QByteArray feedFor(const QByteArray &version)
{
    return "{\"version\": \"" + version + "\", \"url\": \"" + page.toUtf8() + "\", \"notes\": \"Kata baru.\"}";
}

QMessageBox *openDialog()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
            return box;
    return nullptr;
}

void click(QMessageBox *box, const QString &text)
{
    for (QAbstractButton *candidate : box->buttons())
        if (candidate->text().remove(u'&') == text)
            return candidate->click();
    QFAIL(qPrintable("no button " + text));
}

} // namespace

class CompanionUpdaterTest : public QObject {
    Q_OBJECT
    FixtureServer server;
    FixtureServer::Response answer;
    std::unique_ptr<CompanionUpdater> updater;
    Announcements announcements;
    QList<QUrl> opened;
    QMenu menu;

    QAction *menuItem(int index)
    {
        menu.clear();
        updater->addMenuItems(&menu);
        return menu.actions()[index];
    }
    // Waits until the feed was asked for `count` times and the answer read.
    void waitForFetches(int count)
    {
        QTRY_COMPARE(server.requests().size(), count);
        QTest::qWait(150 + answer.delayMs);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(server.listen());
        server.setHandler([this](const FixtureServer::Request &) { return answer; });
    }

    void init()
    {
        Preferences::standard().remove(CompanionUpdater::automaticChecksKey);
        server.clearRequests();
        answer = FixtureServer::Response::json(200, feedFor("1.0.1"));
        announcements.clear();
        opened.clear();
        updater = std::make_unique<CompanionUpdater>(server.origin().resolved(QUrl("/companion/updates.json")));
        updater->onAvailabilityChange = [this](std::optional<QString> version) { announcements.append(version); };
        updater->openUrl = [this](const QUrl &url) { opened.append(url); };
    }

    void cleanup()
    {
        updater.reset();
        QTRY_VERIFY(!openDialog());
    }

    void theAutomaticSwitch()
    {
        QVERIFY(menuItem(2)->isCheckable() && menuItem(2)->isChecked());
        menuItem(2)->trigger();
        QCOMPARE(Preferences::standard().value(CompanionUpdater::automaticChecksKey), QVariant(false));
        QVERIFY(!menuItem(2)->isChecked());
        updater->start(); // switched off: no check at start
        updater->checkForUpdates(); // so the learner's check is the first request
        waitForFetches(1);
        QCOMPARE(announcements, Announcements{std::nullopt}); // attention only, no version
        menuItem(2)->trigger();
        QVERIFY(menuItem(2)->isChecked());
        Preferences::standard().setValue(CompanionUpdater::automaticChecksKey, QStringLiteral("false"));
        QVERIFY(updater->automaticallyChecksForUpdates()); // not a boolean: on
    }

    // Checks run at start, then once a day; only a newer version (by number:
    // 1.10 after the current 1.0.0) is announced, every time it is found.
    void backgroundChecksAnnounceOnlyANewerVersion()
    {
        const QDateTime started = QDateTime::currentDateTimeUtc();
        answer = FixtureServer::Response::json(500, feedFor("2.0.0"));
        updater->start();
        updater->start(); // once only
        waitForFetches(1);
        updater->checkIfDue(started.addSecs(23 * 60 * 60));
        QTest::qWait(150);
        QCOMPARE(server.requests().size(), 1);
        const QByteArray versions[] = {"1.0", "0.9.12", "1.10", "1.10"};
        for (int day = 1; day <= 4; ++day) {
            answer = FixtureServer::Response::json(200, feedFor(versions[day - 1]));
            updater->checkIfDue(started.addSecs(day * 25 * 60 * 60));
            waitForFetches(day + 1);
            QCOMPARE(menuItem(1)->text(), day < 3 ? QString("Check for Updates…") : QString("Update to 1.10…"));
        }
        QCOMPARE(updater->availableVersion(), QString("1.10"));
        QCOMPARE(announcements, (Announcements{QString("1.10"), QString("1.10")}));
        updater->setAutomaticallyChecksForUpdates(false);
        updater->checkIfDue(started.addDays(10));
        QTest::qWait(150);
        QCOMPARE(server.requests().size(), 5);
    }

    void learnerAttendsToAnAnnouncedUpdate()
    {
        updater->start();
        waitForFetches(1);
        QCOMPARE(updater->availableVersion(), QString("1.0.1"));
        updater->checkForUpdates();
        QMessageBox *dialog = openDialog();
        QVERIFY(dialog);
        waitForFetches(2);
        QCOMPARE(dialog->text(), QString("Pelora Companion 1.0.1 is available."));
        QVERIFY(dialog->informativeText().contains("You have version " PELORA_VERSION "."));
        QCOMPARE(announcements, (Announcements{QString("1.0.1"), std::nullopt})); // attended
        updater->checkForUpdates(); // raises the open dialog, no second check
        QCOMPARE(server.requests().size(), 2);
        click(dialog, "Open Download Page");
        QCOMPARE(opened, QList<QUrl>{QUrl(page)});
        QTRY_VERIFY(!openDialog());
        QCOMPARE(announcements.size(), 3); // the session ended
        QCOMPARE(menuItem(1)->text(), QString("Check for Updates…"));
    }

    void learnerCheckUpToDateFailingOrCancelled_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("shown");
        QTest::newRow("equal") << feedFor(PELORA_VERSION) << "OK" << "You’re up to date.";
        QTest::newRow("older") << feedFor("0.1") << "OK" << "You’re up to date.";
        QTest::newRow("malformed") << QByteArray("{\"version\": \"1.x\"}") << "OK" << "Couldn’t check for updates.";
        QTest::newRow("cancelled") << feedFor("2.0") << "Cancel" << "Checking for updates…";
    }

    void learnerCheckUpToDateFailingOrCancelled()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, button);
        QFETCH(QString, shown);
        answer = FixtureServer::Response::json(200, body);
        answer.delayMs = button == u"Cancel" ? 400 : 0;
        updater->checkForUpdates();
        if (button != u"Cancel")
            waitForFetches(1);
        QMessageBox *dialog = openDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->text(), shown);
        click(dialog, button);
        QTRY_VERIFY(!openDialog());
        waitForFetches(1);
        QVERIFY(!openDialog()); // a late answer opens nothing
        QVERIFY(opened.isEmpty());
        QCOMPARE(announcements, Announcements{std::nullopt});
    }

    void updaterGoneBeforeTheAnswers()
    {
        answer.delayMs = 300;
        updater->start();
        updater->checkForUpdates();
        QTRY_COMPARE(server.requests().size(), 2);
        updater.reset();
        QTest::qWait(500);
        QVERIFY(announcements.isEmpty());
    }
};

QTEST_MAIN(CompanionUpdaterTest)
#include "tst_companion_updater.moc"
