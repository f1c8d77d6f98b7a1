#include "fixture_server.h"
#include "library/phrase_store.h"
#include "account/session_cookies.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>
#include <qcoro/qcorotask.h>

using namespace std::chrono_literals;
using Response = FixtureServer::Response;
using State = PhraseStore::State;

namespace {

const QString syncFailed = QStringLiteral("Couldn’t sync · check connection and try again");

// An in-memory sign-in session: hands out whatever cookies the test sets and
// records what the store hands back.
class MemorySession : public SessionCookies {
public:
    QList<QNetworkCookie> jar;
    QList<QList<QNetworkReply::RawHeaderPair>> accepted;
    int cookieCalls = 0;

    void signIn(const QByteArray &value) { jar = {QNetworkCookie("auth.session-token", value)}; }
    QCoro::Task<QList<QNetworkCookie>> cookies(QUrl) override
    {
        ++cookieCalls;
        co_return QList<QNetworkCookie>(jar); // a copy: QCoro moves from an lvalue handed to co_return
    }
    QCoro::Task<void> acceptCookies(QList<QNetworkReply::RawHeaderPair> headers, QUrl) override
    {
        accepted.append(headers);
        co_return;
    }
};

// A page of phrases; an id written "b=changed" gives phrase b that English.
QByteArray page(const QString &userId, const QStringList &ids, std::optional<QString> next = std::nullopt)
{
    QJsonArray phrases;
    for (const QString &id : ids)
        phrases.append(QJsonObject{{"id", id.section(u'=', 0, 0)}, {"malay", "selamat pagi"},
                                   {"english", id.contains(u'=') ? id.section(u'=', 1) : "good morning"},
                                   {"category", ""}, {"context", ""}, {"words", QJsonArray{}},
                                   {"notes", QJsonArray{}}, {"usageExamples", QJsonArray{}}});
    QJsonObject object{{"version", 1}, {"userId", userId}, {"phrases", phrases}};
    if (next)
        object.insert("nextCursor", *next);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// The cursor the server received, decoded as a server decodes a query value.
std::optional<QString> cursorOf(const FixtureServer::Request &request)
{
    const QUrlQuery query(request.url);
    if (!query.hasQueryItem("cursor"))
        return std::nullopt;
    return query.queryItemValue("cursor", QUrl::FullyDecoded);
}

} // namespace

class PhraseStoreTest : public QObject {
    Q_OBJECT

    FixtureServer server;
    MemorySession session;

    bool refresh(PhraseStore &store, bool force = false)
    {
        return QCoro::waitFor(store.refresh(server.origin(), &session, force));
    }

    // Answers every request with the same page, after a delay.
    void serveAll(const QByteArray &body, int delayMs = 0)
    {
        server.setHandler([body, delayMs](const FixtureServer::Request &) {
            Response answer = Response::json(200, body);
            answer.delayMs = delayMs;
            return answer;
        });
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(server.listen()); }

    void init()
    {
        server.clearRequests();
        server.setHandler({});
        session = MemorySession();
        session.signIn("token-1");
    }

    void followsCursorsWithFreshCookiesOnEveryPage()
    {
        // Cursors with characters that a careless encoder mangles.
        const QString second = QStringLiteral("a+b&c=d%41 e/é?"), third = QStringLiteral("%%25+ ");
        const QMap<QString, QByteArray> pages{{"", page("user-1", {"p1", "p2"}, second)},
                                              {second, page("user-1", {"p3", "p2=changed"}, third)},
                                              {third, page("user-1", {"p4"})}};
        server.setHandler([&](const FixtureServer::Request &request) {
            session.signIn("token-2");
            return Response::json(200, pages.value(cursorOf(request).value_or("")));
        });
        PhraseStore store;
        QVERIFY(refresh(store));
        const auto &requests = server.requests();
        QCOMPARE(requests.size(), 3);
        QCOMPARE(cursorOf(requests[0]), std::nullopt);
        QCOMPARE(cursorOf(requests[1]), second);
        QCOMPARE(cursorOf(requests[2]), third);
        QVERIFY(requests[1].target.startsWith("/api/companion/phrases?cursor="));
        QCOMPARE(requests[0].header("cookie"), QByteArray("auth.session-token=token-1"));
        QCOMPARE(requests[1].header("cookie"), QByteArray("auth.session-token=token-2"));
        for (const auto &request : requests)
            QVERIFY(request.method == "GET" && request.header("accept") == "application/json");
        QCOMPARE(store.state(), State::ready);
        QCOMPARE(store.status(), QStringLiteral("4 saved phrases · synced"));
        QCOMPARE(store.userID(), QStringLiteral("user-1"));
        QStringList phrases; // a repeated id keeps its first occurrence and place
        for (const Phrase &phrase : store.phrases())
            phrases.append(phrase.id + ' ' + phrase.english);
        QCOMPARE(phrases, (QStringList{"p1 good morning", "p2 good morning", "p3 good morning", "p4 good morning"}));
        QCOMPARE(session.accepted.size(), 3);
        QCOMPARE(session.cookieCalls, 4); // once to decide, then before every page

        serveAll(page("user-1", {}));
        QVERIFY(refresh(store));
        QCOMPARE(store.state(), State::empty);
        QCOMPARE(store.status(), QStringLiteral("No saved phrases yet · look up a phrase"));
    }

