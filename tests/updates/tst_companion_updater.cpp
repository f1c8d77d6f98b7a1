#include "updates/companion_updater.h"

#include "schedule/preferences.h"

#include "fixture_server.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <memory>

namespace {

const QByteArray feedPath = "/companion/updates.json";
const QString page = QStringLiteral("https://www.pelora.app/companion/download");

QByteArray feedFor(const QByteArray &version)
{
    return "{\"version\": \"" + version + "\", \"url\": \"" + page.toUtf8() + "\", \"notes\": \"Kata baru.\"}";
}

// The open update dialog, if any.
QMessageBox *updateDialog()
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

QStringList menuTexts(CompanionUpdater &updater, QList<QAction *> *actions = nullptr)
{
    static QMenu menu;
    menu.clear();
    updater.addMenuItems(&menu);
    QStringList texts;
    for (QAction *action : menu.actions())
        texts << action->text();
    if (actions)
        *actions = menu.actions();
    return texts;
}

} // namespace

class CompanionUpdaterTest : public QObject {
    Q_OBJECT
private:
    FixtureServer server;
    QByteArray feedBody;
    int feedStatus = 200;
    int feedDelayMs = 0;
    std::unique_ptr<CompanionUpdater> updater;
    QList<std::optional<QString>> announcements;
    QList<QUrl> opened;

    QUrl feedUrl() const { return server.origin().resolved(QUrl(QString::fromLatin1(feedPath))); }

    // Waits until the feed was asked for `count` times in all and the answer
    // has had time to be read.
    void waitForFetches(int count)
    {
        QTRY_COMPARE(server.requests().size(), count);
        QTest::qWait(150 + feedDelayMs);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(server.listen());
        server.setHandler([this](const FixtureServer::Request &request) {
            FixtureServer::Response response = FixtureServer::Response::json(feedStatus, feedBody);
            response.delayMs = feedDelayMs;
            if (request.target != feedPath)
                response = FixtureServer::Response::json(404, "{}");
            return response;
        });
    }

    void init()
    {
        Preferences::standard().remove(CompanionUpdater::automaticChecksKey);
        server.clearRequests();
        feedBody = feedFor("1.0.1");
        feedStatus = 200;
        feedDelayMs = 0;
        announcements.clear();
        opened.clear();
        updater = std::make_unique<CompanionUpdater>(feedUrl());
        updater->onAvailabilityChange = [this](std::optional<QString> version) { announcements.append(version); };
        updater->openUrl = [this](const QUrl &url) { opened.append(url); };
    }

    void cleanup()
    {
        updater.reset();
        QTRY_VERIFY(!updateDialog());
    }

    void menuItems()
    {
        QList<QAction *> actions;
        QCOMPARE(menuTexts(*updater, &actions),
                 QStringList({"Pelora Companion " PELORA_VERSION, "Check for Updates…", "Automatically check for updates"}));
        QVERIFY(!actions[0]->isEnabled());
        QVERIFY(actions[1]->isEnabled());
        QVERIFY(actions[2]->isCheckable());
        QVERIFY(actions[2]->isChecked()); // on unless the learner turned it off

        // Choosing the switch turns checks off; the next menu shows it.
        actions[2]->trigger();
        QVERIFY(!updater->automaticallyChecksForUpdates());
        QCOMPARE(Preferences::standard().value(CompanionUpdater::automaticChecksKey), QVariant(false));
        menuTexts(*updater, &actions);
        QVERIFY(!actions[2]->isChecked());
        actions[2]->trigger();
        QVERIFY(updater->automaticallyChecksForUpdates());
        menuTexts(*updater, &actions);
        QVERIFY(actions[2]->isChecked());

        // A stored value that is not a boolean counts as on.
        Preferences::standard().setValue(CompanionUpdater::automaticChecksKey, QStringLiteral("false"));
        QVERIFY(updater->automaticallyChecksForUpdates());
        updater->toggleAutomaticChecks();
        QCOMPARE(Preferences::standard().value(CompanionUpdater::automaticChecksKey), QVariant(false));
    }

