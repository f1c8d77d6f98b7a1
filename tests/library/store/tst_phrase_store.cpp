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
#include <qcoro/qcorotimer.h>

using namespace std::chrono_literals;

namespace {

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
        // A copy: QCoro moves from an lvalue handed to co_return.
        co_return QList<QNetworkCookie>(jar);
    }
    QCoro::Task<void> acceptCookies(QList<QNetworkReply::RawHeaderPair> headers, QUrl) override
    {
        accepted.append(headers);
        co_return;
    }
};

QJsonObject phraseJson(const QString &id, const QString &english = QStringLiteral("good morning"))
{
    return QJsonObject{{"id", id},         {"malay", "selamat pagi"}, {"english", english},
                       {"category", ""},   {"context", ""},           {"words", QJsonArray{}},
                       {"notes", QJsonArray{}}, {"usageExamples", QJsonArray{}}};
}

QByteArray page(const QString &userId, const QStringList &ids, std::optional<QString> next = std::nullopt,
                int version = 1)
{
    QJsonArray phrases;
    for (const QString &id : ids)
        phrases.append(phraseJson(id));
    QJsonObject object{{"version", version}, {"userId", userId}, {"phrases", phrases}};
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

private:
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
            FixtureServer::Response answer = FixtureServer::Response::json(200, body);
            answer.delayMs = delayMs;
            return answer;
        });
    }

    // Answers the first page and then the page named by each cursor.
    void servePages(const QMap<QString, QByteArray> &pagesByCursor)
    {
        server.setHandler([pagesByCursor](const FixtureServer::Request &request) {
            const QString key = cursorOf(request).value_or(QStringLiteral("<first>"));
            if (!pagesByCursor.contains(key))
                return FixtureServer::Response::json(500, "{}");
            return FixtureServer::Response::json(200, pagesByCursor.value(key));
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
        const QString second = QStringLiteral("a+b&c=d%41 e/é?");
        const QString third = QStringLiteral("%%25+ ");
        servePages({{"<first>", page("user-1", {"p1", "p2"}, second)},
                    {second, page("user-1", {"p3"}, third)},
                    {third, page("user-1", {"p4"})}});
        PhraseStore store;
        connect(&server, &FixtureServer::requestReceived, this, [this] { session.signIn("token-2"); });

        QVERIFY(refresh(store));
        QCOMPARE(server.requests().size(), 3);
        QCOMPARE(cursorOf(server.requests()[0]), std::nullopt);
        QCOMPARE(cursorOf(server.requests()[1]), second);
        QCOMPARE(cursorOf(server.requests()[2]), third);
        QVERIFY(server.requests()[1].target.startsWith("/api/companion/phrases?cursor="));
        QCOMPARE(server.requests()[0].header("cookie"), QByteArray("auth.session-token=token-1"));
        QCOMPARE(server.requests()[1].header("cookie"), QByteArray("auth.session-token=token-2"));
        for (const auto &request : server.requests()) {
            QCOMPARE(request.method, QByteArray("GET"));
            QCOMPARE(request.header("accept"), QByteArray("application/json"));
        }
        disconnect(&server, &FixtureServer::requestReceived, this, nullptr);

        QCOMPARE(store.state(), PhraseStore::State::ready);
        QCOMPARE(store.status(), QStringLiteral("4 saved phrases · synced"));
        QCOMPARE(store.userID(), QStringLiteral("user-1"));
        QCOMPARE(store.phrases()[3].id, QStringLiteral("p4"));
        QCOMPARE(session.accepted.size(), 3);
        QCOMPARE(session.cookieCalls, 4); // once to decide, then before every page
    }

    void emptyLibrary()
    {
        serveAll(page("user-1", {}));
        PhraseStore store;
        QVERIFY(refresh(store));
        QCOMPARE(store.state(), PhraseStore::State::empty);
        QCOMPARE(store.status(), QStringLiteral("No saved phrases yet · look up a phrase"));
        QCOMPARE(store.userID(), QStringLiteral("user-1"));
    }

    void keepsFirstOccurrenceOfRepeatedIds()
    {
        QJsonObject first = QJsonDocument::fromJson(page("u", {"a", "b"}, QStringLiteral("c1"))).object();
        QJsonObject second{{"version", 1}, {"userId", "u"},
                           {"phrases", QJsonArray{phraseJson("b", "changed"), phraseJson("c")}}};
        servePages({{"<first>", QJsonDocument(first).toJson()}, {"c1", QJsonDocument(second).toJson()}});
        PhraseStore store;
        QVERIFY(refresh(store));
        QCOMPARE(store.phrases().size(), 3);
        QCOMPARE(store.phrases()[1].id, QStringLiteral("b"));
        QCOMPARE(store.phrases()[1].english, QStringLiteral("good morning"));
        QCOMPARE(store.phrases()[2].id, QStringLiteral("c"));
    }

    void failingSecondPage_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("keepsUser");
        const int unavailable = int(PhraseStore::State::unavailable);
        const QString generic = QStringLiteral("Couldn’t sync · check connection and try again");
        QTest::newRow("401") << 401 << QByteArray("{}") << int(PhraseStore::State::signedOut)
                             << QStringLiteral("Session expired · sign in again") << false;
        QTest::newRow("404") << 404 << QByteArray("{}") << unavailable
                             << QStringLiteral("Companion API not deployed · check web app address") << true;
        QTest::newRow("403") << 403 << QByteArray("{}") << unavailable << generic << true;
        QTest::newRow("500") << 500 << QByteArray("{}") << unavailable << generic << true;
        QTest::newRow("302") << 302 << QByteArray("{}") << unavailable << generic << true;
        QTest::newRow("another account") << 200 << page("user-2", {"p2"}) << unavailable << generic << true;
        QTest::newRow("version 2") << 200 << page("user-1", {"p2"}, std::nullopt, 2) << unavailable << generic << true;
        QTest::newRow("not JSON") << 200 << QByteArray("<html>") << unavailable << generic << true;
    }

    // The failure comes on the second page, after a first sync succeeded.
    void failingSecondPage()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, state);
        QFETCH(QString, text);
        QFETCH(bool, keepsUser);
        PhraseStore store;
        servePages({{"<first>", page("user-1", {"old"})}});
        QVERIFY(refresh(store));

        server.setHandler([status, body](const FixtureServer::Request &request) {
            if (!cursorOf(request))
                return FixtureServer::Response::json(200, page("user-1", {"p1"}, QStringLiteral("next")));
            FixtureServer::Response answer = FixtureServer::Response::json(status, body);
            answer.headers.append({QByteArray("Location"), QByteArray("/api/companion/phrases?cursor=elsewhere")});
            return answer;
        });
        server.clearRequests();
        QVERIFY(refresh(store));
        QCOMPARE(server.requests().size(), 2); // a redirect is not followed
        QCOMPARE(int(store.state()), state);
        QCOMPARE(store.status(), text);
        QVERIFY(store.phrases().isEmpty());
        QCOMPARE(store.userID().has_value(), keepsUser);
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
        QCOMPARE(store.state(), PhraseStore::State::ready);

        serveAll(atLimit + ' ');
        QVERIFY(refresh(store));
        QCOMPARE(store.state(), PhraseStore::State::unavailable);
        QCOMPARE(session.accepted.size(), 1); // an oversized answer is never handed on
    }

    // Without a length the body ends only when the server closes; an answer
    // that keeps growing must be cut off, not waited for.
    void endlessBodyIsCutOffWhileArriving()
    {
        PhraseStore store;
        server.setHandler([](const FixtureServer::Request &) {
            FixtureServer::Response answer = FixtureServer::Response::json(200, QByteArray(3'000'000, ' '));
            answer.omitLength = true;
            answer.keepOpen = true;
            return answer;
        });
        auto task = store.refresh(server.origin(), &session, false);
        QTRY_VERIFY_WITH_TIMEOUT(task.isReady(), 5000);
        QCOMPARE(store.state(), PhraseStore::State::unavailable);
        QTRY_COMPARE(server.openConnections(), 0);
    }

    void pageCountAndCursorLoops_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("requests");
        QTest::addColumn<QString>("status");
        const QString failed = QStringLiteral("Couldn’t sync · check connection and try again");
        QTest::newRow("repeated cursor") << "repeat" << 3 << failed;
        QTest::newRow("empty cursor twice") << "empty" << 2 << failed;
        QTest::newRow("always a new cursor") << "fresh" << 100 << failed;
        QTest::newRow("a hundred pages, then the end") << "hundred" << 100
                                                       << QStringLiteral("100 saved phrases · synced");
    }

    void pageCountAndCursorLoops()
    {
        QFETCH(QString, kind);
        QFETCH(int, requests);
        QFETCH(QString, status);
        server.setHandler([kind](const FixtureServer::Request &request) {
            const std::optional<QString> cursor = cursorOf(request);
            const QString id = QUuid::createUuid().toString();
            const int number = cursor.value_or("1").toInt();
            if (kind == "hundred" && number >= 100)
                return FixtureServer::Response::json(200, page("u", {id}));
            QString next; // stays empty for "empty"
            if (kind == "repeat")
                next = cursor ? QStringLiteral("B") : QStringLiteral("A");
            else if (kind == "fresh")
                next = QUuid::createUuid().toString();
            else if (kind == "hundred")
                next = QString::number(number + 1);
            return FixtureServer::Response::json(200, page("u", {id}, next));
        });
        PhraseStore store;
        QVERIFY(refresh(store));
        QCOMPARE(server.requests().size(), requests);
        QCOMPARE(store.status(), status);
        if (kind == "empty")
            QCOMPARE(cursorOf(server.requests()[1]), QString());
    }

    void transportFailures()
    {
        PhraseStore store;
        store.setPageTimeout(300ms);
        server.setHandler([](const FixtureServer::Request &) {
            FixtureServer::Response answer;
            answer.hang = true;
            return answer;
        });
        QVERIFY(refresh(store));
        QCOMPARE(store.state(), PhraseStore::State::unavailable);
        QVERIFY(!store.refreshing());

        // A port nobody listens on.
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QUrl nowhere(QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort()));
        closed.close();
        QVERIFY(QCoro::waitFor(store.refresh(nowhere, &session, false)));
        QCOMPARE(store.state(), PhraseStore::State::unavailable);
    }

    void noCookieSendsNothingAndDropsTheLibrary()
    {
        servePages({{"<first>", page("user-1", {"p1"})}});
        PhraseStore store;
        QVERIFY(refresh(store));
        server.clearRequests();
        session.jar.clear();
        QVERIFY(refresh(store));
        QCOMPARE(server.requests().size(), 0);
        QCOMPARE(store.state(), PhraseStore::State::signedOut);
        QCOMPARE(store.status(), QStringLiteral("Sign in to use your saved phrases"));
        QVERIFY(store.phrases().isEmpty());
        QCOMPARE(store.userID(), std::nullopt);

        QVERIFY(QCoro::waitFor(store.refresh(server.origin(), nullptr, false)));
        QCOMPARE(store.state(), PhraseStore::State::signedOut);
        QCOMPARE(server.requests().size(), 0);
    }

    void previousLibraryStaysReadableWhileLoading()
    {
        servePages({{"<first>", page("user-1", {"p1", "p2"})}});
        PhraseStore store;
        QVERIFY(refresh(store));
        serveAll(page("user-1", {"p3"}), 200);
        auto task = store.refresh(server.origin(), &session, false);
        QTRY_COMPARE(server.requests().size(), 2);
        QCOMPARE(store.state(), PhraseStore::State::loading);
        QCOMPARE(store.status(), QStringLiteral("Syncing your phrasebook…"));
        QCOMPARE(store.phrases().size(), 2);
        QVERIFY(QCoro::waitFor(task));
        QCOMPARE(store.phrases().size(), 1);
    }

    void overlappingRefreshes()
    {
        server.setHandler([](const FixtureServer::Request &request) {
            const bool slow = request.header("cookie").endsWith("slow");
            FixtureServer::Response answer =
                FixtureServer::Response::json(200, page(slow ? "slow-user" : "fast-user", {"p1"}));
            answer.delayMs = slow ? 300 : 0;
            return answer;
        });
        PhraseStore store;
        session.signIn("slow");
        auto first = store.refresh(server.origin(), &session, false);
        QTRY_COMPARE(server.requests().size(), 1);

        // Without force the call does nothing and says so at once.
        auto ignored = store.refresh(server.origin(), &session, false);
        QVERIFY(ignored.isReady());
        QVERIFY(!QCoro::waitFor(ignored));
        QCOMPARE(store.state(), PhraseStore::State::loading);

        // With force the running refresh is cancelled and writes nothing.
        session.signIn("fast");
        QSignalSpy changes(&store, &PhraseStore::changed);
        QVERIFY(refresh(store, true));
        QVERIFY(!QCoro::waitFor(first));
        QCOMPARE(store.userID(), QStringLiteral("fast-user"));
        QTest::qWait(400); // past the slow answer's delay
        QCOMPARE(store.userID(), QStringLiteral("fast-user"));
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
        QCOMPARE(store.state(), PhraseStore::State::signedOut);
        QVERIFY(!QCoro::waitFor(task));
        QTest::qWait(300);
        QCOMPARE(store.state(), PhraseStore::State::signedOut);
        QVERIFY(!store.refreshing());

        serveAll(page("user-1", {"p1"}));
        QVERIFY(refresh(store)); // the store works normally afterwards
        QCOMPARE(store.state(), PhraseStore::State::ready);

        // A store destroyed mid-refresh ends its task harmlessly.
        serveAll(page("user-1", {"p1"}), 200);
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
