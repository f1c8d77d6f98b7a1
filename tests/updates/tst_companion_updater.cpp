#include "updates/companion_updater.h"
#include "updates/feed_fetcher.h"
#include "updates/update_feed.h"
#include "updates/version_number.h"

#include "fixture_server.h"
#include "flood_server.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>

using Response = FixtureServer::Response;

static QMessageBox *openDialog()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
            return box;
    return nullptr;
}

class CompanionUpdaterTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // After a cancelled check or with the updater gone, a late answer opens and announces nothing.
    void lateAnswersAreIgnored()
    {
        FixtureServer server;
        QVERIFY(server.listen());
        server.setHandler([](const FixtureServer::Request &) {
            auto answer = Response::json(200, "{\"version\": \"1.0.1\", \"url\": \"https://x.example/\"}");
            answer.delayMs = 400;
            return answer;
        });
        QList<std::optional<QString>> announcements, attentionOnly{std::nullopt};
        auto updater = std::make_unique<CompanionUpdater>(server.origin().resolved(QUrl("/companion/updates.json")));
        updater->onAvailabilityChange = [&](std::optional<QString> version) { announcements.append(version); };
        updater->openUrl = [](const QUrl &url) { QFAIL(qPrintable("opened " + url.toString())); };
        updater->checkForUpdates();
        QMessageBox *dialog = openDialog();
        QVERIFY(dialog);
        dialog->button(QMessageBox::Cancel)->click();
        QTRY_COMPARE(server.requests().size(), 1);
        QTest::qWait(550);
        QVERIFY(!openDialog());
        QCOMPARE(announcements, attentionOnly); // attention, but no version

        announcements.clear();
        updater->start();
        updater->checkForUpdates();
        QTRY_COMPARE(server.requests().size(), 3);
        updater.reset();
        QTest::qWait(600);
        QVERIFY(announcements.isEmpty() && !openDialog());
    }

    void versions()
    {
        const auto v = [](const char *text) { return *VersionNumber::parse(text); };
        QVERIFY(v("1.10") > v("1.9") && v("1.10.0") > v("1.9.9") && v("2") > v("1.99.99.99") && v("1.4.1") > v("1.4"));
        QVERIFY(v("1.4") == v("1.4.0") && v("1.4.0.0") == v("1.4") && v("01.2") == v("1.2"));
        for (const char *t : {"", "1.", "1..2", "v1.2", "1.2-beta", "1.2.3.4.5", " 1.2", "1234567890", "\u0661.\u0662"})
            QVERIFY2(!VersionNumber::parse(QString::fromUtf8(t)), t);
    }

    void feeds()
    {
        const auto decode = [](const QByteArray &url, const QByteArray &notes = "1") {
            return UpdateFeed::decode("{\"version\":\"1.4.0\",\"url\":\"" + url + "\",\"notes\":\"" + notes + "\"}");
        };
        QCOMPARE(decode("https://www.pelora.app/c", QByteArray(5000, 'a'))->notes.size(), 2000);
        QVERIFY(decode("http://[::1]:3000/d"));
        for (const char *url : {"http://www.pelora.app/c", "javascript:alert(1)", "https://u:p@x.example/",
                                "http://localhost.evil.example/"})
            QVERIFY2(!decode(url), url);
    }

    // At most 64 KiB; redirects only within the origin; no cookies; a time-out; plain http only here.
    void fetching()
    {
        FixtureServer elsewhere, server;
        QVERIFY(elsewhere.listen() && server.listen());
        const QByteArray away = elsewhere.origin().toEncoded() + "/feed";
        const QMap<QByteArray, Response> answers{
            {"/limit", Response::json(200, QByteArray(FeedFetcher::maxBytes, ' '))},
            {"/big", Response::json(200, QByteArray(FeedFetcher::maxBytes + 1, ' '))},
            {"/missing", Response::json(404, "{}")}, {"/hang", {200, {}, {}, 0, true}},
            {"/moved", {302, {{"Location", "/feed"}}, {}}}, {"/away", {302, {{"Location", away}}, {}}},
            // Far past the cap in one burst, then silence: cut at the cap, not held until the time-out.
            {"/endless", {200, {}, QByteArray(4 * 1024 * 1024, ' '), 0, false, true, true}}};
        server.setHandler([answers](const FixtureServer::Request &request) {
            return answers.value(request.target, Response::json(200, "{}"));
        });
        const auto at = [&](const char *path) { return server.origin().resolved(QUrl(path)); };
        const auto fetch = [](const QUrl &url, std::chrono::milliseconds timeout = FeedFetcher::timeout) {
            return QCoro::waitFor(FeedFetcher::fetch(url, timeout));
        };
        QCOMPARE(fetch(at("/limit")), QByteArray(FeedFetcher::maxBytes, ' '));
        QCOMPARE(fetch(at("/endless"), std::chrono::hours(1)), std::nullopt);
        QCOMPARE(fetch(at("/hang"), std::chrono::milliseconds(300)), std::nullopt);
        QCOMPARE(fetch(at("/moved")), QByteArray("{}")); // within the origin
        for (const char *path : {"/big", "/missing", "/away"}) // "/away": to another origin, refused
            QVERIFY2(!fetch(at(path)), path);
        QCOMPARE(elsewhere.requests().size(), 0);
        QCOMPARE(fetch(QUrl("http://www.pelora.app/u.json")), std::nullopt);
        for (const auto &request : server.requests())
            QVERIFY(request.header("cookie").isEmpty());
    }

    void endlessFeeds_data() { FloodServer::addFramingRows(); }

    // A feed that never ends, sent as fast as the socket takes it, is cut off at 64 KiB: no feed, within
    // seconds (the time-out is an hour here), with memory bounded.
    void endlessFeeds()
    {
        QFETCH(FloodServer::Framing, framing);
        FloodServer flood(framing);
        QVERIFY(flood.listen());
        const QUrl feed = flood.origin().resolved(QUrl("/companion/updates.json"));
        const auto [fetched, cost] =
            measureEndlessRead(flood, [&] { return QCoro::waitFor(FeedFetcher::fetch(feed, std::chrono::hours(1))); });
        qInfo().noquote() << cost.summary();
        QCOMPARE(fetched, std::nullopt);
        QVERIFY2(cost.milliseconds < ReadCost::maxMilliseconds, qPrintable(cost.summary()));
        QVERIFY2(cost.peakGrowthBytes.value_or(ReadCost::maxPeakGrowthBytes) < ReadCost::maxPeakGrowthBytes,
                 qPrintable(cost.summary()));
        QVERIFY2(cost.readerHungUp, qPrintable(cost.summary()));
    }
};

QTEST_MAIN(CompanionUpdaterTest)
#include "tst_companion_updater.moc"
