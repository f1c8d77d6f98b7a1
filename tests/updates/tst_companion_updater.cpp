#include "updates/companion_updater.h"
#include "updates/feed_fetcher.h"
#include "updates/update_feed.h"
#include "updates/version_number.h"

#include "schedule/preferences.h"

#include "fixture_server.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>

using Announcements = QList<std::optional<QString>>;
static const QString page = QStringLiteral("https://www.pelora.app/companion/download");

static bool newer(const char *a, const char *b) { return *VersionNumber::parse(a) > *VersionNumber::parse(b); }
static bool same(const char *a, const char *b) { return *VersionNumber::parse(a) == *VersionNumber::parse(b); }

static QByteArray feed(const QByteArray &version, const QByteArray &url, const QByteArray &rest = {})
{
    return "{\"version\": " + version + ", \"url\": " + url + rest + "}";
}

static QByteArray feedFor(const QByteArray &version) { return feed('"' + version + '"', '"' + page.toUtf8() + '"'); }

static std::optional<QByteArray> fetch(const QUrl &url, std::chrono::milliseconds timeout = FeedFetcher::timeout)
{
    return QCoro::waitFor(FeedFetcher::fetch(url, timeout));
}

static QMessageBox *openDialog()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
            return box;
    return nullptr;
}

class CompanionUpdaterTest : public QObject {
    Q_OBJECT
    FixtureServer server;
    FixtureServer::Response answer;
    std::unique_ptr<CompanionUpdater> updater;
    Announcements announcements;

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
        updater = std::make_unique<CompanionUpdater>(server.origin().resolved(QUrl("/companion/updates.json")));
        updater->onAvailabilityChange = [this](std::optional<QString> version) { announcements.append(version); };
        updater->openUrl = [](const QUrl &url) { QFAIL(qPrintable("opened " + url.toString())); };
    }

    void cleanup()
    {
        updater.reset();
        QTRY_VERIFY(!openDialog());
    }

    // At start, then daily; only a newer version (1.10 after 1.0.0) is announced, each time found.
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

    // After a cancelled check or with the updater gone, a late answer opens and announces nothing.
    void lateAnswersAreIgnored()
    {
        answer.delayMs = 400;
        updater->checkForUpdates();
        QMessageBox *dialog = openDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->text(), QString("Checking for updates…"));
        dialog->button(QMessageBox::Cancel)->click();
        waitForFetches(1);
        QVERIFY(!openDialog());
        QCOMPARE(announcements, Announcements{std::nullopt}); // attention only, no version

        announcements.clear();
        updater->start();
        updater->checkForUpdates();
        QTRY_COMPARE(server.requests().size(), 3);
        updater.reset();
        QTest::qWait(600);
        QVERIFY(announcements.isEmpty());
    }

    void versions()
    {
        QVERIFY(newer("1.10", "1.9") && newer("1.10.0", "1.9.9") && newer("2", "1.99.99.99") && newer("1.4.1", "1.4"));
        QVERIFY(same("1.4", "1.4.0") && same("1.4.0.0", "1.4") && same("01.2", "1.2"));
        for (const char *text : {"", "1.", ".1", "1..2", "v1.2", "1.2-beta", "1.2.3.4.5", " 1.2", "1,2", "+1",
                                 "1234567890", "\u0661.\u0662"})
            QVERIFY2(!VersionNumber::parse(QString::fromUtf8(text)), text);
    }

    void feeds()
    {
        const auto full = UpdateFeed::decode(feed("\"1.4.0\"", "\"https://www.pelora.app/c\"", ", \"notes\": \"<b>Baru</b>\""));
        QVERIFY(full);
        QCOMPARE(std::tuple(full->version, full->url, full->notes),
                 std::tuple(QString("1.4.0"), QUrl("https://www.pelora.app/c"), QString("<b>Baru</b>")));
        QVERIFY(UpdateFeed::decode(feed("\"2\"", "\"http://[::1]:3000/d\"", ", \"notes\": null")));

        const QByteArray longNotes = ", \"notes\": \"" + QByteArray(5000, 'a') + "\"";
        QCOMPARE(UpdateFeed::decode(feed("\"2\"", "\"https://x.example/\"", longNotes))->notes.size(), 2000);

        const QByteArray page = "\"https://www.pelora.app/c\"";
        for (const QByteArray &body : {QByteArray("not json"), QByteArray("[]"), QByteArray("{}"),
                                       feed("\"1.4.0\"", page).chopped(1), feed("1.4", page), feed("\"1.4-rc\"", page),
                                       feed("\"1.4.0\"", "42"), feed("\"1.4.0\"", "\"http://www.pelora.app/c\""),
                                       feed("\"1.4.0\"", "\"javascript:alert(1)\""), feed("\"1.4.0\"", "\"https://u:p@x.example/\""),
                                       feed("\"1.4.0\"", "\"http://localhost.evil.example/\""),
                                       feed("\"1.4.0\"", page, ", \"notes\": 5")})
            QVERIFY2(!UpdateFeed::decode(body), body.constData());
    }

    // At most 64 KiB; redirects only within the origin; no cookies; a time-out; plain http only here.
    void fetching()
    {
        FixtureServer elsewhere, server;
        QVERIFY(elsewhere.listen() && server.listen());
        const QByteArray away = elsewhere.origin().toEncoded() + "/feed";
        using Response = FixtureServer::Response;
        QMap<QByteArray, Response> answers{{"/limit", Response::json(200, QByteArray(FeedFetcher::maxBytes, ' '))},
                                           {"/big", Response::json(200, QByteArray(FeedFetcher::maxBytes + 1, ' '))},
                                           {"/missing", Response::json(404, "{}")}, {"/hang", {}},
                                           {"/moved", {302, {{"Location", "/feed"}}, {}}}, {"/away", {302, {{"Location", away}}, {}}}};
        answers["/hang"].hang = true;
        // Far past the cap in one burst, then silence: cut at the cap, not held until the time-out.
        answers["/endless"] = {200, {}, QByteArray(4 * 1024 * 1024, ' '), 0, false, true, true};
        server.setHandler([answers](const FixtureServer::Request &request) {
            return answers.value(request.target, Response::json(200, "{}"));
        });
        const auto at = [&](const char *path) { return server.origin().resolved(QUrl(path)); };
        QCOMPARE(fetch(at("/limit")), QByteArray(FeedFetcher::maxBytes, ' '));
        QCOMPARE(fetch(at("/big")), std::nullopt);
        QCOMPARE(fetch(at("/endless"), std::chrono::hours(1)), std::nullopt);
        QCOMPARE(fetch(at("/missing")), std::nullopt);
        QCOMPARE(fetch(at("/hang"), std::chrono::milliseconds(300)), std::nullopt);
        QCOMPARE(fetch(at("/moved")), QByteArray("{}")); // within the origin
        QCOMPARE(fetch(at("/away")), std::nullopt);       // to another origin: refused
        QCOMPARE(elsewhere.requests().size(), 0);
        QCOMPARE(fetch(QUrl("http://www.pelora.app/u.json")), std::nullopt);
        for (const auto &request : server.requests())
            QVERIFY(request.header("cookie").isEmpty());
    }
};

QTEST_MAIN(CompanionUpdaterTest)
#include "tst_companion_updater.moc"