    void backgroundCheckAnnouncesOnlyANewerVersion_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<std::optional<QString>>("announced");
        const std::optional<QString> none;
        QTest::newRow("newer patch") << 200 << feedFor("1.0.1") << std::optional<QString>("1.0.1");
        QTest::newRow("newer, fourth part") << 200 << feedFor("1.0.0.1") << std::optional<QString>("1.0.0.1");
        QTest::newRow("newer minor, two digits") << 200 << feedFor("1.10") << std::optional<QString>("1.10");
        QTest::newRow("equal") << 200 << feedFor("1.0.0") << none;
        QTest::newRow("equal, shorter") << 200 << feedFor("1.0") << none;
        QTest::newRow("older") << 200 << feedFor("0.9.12") << none;
        QTest::newRow("malformed version") << 200 << feedFor("2.0-beta") << none;
        QTest::newRow("not json") << 200 << QByteArray("<html>2.0.0</html>") << none;
        QTest::newRow("server error") << 500 << feedFor("2.0.0") << none;
        QTest::newRow("over 64 KiB") << 200
                                     << "{\"version\": \"2.0.0\", \"url\": \"" + page.toUtf8() + "\", \"notes\": \"" +
                                            QByteArray(70 * 1024, 'x') + "\"}"
                                     << none;
    }
    void backgroundCheckAnnouncesOnlyANewerVersion()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(std::optional<QString>, announced);
        feedStatus = status;
        feedBody = body;
        updater->start();
        waitForFetches(1);
        QCOMPARE(updater->availableVersion(), announced);
        if (announced) {
            QCOMPARE(announcements, QList<std::optional<QString>>{announced});
            QCOMPARE(menuTexts(*updater).at(1), "Update to " + *announced + "…");
        } else {
            QVERIFY(announcements.isEmpty());
            QCOMPARE(menuTexts(*updater).at(1), QString("Check for Updates…"));
        }
        // The feed is fetched without cookies.
        QVERIFY(server.requests().at(0).header("cookie").isEmpty());
    }

    void automaticChecksOffMeansNoBackgroundCheck()
    {
        updater->setAutomaticallyChecksForUpdates(false);
        updater->start();
        updater->checkIfDue(QDateTime::currentDateTimeUtc().addDays(3));
        // A check of the learner's own is the first request the feed sees.
        updater->checkForUpdates();
        waitForFetches(1);
        QVERIFY(updateDialog());
        // Only the learner's attention to the dialog is announced, no version.
        QCOMPARE(announcements, QList<std::optional<QString>>{std::nullopt});
    }

    void backgroundChecksRunOnceADay()
    {
        const QDateTime started = QDateTime::currentDateTimeUtc();
        updater->start();
        updater->start(); // a second start does not check again
        waitForFetches(1);
        updater->checkIfDue(started.addSecs(60 * 60));
        updater->checkIfDue(started.addSecs(23 * 60 * 60));
        QTest::qWait(200);
        QCOMPARE(server.requests().size(), 1);
        updater->checkIfDue(started.addSecs(25 * 60 * 60));
        waitForFetches(2);
        // Every assignment is announced, even of the same version.
        QCOMPARE(announcements, (QList<std::optional<QString>>{QString("1.0.1"), QString("1.0.1")}));
    }

    void userCheckWithANewerVersionOpensItsPage()
    {
        updater->start();
        waitForFetches(1);
        QCOMPARE(updater->availableVersion(), QString("1.0.1"));

        updater->checkForUpdates();
        QMessageBox *dialog = updateDialog();
        QVERIFY(dialog);
        waitForFetches(2);
        QCOMPARE(dialog->text(), QString("Pelora Companion 1.0.1 is available."));
        QVERIFY(dialog->informativeText().contains("You have version " PELORA_VERSION "."));
        QVERIFY(dialog->informativeText().contains("Kata baru."));
        // Looking at the update counts as attending to the announcement.
        QCOMPARE(updater->availableVersion(), std::nullopt);
        QCOMPARE(announcements.size(), 2);
        QCOMPARE(announcements.last(), std::nullopt);

        updater->checkForUpdates(); // the open dialog is raised, not doubled
        QCOMPARE(server.requests().size(), 2);

        QAbstractButton *openPage = button(dialog, "Open Download Page");
        QVERIFY(openPage);
        openPage->click();
        QCOMPARE(opened, QList<QUrl>{QUrl(page)});
        QTRY_VERIFY(!updateDialog());
        // Closing the dialog ends the update session.
        QCOMPARE(announcements.size(), 3);
        QCOMPARE(announcements.last(), std::nullopt);
        QCOMPARE(menuTexts(*updater).at(1), QString("Check for Updates…"));
    }

    void userCheckUpToDateOrFailing_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text");
        QTest::newRow("equal") << 200 << feedFor(PELORA_VERSION) << QString("You’re up to date.");
        QTest::newRow("older") << 200 << feedFor("0.1") << QString("You’re up to date.");
        QTest::newRow("malformed") << 200 << QByteArray("{\"version\": \"1.x\"}") << QString("Couldn’t check for updates.");
        QTest::newRow("not found") << 404 << feedFor("2.0") << QString("Couldn’t check for updates.");
    }
    void userCheckUpToDateOrFailing()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        feedStatus = status;
        feedBody = body;
        updater->checkForUpdates();
        waitForFetches(1);
        QMessageBox *dialog = updateDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->text(), text);
        QVERIFY(!button(dialog, "Open Download Page"));
        dialog->defaultButton()->click();
        QTRY_VERIFY(!updateDialog());
        QVERIFY(opened.isEmpty());
        QCOMPARE(announcements, QList<std::optional<QString>>{std::nullopt});
    }

    void cancelledCheckStaysCancelled()
    {
        feedDelayMs = 400;
        updater->checkForUpdates();
        QMessageBox *dialog = updateDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->text(), QString("Checking for updates…"));
        button(dialog, "Cancel")->click();
        QTRY_VERIFY(!updateDialog());
        waitForFetches(1);
        QVERIFY(!updateDialog()); // the late answer opens nothing
        QCOMPARE(announcements, QList<std::optional<QString>>{std::nullopt});
    }

    void updaterGoneBeforeTheAnswer()
    {
        feedDelayMs = 300;
        updater->start();
        updater->checkForUpdates();
        QTRY_COMPARE(server.requests().size(), 2);
        updater.reset(); // the answers arrive for nobody
        QTest::qWait(500);
        QCOMPARE(announcements, QList<std::optional<QString>>{});
    }
};

QTEST_MAIN(CompanionUpdaterTest)
#include "tst_companion_updater.moc"