    void failingSecondPage_data()
    {
        QTest::addColumn<int>("status"); // 0: no answer at all
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<State>("state");
        QTest::addColumn<QString>("text");
        QTest::newRow("401") << 401 << QByteArray("{}") << State::signedOut << QStringLiteral("Session expired · sign in again");
        QTest::newRow("404") << 404 << QByteArray("{}") << State::unavailable
                             << QStringLiteral("Companion API not deployed · check web app address");
        QTest::newRow("500") << 500 << QByteArray("{}") << State::unavailable << syncFailed;
        QTest::newRow("302") << 302 << QByteArray("{}") << State::unavailable << syncFailed;
        QTest::newRow("time-out") << 0 << QByteArray() << State::unavailable << syncFailed;
        QTest::newRow("another account") << 200 << page("user-2", {"p2"}) << State::unavailable << syncFailed;
        QTest::newRow("not JSON") << 200 << QByteArray("<html>") << State::unavailable << syncFailed;
    }

    // The failure comes on the second page, after a first sync succeeded.
    void failingSecondPage()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(State, state);
        QFETCH(QString, text);
        PhraseStore store;
        store.setPageTimeout(300ms);
        serveAll(page("user-1", {"old"}));
        QVERIFY(refresh(store));
        server.setHandler([status, body](const FixtureServer::Request &request) {
            if (!cursorOf(request))
                return Response::json(200, page("user-1", {"p1"}, QStringLiteral("next")));
            Response answer = Response::json(status, body);
            answer.hang = status == 0;
            answer.headers.append({QByteArray("Location"), QByteArray("/api/companion/phrases?cursor=elsewhere")});
            return answer;
        });
        server.clearRequests();
        QVERIFY(refresh(store));
        QCOMPARE(server.requests().size(), 2); // a redirect is not followed
        QCOMPARE(store.state(), state);
        QCOMPARE(store.status(), text);
        QVERIFY(store.phrases().isEmpty() && !store.refreshing());
        QCOMPARE(store.userID().has_value(), state != State::signedOut);
        if (status != 200)
            QCOMPARE(session.accepted.size(), 2); // only the two 200 pages
    }

