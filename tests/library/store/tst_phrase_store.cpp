#include "account/session_cookies.h"
#include "fixture_server.h"
#include "flood_server.h"
#include "library/phrase_feed.h"
#include "library/phrase_store.h"

#include <QJsonDocument>
#include <QMetaEnum>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

using namespace std::chrono_literals;
using QCoro::waitFor;
using Response = FixtureServer::Response;

namespace {

const QString syncFailed = QStringLiteral("Couldn’t sync · check connection and try again");

class MemorySession : public SessionCookies {
public:
    QList<QNetworkCookie> jar;
    QList<QList<QNetworkReply::RawHeaderPair>> accepted;

    void signIn(const QByteArray &value) { jar = {QNetworkCookie("auth.session-token", value)}; }
    // A copy: QCoro moves from an lvalue handed to co_return.
    QCoro::Task<QList<QNetworkCookie>> cookies(QUrl) override { co_return QList<QNetworkCookie>(jar); }
    QCoro::Task<void> acceptCookies(QList<QNetworkReply::RawHeaderPair> headers, QUrl) override
    {
        accepted.append(headers);
        co_return;
    }
};

// A null `next` is no cursor at all, unlike an empty one.
QByteArray page(const QString &userId, const QStringList &ids, const QString &next = {})
{
    PhraseFeed feed{1, userId, {}, std::nullopt};
    for (const QString &id : ids)
        feed.phrases.append(Phrase{id, "selamat pagi", "good morning", {}, {}, {}, {}, {}});
    if (!next.isNull())
        feed.nextCursor = next;
    return QJsonDocument(feed.toJson()).toJson(QJsonDocument::Compact);
}

std::optional<QString> cursorOf(const FixtureServer::Request &request)
{
    const QUrlQuery query(request.url);
    if (!query.hasQueryItem("cursor"))
        return std::nullopt;
    return query.queryItemValue("cursor", QUrl::FullyDecoded);
}

QString summary(const PhraseStore &store)
{
    return QStringList{QMetaEnum::fromType<PhraseStore::State>().valueToKey(int(store.state())), store.status(),
                       store.userID().value_or("no account"), QString::number(store.phrases().size())}
        .join(" | ");
}

} // namespace

class PhraseStoreTest : public QObject {
    Q_OBJECT

    FixtureServer server;
    MemorySession session;

    bool refresh(PhraseStore &s, bool force = false) { return waitFor(s.refresh(server.origin(), &session, force)); }

private Q_SLOTS:
    void initTestCase() { QVERIFY(server.listen()); }

    void init() { session = MemorySession(), session.signIn("token-1"); }

