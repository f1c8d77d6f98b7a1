#include "fixture_server.h"
#include "flood_server.h"
#include "library/phrase_feed.h"
#include "library/phrase_store.h"
#include "lookup/api/memory_session_cookies.h"

#include <QJsonDocument>
#include <QMetaEnum>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using QCoro::waitFor;
using Response = FixtureServer::Response;

namespace {

const QString syncFailed = u"Couldn’t sync · check connection and try again"_s;

// A null `next` is no cursor at all, unlike an empty one.
QByteArray page(const QString &userID, const QStringList &ids, const QString &next = {})
{
    PhraseFeed feed{1, userID, {}, std::nullopt};
    for (const QString &id : ids)
        feed.phrases.append(Phrase{id, u"selamat pagi"_s, u"good morning"_s, {}, {}, {}, {}, {}});
    if (!next.isNull())
        feed.nextCursor = next;
    return QJsonDocument(feed.toJson()).toJson(QJsonDocument::Compact);
}

std::optional<QString> cursorOf(const FixtureServer::Request &request)
{
    const QUrlQuery query(request.url);
    if (!query.hasQueryItem(u"cursor"_s))
        return std::nullopt;
    return query.queryItemValue(u"cursor"_s, QUrl::FullyDecoded);
}

// The cursor a request sent, "(none)" when it sent none.
QString cursorText(const FixtureServer::Request &request)
{
    return cursorOf(request).value_or(u"(none)"_s);
}

// The store as the menu sees it: "ready | 2 saved phrases · synced | user-1 | 2".
QString summary(const PhraseStore &store)
{
    const char *state = QMetaEnum::fromType<PhraseStore::State>().valueToKey(int(store.state()));
    return QStringList{QString::fromLatin1(state), store.status(), store.userID().value_or(u"no account"_s),
                       QString::number(store.phrases().size())}
        .join(u" | "_s);
}

} // namespace

class PhraseStoreTest : public QObject {
    Q_OBJECT

    FixtureServer server;
    MemorySessionCookies session;

    bool refresh(PhraseStore &s, bool force = false) { return waitFor(s.refresh(server.origin(), &session, force)); }

private Q_SLOTS:
    void initTestCase() { QVERIFY(server.listen()); }

    void init()
    {
        session = MemorySessionCookies();
        session.signIn("token-1"_ba);
    }