    void bodyLimitIsExact()
    {
        // Whitespace pads a valid page to an exact size.
        const QByteArray body = page("user-1", {"p1"});
        const QByteArray atLimit = body + QByteArray(2'000'000 - body.size(), ' ');
        PhraseStore store;
        serveAll(atLimit);
        QVERIFY(refresh(store));
        QCOMPARE(store.state(), State::ready);
        serveAll(atLimit + ' ');
        QVERIFY(refresh(store));
        QCOMPARE(store.state(), State::unavailable);
        QCOMPARE(session.accepted.size(), 1); // an oversized answer is never handed on

        // Without a length the body ends only when the server closes; an
        // answer that keeps growing must be cut off, not waited for.
        server.setHandler([](const FixtureServer::Request &) {
            Response answer = Response::json(200, QByteArray(3'000'000, ' '));
            answer.omitLength = answer.keepOpen = true;
            return answer;
        });
        auto task = store.refresh(server.origin(), &session, false);
        QTRY_VERIFY_WITH_TIMEOUT(task.isReady(), 5000);
        QCOMPARE(store.state(), State::unavailable);
        QTRY_COMPARE(server.openConnections(), 0);
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
                const QString id = QUuid::createUuid().toString();
                const int number = cursor.value_or("1").toInt();
                if (kind == "hundred" && number >= 100)
                    return Response::json(200, page("u", {id}));
                QString next = QStringLiteral(""); // stays empty for "empty"
                if (kind == "repeat")
                    next = cursor ? QStringLiteral("B") : QStringLiteral("A");
                else if (kind == "fresh")
                    next = QUuid::createUuid().toString();
                else if (kind == "hundred")
                    next = QString::number(number + 1);
                return Response::json(200, page("u", {id}, next));
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

    void noCookieSendsNothingAndDropsTheLibrary()
    {
        serveAll(page("user-1", {"p1"}));
        PhraseStore store;
        QVERIFY(refresh(store));
        server.clearRequests();
        session.jar.clear();
        QVERIFY(refresh(store));
        QCOMPARE(store.state(), State::signedOut);
        QCOMPARE(store.status(), QStringLiteral("Sign in to use your saved phrases"));
        QVERIFY(store.phrases().isEmpty());
        QCOMPARE(store.userID(), std::nullopt);
        QVERIFY(QCoro::waitFor(store.refresh(server.origin(), nullptr, false)));
        QCOMPARE(store.state(), State::signedOut);
        QCOMPARE(server.requests().size(), 0);
    }

    // A forced refresh overtakes a running one, whose late answer must write
    // nothing; meanwhile the previous library stays readable.
    void forcedRefreshMakesTheRunningOneStale()
    {
        serveAll(page("old-user", {"p1", "p2"}));
        PhraseStore store;
        QVERIFY(refresh(store));
        server.setHandler([](const FixtureServer::Request &request) {
            const bool slow = request.header("cookie").endsWith("slow");
            Response answer = Response::json(200, page(slow ? "slow-user" : "fast-user", {"p1"}));
            answer.delayMs = slow ? 300 : 0;
            return answer;
        });
        session.signIn("slow");
        auto first = store.refresh(server.origin(), &session, false);
        QTRY_COMPARE(server.requests().size(), 2);
        QCOMPARE(store.state(), State::loading);
        QCOMPARE(store.status(), QStringLiteral("Syncing your phrasebook…"));
        QCOMPARE(store.phrases().size(), 2);
        auto ignored = store.refresh(server.origin(), &session, false); // without force: nothing, at once
        QVERIFY(ignored.isReady());
        QVERIFY(!QCoro::waitFor(ignored));

        session.signIn("fast");
        QSignalSpy changes(&store, &PhraseStore::changed);
        QVERIFY(refresh(store, true));
        QVERIFY(!QCoro::waitFor(first));
        QTest::qWait(400); // past the slow answer's delay
        QCOMPARE(store.userID(), QStringLiteral("fast-user"));
        QCOMPARE(store.phrases().size(), 1);
        QCOMPARE(changes.size(), 2); // loading, then ready: nothing from the first
        QVERIFY(!store.refreshing());
    }

    void clearDuringRefresh()
    {
        serveAll(page("user-1", {"p1"}), 200);
        PhraseStore store;
        auto task = store.refresh(server.origin(), &session, false);
        QTRY_COMPARE(server.requests().size(), 1);
        store.clear();
        QCOMPARE(store.state(), State::signedOut);
        QVERIFY(!QCoro::waitFor(task));
        QTest::qWait(300);
        QCOMPARE(store.state(), State::signedOut);
        QVERIFY(!store.refreshing());
        QVERIFY(refresh(store)); // the store works normally afterwards
        QCOMPARE(store.state(), State::ready);

        // A store destroyed mid-refresh ends its task harmlessly.
        server.clearRequests();
        auto doomed = std::make_unique<PhraseStore>();
        auto orphan = doomed->refresh(server.origin(), &session, false);
        QTRY_COMPARE(server.requests().size(), 1);
        doomed.reset();
        QVERIFY(!QCoro::waitFor(orphan));
    }
};

QTEST_GUILESS_MAIN(PhraseStoreTest)
#include "tst_phrase_store.moc"
