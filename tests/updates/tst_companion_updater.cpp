#include "updates/companion_updater.h"

#include "schedule/preferences.h"

#include "fixture_server.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <memory>

using Announcements = QList<std::optional<QString>>;
static const QString page = QStringLiteral("https://www.pelora.app/companion/download");

static QByteArray feedFor(const QByteArray &version)
{
    return "{\"version\": \"" + version + "\", \"url\": \"" + page.toUtf8() + "\"}";
}

static QMessageBox *openDialog()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
            return box;
    return nullptr;
}

static void click(QMessageBox *box, const QString &text)
{
    for (QAbstractButton *button : box->buttons())
        if (button->text().remove(u'&') == text)
            return button->click();
    QFAIL(qPrintable("no button " + text));
}

class CompanionUpdaterTest : public QObject {
    Q_OBJECT
    FixtureServer server;
    FixtureServer::Response answer;
    std::unique_ptr<CompanionUpdater> updater;
    Announcements announcements;
    QList<QUrl> opened;

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
        QCOMPARE(announcements, (Announcements{QString("1.0.1"), std::nullopt})); // attended
        updater->checkForUpdates(); // raises the open dialog, no second check
        QCOMPARE(server.requests().size(), 2);
        click(dialog, "Open Download Page");
        QCOMPARE(opened, QList<QUrl>{QUrl(page)});
        QTRY_VERIFY(!openDialog());
        QCOMPARE(announcements.size(), 3); // the session ended
        QMenu menu;
        updater->addMenuItems(&menu);
        QCOMPARE(menu.actions()[1]->text(), QString("Check for Updates…"));
    }

    // A cancelled check, or an updater gone before the answers: a late answer
    // opens and announces nothing.
    void lateAnswersAreIgnored()
    {
        answer.delayMs = 400;
        updater->checkForUpdates();
        QMessageBox *dialog = openDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->text(), QString("Checking for updates…"));
        click(dialog, "Cancel");
        QTRY_VERIFY(!openDialog());
        waitForFetches(1);
        QVERIFY(!openDialog() && opened.isEmpty());
        QCOMPARE(announcements, Announcements{std::nullopt});

        announcements.clear();
        updater->start();
        updater->checkForUpdates();
        QTRY_COMPARE(server.requests().size(), 3);
        updater.reset();
        QTest::qWait(600);
        QVERIFY(announcements.isEmpty());
    }
};

QTEST_MAIN(CompanionUpdaterTest)
#include "tst_companion_updater.moc"