    // What a sync's answer leaves for the menu's status line, after an earlier good sync of user-1.
    void answerStatus_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("404") << 404 << QByteArray("{}")
                             << "unavailable | Companion API not deployed · check web app address | user-1 | 0";
        QTest::newRow("500") << 500 << QByteArray("{}") << "unavailable | " + syncFailed + " | user-1 | 0";
        QTest::newRow("403") << 403 << QByteArray("{}") << "unavailable | " + syncFailed + " | user-1 | 0";
        QTest::newRow("empty library") << 200 << page("user-1", {}) << "empty | No saved phrases yet · look up a phrase | user-1 | 0";
        QTest::newRow("another account, empty") << 200 << page("user-2", {})
                                                << "empty | No saved phrases yet · look up a phrase | user-2 | 0";
    }

    void answerStatus()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, outcome);
        PhraseStore store;
        server.setHandler([](const FixtureServer::Request &) { return Response::json(200, page("user-1", {"p1"})); });
        QVERIFY(refresh(store));
        server.setHandler([status, body](const FixtureServer::Request &) { return Response::json(status, body); });
        QVERIFY(refresh(store));
        QCOMPARE(summary(store), outcome);
    }

    void secondPage_data()
    {
        QTest::addColumn<int>("status"); // 0: no answer at all
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome");
        const QString failed = "unavailable | " + syncFailed + " | user-1 | 0";
        const QByteArray two = page("user-1", {"p2", "p1"}), full = two + QByteArray(2'000'000 - two.size(), ' ');
        QTest::newRow("at the size cap") << 200 << full << "ready | 2 saved phrases · synced | user-1 | 2";
        QTest::newRow("past the size cap") << 200 << full + ' ' << failed;
        QTest::newRow("401") << 401 << QByteArray("{}") << "signedOut | Session expired · sign in again | no account | 0";
        QTest::newRow("302") << 302 << QByteArray("{}") << failed;
        QTest::newRow("time-out") << 0 << QByteArray() << failed;
        QTest::newRow("another account") << 200 << page("user-2", {"p2"}) << failed;
    }

    void secondPage()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, outcome);
        PhraseStore store;
        store.setPageTimeout(300ms);
        server.setHandler([](const FixtureServer::Request &) { return Response::json(200, page("user-1", {"old"})); });
        QVERIFY(refresh(store));
        const QString cursor = QStringLiteral("a+b&c=d%41 e/é?%%25"); // sent back as is, trips a careless encoder
        server.setHandler([&, status, body](const FixtureServer::Request &request) {
            session.signIn("token-2");
            if (!cursorOf(request))
                return Response::json(200, page("user-1", {"p1"}, cursor));
            const decltype(Response::headers) headers{{"Content-Type", "application/json"}, {"Location", "?cursor=x"}};
            return Response{status, headers, body, 0, status == 0};
        });
        server.clearRequests();
        QVERIFY(refresh(store));
        const auto &requests = server.requests();
        QCOMPARE(requests.size(), 2); // a redirect is not followed
        QVERIFY(!cursorOf(requests[0]) && cursorOf(requests[1]) == cursor);
        QCOMPARE(requests[1].header("cookie"), QByteArray("auth.session-token=token-2"));
        QCOMPARE(summary(store), outcome);
        if (status != 200 || body.size() > 2'000'000)
            QCOMPARE(session.accepted.size(), 2); // only the first two pages: never a refused one
    }

    // At most 100 pages, and never a cursor seen before in the same sync.
    void pageCountAndCursorLoops()
    {
        const struct { QString kind; int requests; QString status; } cases[] = {
            {"repeat", 3, syncFailed}, {"empty", 2, syncFailed}, {"fresh", 100, syncFailed},
            {"hundred", 100, QStringLiteral("100 saved phrases · synced")}};
        for (const auto &[kind, requests, status] : cases) {
            server.setHandler([kind](const FixtureServer::Request &request) {
                const std::optional<QString> cursor = cursorOf(request);
                const int number = cursor.value_or("1").toInt();
                const QString next = kind == "repeat"  ? QString(cursor ? "B" : "A")
                                   : kind == "fresh"   ? QUuid::createUuid().toString()
                                   : kind == "hundred" ? (number < 100 ? QString::number(number + 1) : QString())
                                                       : QStringLiteral(""); // "empty"
                return Response::json(200, page("u", {QUuid::createUuid().toString()}, next));
            });
            server.clearRequests();
            PhraseStore store;
            QVERIFY(refresh(store));
            QVERIFY2(server.requests().size() == requests, qPrintable(kind));
            QCOMPARE(store.status(), status);
            if (kind == "empty")
                QCOMPARE(cursorOf(server.requests()[1]), QString());
        }
    }

    // A forced refresh or clear() overtakes a running refresh, whose late answer writes nothing.
    void staleAnswersWriteNothing()
    {
        server.setHandler([](const FixtureServer::Request &request) {
            const QByteArray who = request.header("cookie").split('=').last();
            const QStringList ids = who == "old" ? QStringList{"p1", "p2"} : QStringList{"p1"};
            Response answer = Response::json(200, page(who + "-user", ids));
            answer.delayMs = who == "slow" ? 300 : 0;
            return answer;
        });
        for (const bool clear : {false, true}) {
            PhraseStore store;
            server.clearRequests();
            session.signIn("old");
            QVERIFY(refresh(store));
            session.signIn("slow");
            auto first = store.refresh(server.origin(), &session, false);
            QTRY_COMPARE(server.requests().size(), 2);
            QCOMPARE(summary(store), "loading | Syncing your phrasebook… | old-user | 2");
            QVERIFY(!waitFor(store.refresh(server.origin(), &session, false))); // without force: nothing
            session.signIn("fast");
            QSignalSpy changes(&store, &PhraseStore::changed);
            const QString after = clear ? "signedOut | Sign in to use your saved phrases | no account | 0"
                                        : "ready | 1 saved phrases · synced | fast-user | 1";
            QVERIFY(clear ? (store.clear(), true) : refresh(store, true));
            QCOMPARE(summary(store), after);
            QVERIFY(!waitFor(first));
            QTest::qWait(400); // past the slow answer's delay
            QCOMPARE(summary(store), after);
            QCOMPARE(changes.size(), clear ? 1 : 2); // (loading, then) the outcome: nothing from the first
            QVERIFY(!store.refreshing());
        }
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
        QCOMPARE(summary(store), "unavailable | " + syncFailed + " | no account | 0");
        QVERIFY(session.accepted.isEmpty());
        QVERIFY2(cost.milliseconds < ReadCost::maxMilliseconds, qPrintable(cost.summary()));
        QVERIFY2(cost.peakGrowthBytes.value_or(ReadCost::maxPeakGrowthBytes) < ReadCost::maxPeakGrowthBytes,
                 qPrintable(cost.summary()));
        QVERIFY2(cost.readerHungUp, qPrintable(cost.summary()));
    }
};

QTEST_GUILESS_MAIN(PhraseStoreTest)
#include "tst_phrase_store.moc"
