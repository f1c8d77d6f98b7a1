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
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
            return box;
    }
    return nullptr;
}

QAbstractButton *button(QMessageBox *box, const QString &text)
{
    for (QAbstractButton *candidate : box->buttons()) {
        if (candidate->text().remove(u'&') == text)
            return candidate;
    }
    return nullptr;
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

    QList<QAction *> menuItems()
    {
        menu.clear();
        updater->addMenuItems(&menu);
        return menu.actions();
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
        QAction *automatic = menuItems()[2];
        QVERIFY(automatic->isCheckable() && automatic->isChecked());
        automatic->trigger();
        QCOMPARE(Preferences::standard().value(CompanionUpdater::automaticChecksKey), QVariant(false));
        QVERIFY(!menuItems()[2]->isChecked());
        menuItems()[2]->trigger();
        QVERIFY(menuItems()[2]->isChecked());

        Preferences::standard().setValue(CompanionUpdater::automaticChecksKey, QStringLiteral("false"));
        QVERIFY(updater->automaticallyChecksForUpdates()); // not a boolean: on
    }

    void backgroundCheckAnnouncesOnlyANewerVersion_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<std::optional<QString>>("announced");
        const std::optional<QString> none;
        QTest::newRow("newer, 1.10") << 200 << feedFor("1.10") << std::optional<QString>("1.10");
        QTest::newRow("equal") << 200 << feedFor("1.0") << none;
        QTest::newRow("older") << 200 << feedFor("0.9.12") << none;
        QTest::newRow("malformed") << 200 << feedFor("2.0-beta") << none;
        QTest::newRow("server error") << 500 << feedFor("2.0.0") << none;
        QTest::newRow("over 64 KiB") << 200 << feedFor("2.0.0").replace("Kata baru.", QByteArray(70000, 'x')) << none;
    }
    void backgroundCheckAnnouncesOnlyANewerVersion()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(std::optional<QString>, announced);
        answer = FixtureServer::Response::json(status, body);
        updater->start();
        waitForFetches(1);
        QCOMPARE(updater->availableVersion(), announced);
        QCOMPARE(announcements, announced ? Announcements{announced} : Announcements{});
        QCOMPARE(menuItems()[1]->text(), announced ? "Update to " + *announced + "…" : QString("Check for Updates…"));
    }

    void backgroundChecksRunAtStartThenDaily()
    {
        const QDateTime started = QDateTime::currentDateTimeUtc();
        updater->start();
        updater->start(); // once only
        waitForFetches(1);
        updater->checkIfDue(started.addSecs(23 * 60 * 60));
        QTest::qWait(150);
        QCOMPARE(server.requests().size(), 1);
        updater->checkIfDue(started.addSecs(25 * 60 * 60));
        waitForFetches(2);
        // Every assignment is announced, even of the same version.
        QCOMPARE(announcements, (Announcements{QString("1.0.1"), QString("1.0.1")}));

        updater->setAutomaticallyChecksForUpdates(false);
        updater->checkIfDue(started.addDays(5));
        QTest::qWait(150);
        QCOMPARE(server.requests().size(), 2);
    }

    void automaticChecksOffMeansNoCheckAtStart()
    {
        updater->setAutomaticallyChecksForUpdates(false);
        updater->start();
        updater->checkForUpdates(); // so the learner's check is the first request
        waitForFetches(1);
        QCOMPARE(announcements, Announcements{std::nullopt}); // attention only, no version
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

        button(dialog, "Open Download Page")->click();
        QCOMPARE(opened, QList<QUrl>{QUrl(page)});
        QTRY_VERIFY(!openDialog());
        QCOMPARE(announcements.size(), 3); // the session ended
        QCOMPARE(menuItems()[1]->text(), QString("Check for Updates…"));
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
        QCOMPARE(dialog->text(), shown);
        ::button(dialog, button)->click();
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