    // What a sync's answer leaves for the menu's status line, after an earlier good sync of user-1.
    void answerStatus_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome");
        const QString failed = u"unavailable | "_s + syncFailed + u" | user-1 | 0"_s;
        const QString notDeployed = u"unavailable | Companion API not deployed · check web app address | user-1 | 0"_s;
        QTest::newRow("404") << 404 << "{}"_ba << notDeployed;
        QTest::newRow("500") << 500 << "{}"_ba << failed;
        QTest::newRow("200 not JSON") << 200 << "<html>"_ba << failed;
        QTest::newRow("empty library") << 200 << page(u"user-1"_s, {})
                                       << u"empty | No saved phrases yet · look up a phrase | user-1 | 0"_s;
    }

    void answerStatus()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, outcome);
        PhraseStore store;
        server.setHandler(
            [](const FixtureServer::Request &) { return Response::json(200, page(u"user-1"_s, {u"p1"_s})); });
        QVERIFY(refresh(store));
        server.setHandler([status, body](const FixtureServer::Request &) { return Response::json(status, body); });
        QVERIFY(refresh(store));
        QCOMPARE(summary(store), outcome);
    }

    // The first page is good and points on; the second page gets this answer.
    void secondPage_data()
    {
        QTest::addColumn<int>("status"); // 0: no answer at all
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome");
        const QString failed = u"unavailable | "_s + syncFailed + u" | user-1 | 0"_s;
        const QByteArray two = page(u"user-1"_s, {u"p2"_s, u"p1"_s});
        const QByteArray full = two + QByteArray(2'000'000 - two.size(), ' ');
        QTest::newRow("at the size cap") << 200 << full << u"ready | 2 saved phrases · synced | user-1 | 2"_s;
        QTest::newRow("past the size cap") << 200 << full + ' ' << failed;
        QTest::newRow("401") << 401 << "{}"_ba << u"signedOut | Session expired · sign in again | no account | 0"_s;
        QTest::newRow("302") << 302 << "{}"_ba << failed;
        QTest::newRow("time-out") << 0 << QByteArray() << failed;
        QTest::newRow("another account") << 200 << page(u"user-2"_s, {u"p2"_s}) << failed;
    }

    void secondPage()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, outcome);
        PhraseStore store;
        store.setPageTimeout(300ms);
        server.setHandler(
            [](const FixtureServer::Request &) { return Response::json(200, page(u"user-1"_s, {u"old"_s})); });
        QVERIFY(refresh(store));
        const QString cursor = u"a+b&c=d%41 e/é?%%25"_s; // sent back as is, trips a careless encoder
        server.setHandler([&, status, body](const FixtureServer::Request &request) {
            session.signIn("token-2"_ba); // the session renews its cookie between the pages
            if (!cursorOf(request))
                return Response::json(200, page(u"user-1"_s, {u"p1"_s}, cursor));
            const decltype(Response::headers) headers{{"Content-Type"_ba, "application/json"_ba},
                                                      {"Location"_ba, "?cursor=x"_ba}};
            return Response{status, headers, body, 0, status == 0};
        });
        server.clearRequests();
        QVERIFY(refresh(store));
        const auto &requests = server.requests();
        QCOMPARE(requests.size(), 2); // a redirect is not followed
        QCOMPARE(cursorText(requests[0]), u"(none)"_s);
        QCOMPARE(cursorText(requests[1]), cursor);
        QCOMPARE(requests[1].header("cookie"_ba), "auth.session-token=token-2"_ba);
        QCOMPARE(summary(store), outcome);
        if (status != 200 || body.size() > 2'000'000)
            QCOMPARE(session.accepted.size(), 2); // only the first two pages: never a refused one
    }

    // At most 100 pages, and never a cursor seen before in the same sync.
    void pageCountAndCursorLoops_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("requests");
        QTest::addColumn<QString>("status");
        QTest::newRow("cursor A, then B, then A again") << u"repeat"_s << 3 << syncFailed;
        QTest::newRow("a fresh cursor on every page") << u"fresh"_s << 100 << syncFailed;
        QTest::newRow("exactly 100 pages") << u"hundred"_s << 100 << u"100 saved phrases · synced"_s;
        QTest::newRow("an empty cursor twice: a cursor, not the end") << u"empty"_s << 2 << syncFailed;
    }

    void pageCountAndCursorLoops()
    {
        QFETCH(QString, kind);
        QFETCH(int, requests);
        QFETCH(QString, status);
        server.setHandler([kind](const FixtureServer::Request &request) {
            const std::optional<QString> cursor = cursorOf(request);
            const int number = cursor.value_or(u"1"_s).toInt();
            QString next;
            if (kind == u"repeat")
                next = cursor ? u"B"_s : u"A"_s;
            else if (kind == u"fresh")
                next = QUuid::createUuid().toString();
            else if (kind == u"empty")
                next = u""_s;
            else if (number < 100) // "hundred": cursors 2…100, then none
                next = QString::number(number + 1);
            return Response::json(200, page(u"u"_s, {QUuid::createUuid().toString()}, next));
        });
        server.clearRequests();
        PhraseStore store;
        QVERIFY(refresh(store));
        QCOMPARE(server.requests().size(), requests);
        QCOMPARE(store.status(), status);
    }

    void staleAnswersWriteNothing_data()
    {
        QTest::addColumn<bool>("clear");
        QTest::addColumn<QString>("after");
        QTest::newRow("forced refresh") << false << u"ready | 1 saved phrases · synced | fast-user | 1"_s;
        QTest::newRow("clear") << true << u"signedOut | Sign in to use your saved phrases | no account | 0"_s;
    }

    // A forced refresh or clear() overtakes a running refresh, whose late answer writes nothing.
    void staleAnswersWriteNothing()
    {
        QFETCH(bool, clear);
        QFETCH(QString, after);
        server.setHandler([](const FixtureServer::Request &request) {
            const QByteArray who = request.header("cookie"_ba).split('=').last();
            const QStringList ids = who == "old" ? QStringList{u"p1"_s, u"p2"_s} : QStringList{u"p1"_s};
            Response answer = Response::json(200, page(QString::fromLatin1(who) + u"-user"_s, ids));
            answer.delayMs = who == "slow" ? 300 : 0;
            return answer;
        });
        PhraseStore store;
        server.clearRequests();
        session.signIn("old"_ba);
        QVERIFY(refresh(store));
        session.signIn("slow"_ba);
        auto first = store.refresh(server.origin(), &session, false);
        QTRY_COMPARE(server.requests().size(), 2);
        QCOMPARE(summary(store), u"loading | Syncing your phrasebook… | old-user | 2"_s);
        QCOMPARE(waitFor(store.refresh(server.origin(), &session, false)), false); // without force: nothing

        session.signIn("fast"_ba);
        QSignalSpy changes(&store, &PhraseStore::changed);
        if (clear)
            store.clear();
        else
            QVERIFY(refresh(store, true));
        QCOMPARE(summary(store), after);
        QCOMPARE(waitFor(first), false);
        QTest::qWait(400); // past the slow answer's delay
        QCOMPARE(summary(store), after);
        QCOMPARE(changes.size(), clear ? 1 : 2); // (loading, then) the outcome: nothing from the first
        QCOMPARE(store.refreshing(), false);
    }

    void endlessPage_data() { FloodServer::addFramingRows(); }

    // A page that never ends, sent as fast as the socket takes it, fails the sync at the size cap: within
    // seconds, with memory bounded, and its cookies never reach the session.
    void endlessPage()
    {
        QFETCH(FloodServer::Framing, framing);
        FloodServer flood(framing);
        QVERIFY(flood.listen());
        PhraseStore store;
        const auto [applied, cost] =
            measureEndlessRead(flood, [&] { return waitFor(store.refresh(flood.origin(), &session, false)); });
        qInfo().noquote() << cost.summary();
        QVERIFY(applied);
        QCOMPARE(summary(store), u"unavailable | "_s + syncFailed + u" | no account | 0"_s);
        QCOMPARE(session.accepted.size(), 0);
        PELORA_VERIFY_BOUNDED_READ(cost);
    }
};

QTEST_GUILESS_MAIN(PhraseStoreTest)
#include "tst_phrase_store.moc"
