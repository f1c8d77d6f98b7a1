// The updater: a late answer announces nothing, versions order as numbers,
// a feed names only a safe page with bounded notes, and the fetch keeps to
// its cap, its origin and its time-out, also against a server that floods.
#include "schedule/preferences.h"
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

using namespace Qt::StringLiterals;
using Response = FixtureServer::Response;

// A feed for release 1.4.0 at `url`.
static QByteArray feedJson(const QByteArray &url, const QByteArray &notes)
{
    return R"({"version":"1.4.0","url":")"_ba + url + R"(","notes":")"_ba + notes + R"("})"_ba;
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

private Q_SLOTS:
    // After a cancelled check or with the updater gone, a late answer opens no dialog and announces nothing.
    void lateAnswersAreIgnored()
    {
        FixtureServer server;
        QVERIFY(server.listen());
        server.setHandler([](const FixtureServer::Request &) {
            auto answer = Response::json(200, "{\"version\": \"1.0.1\", \"url\": \"https://x.example/\"}");
            answer.delayMs = 400;
            return answer;
        });
        QList<std::optional<QString>> announcements;
        auto updater = std::make_unique<CompanionUpdater>(Preferences::standard(),
                                                          server.origin().resolved(QUrl(u"/companion/updates.json"_s)));
        connect(updater.get(), &CompanionUpdater::availabilityChanged, this,
                [&](const std::optional<QString> &version) { announcements.append(version); });
        updater->checkForUpdates();
        QMessageBox *dialog = openDialog();
        QVERIFY(dialog);
        dialog->button(QMessageBox::Cancel)->click();
        QTRY_COMPARE(server.requests().size(), 1);
        QTest::qWait(550);
        QCOMPARE(openDialog(), nullptr);
        QCOMPARE(announcements, QList<std::optional<QString>>{std::nullopt}); // attention, but no version

        announcements.clear();
        updater->start();
        updater->checkForUpdates();
        QTRY_COMPARE(server.requests().size(), 3);
        updater.reset();
        QTest::qWait(600);
        QCOMPARE(announcements.size(), 0);
        QCOMPARE(openDialog(), nullptr);
    }

    // Parts compare as numbers (1.10 comes after 1.9) and missing parts count
    // as zero; an empty part, one of anything but digits or one so long that
    // it would wrap is refused.
    void versionOrder_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("order"); // against 1.9, or "refused"
        QTest::newRow("1.10 after 1.9") << u"1.10"_s << u"after"_s;
        QTest::newRow("1.9.0 is 1.9") << u"1.9.0"_s << u"same"_s;
        QTest::newRow("empty part") << u"1..9"_s << u"refused"_s;
        QTest::newRow("pre-release suffix") << u"1.9-beta"_s << u"refused"_s;
        QTest::newRow("wraps 32 bits to 1") << u"4294967297"_s << u"refused"_s;
    }

    void versionOrder()
    {
        QFETCH(QString, text);
        QFETCH(QString, order);
        const std::optional<VersionNumber> version = VersionNumber::parse(text);
        QCOMPARE(version.has_value(), order != u"refused");
        if (!version)
            return;
        const std::strong_ordering compared = *version <=> *VersionNumber::parse(u"1.9"_s);
        QCOMPARE(compared < 0 ? u"before"_s : compared > 0 ? u"after"_s : u"same"_s, order);
    }

    // The release page: https anywhere, http only on this computer, never
    // with a password. Notes longer than 2000 characters are cut with "…",
    // never through an emoji.
    void feedDecode_data()
    {
        QTest::addColumn<QByteArray>("url");
        QTest::addColumn<QByteArray>("notes");
        QTest::addColumn<QString>("kept"); // the notes of the feed; null: no feed
        const QByteArray https = "https://www.pelora.app/c"_ba;
        QTest::newRow("https") << https << "kata"_ba << u"kata"_s;
        QTest::newRow("http on the IPv6 loopback") << "http://[::1]:3000/d"_ba
                                                   << "kata"_ba << u"kata"_s;
        QTest::newRow("user and password") << "https://u:p@x.example/"_ba
                                           << "kata"_ba << QString();
        QTest::newRow("http, loopback-looking name") << "http://localhost.evil.example/"_ba
                                                     << "kata"_ba << QString();
        QTest::newRow("2000 letters, kept whole") << https << QByteArray(2000, 'a') << QString(2000, u'a');
        QTest::newRow("emoji across the cut")
            << https << QByteArray(1998, 'a') + "😀😀😀"_ba << QString(1998, u'a') + u"…"_s;
    }

    void feedDecode()
    {
        QFETCH(QByteArray, url);
        QFETCH(QByteArray, notes);
        QFETCH(QString, kept);
        const auto feed = UpdateFeed::decode(feedJson(url, notes));
        QCOMPARE(feed.has_value(), !kept.isNull());
        if (!feed)
            return;
        QCOMPARE(feed->notes.size(), kept.size());
        QCOMPARE(feed->notes, kept);
    }

    // No more than 64 KiB, redirects only within the origin, a time-out, and
    // no cookies on any hop.
    void fetching_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<QByteArray>("fetched"); // "(none)": nothing fetched
        const int standard = int(FeedFetcher::timeout.count());
        QTest::newRow("past the size cap") << "/big"_ba << standard << "(none)"_ba;
        QTest::newRow("no answer") << "/hang"_ba << 300 << "(none)"_ba;
        QTest::newRow("redirect within the origin") << "/moved"_ba << standard << "{}"_ba;
        QTest::newRow("redirect to another origin") << "/away"_ba << standard << "(none)"_ba;
    }

    void fetching()
    {
        QFETCH(QByteArray, path);
        QFETCH(int, timeoutMs);
        QFETCH(QByteArray, fetched);
        FixtureServer elsewhere;
        FixtureServer server;
        QVERIFY(elsewhere.listen());
        QVERIFY(server.listen());
        const QMap<QByteArray, Response> answers{
            {"/big"_ba, Response::json(200, QByteArray(FeedFetcher::maxBytes + 1, ' '))},
            {"/hang"_ba, {200, {}, {}, 0, true}},
            {"/moved"_ba, {302, {{"Location"_ba, "/feed"_ba}}, {}}},
            {"/away"_ba, {302, {{"Location"_ba, elsewhere.origin().toEncoded() + "/feed"_ba}}, {}}},
        };
        server.setHandler([answers](const FixtureServer::Request &request) {
            return answers.value(request.target, Response::json(200, "{}"_ba));
        });
        const QUrl url = server.origin().resolved(QUrl(QString::fromLatin1(path)));
        const auto result = QCoro::waitFor(FeedFetcher::fetch(url, std::chrono::milliseconds(timeoutMs)));
        QCOMPARE(result.value_or("(none)"_ba), fetched);
        QCOMPARE(elsewhere.requests().size(), 0);
        for (const FixtureServer::Request &request : server.requests())
            QCOMPARE(request.header("cookie"_ba), QByteArray());
    }

    void endlessFeeds_data() { FloodServer::addFramingRows(); }

    // A feed that never ends, sent as fast as the socket takes it, is cut off at 64 KiB: no feed, within
    // seconds (the time-out is an hour here), with memory bounded.
    void endlessFeeds()
    {
        QFETCH(FloodServer::Framing, framing);
        FloodServer flood(framing);
        QVERIFY(flood.listen());
        const QUrl feed = flood.origin().resolved(QUrl(u"/companion/updates.json"_s));
        const auto [fetched, cost] =
            measureEndlessRead(flood, [&] { return QCoro::waitFor(FeedFetcher::fetch(feed, std::chrono::hours(1))); });
        qInfo().noquote() << cost.summary();
        QCOMPARE(fetched, std::nullopt);
        PELORA_VERIFY_BOUNDED_READ(cost);
    }
};

QTEST_MAIN(CompanionUpdaterTest)
#include "tst_companion_updater.moc"
