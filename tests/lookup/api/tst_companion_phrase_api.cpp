// The companion API client against a scripted HTTP server on 127.0.0.1.
#include "fixture_server.h"
#include "flood_server.h"
#include "lookup/api/memory_session_cookies.h"
#include "lookup/companion_phrase_api.h"
#include "lookup/model/sample_card.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using Failure = std::optional<LookupFailure>;
Q_DECLARE_METATYPE(Failure)
Q_DECLARE_METATYPE(FixtureServer::Response)

// How the client's waiting requests are ended.
enum class Ending { cancel, abandon, destroy };
Q_DECLARE_METATYPE(Ending)

namespace {
const QString userID = u"user-1"_s;
const LookupFailure signedOut = LookupError::signedOut();

// Every answer sets a session cookie, to show which answers hand theirs over,
// and names a place to go, for a redirect not to be followed.
FixtureServer::Response answer(int status, const QByteArray &body, const QByteArray &type = "application/json"_ba)
{
    return {.status = status,
            .headers = {{"Set-Cookie"_ba, "auth.session-token=renewed"_ba},
                        {"Location"_ba, "/sign-in"_ba},
                        {"Content-Type"_ba, type}},
            .body = body};
}

// The answer without a Content-Length: its body ends when the connection closes.
FixtureServer::Response unannounced(FixtureServer::Response r)
{
    r.omitLength = true;
    return r;
}

QByteArray json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// A save's receipt; an undefined id leaves the key out.
QByteArray receipt(const QJsonValue &version, const QString &userID, const QJsonValue &id)
{
    return json({{"version"_L1, version}, {"userId"_L1, userID}, {"id"_L1, id}});
}

LookupFailure rejected(const QString &message)
{
    return LookupError::rejected(message);
}
} // namespace

class CompanionPhraseAPITest : public QObject {
    Q_OBJECT

    FixtureServer *server = nullptr;
    MemorySessionCookies session;
    std::unique_ptr<CompanionPhraseAPI> api;

    void serve(const FixtureServer::Response &r)
    {
        server->setHandler([r](const auto &) { return r; });
    }

    // Waits for `task`: it fails with `failure`, or without one gives `value`.
    template <typename T> void expect(QCoro::Task<LookupOutcome<T>> task, const Failure &failure, const T &value = {})
    {
        const QObject alive;
        std::optional<LookupOutcome<T>> outcome;
        QCoro::connect(std::move(task), &alive, [&outcome](const LookupOutcome<T> &done) { outcome.emplace(done); });
        QVERIFY(QTest::qWaitFor([&outcome] { return outcome.has_value(); }, 20'000));
        QCOMPARE(outcome->ok(), !failure);
        if (failure)
            QCOMPARE(outcome->error(), *failure);
        else
            QCOMPARE(outcome->value(), value);
    }

    // Waits for `task` in a running event loop (not in 10 ms slices, as QTest::qWaitFor does) and gives its failure,
    // or none when it succeeded; a task that never ends is reported as a time-out.
    template <typename T> static Failure failureOf(QCoro::Task<LookupOutcome<T>> task)
    {
        QEventLoop loop;
        Failure failure = LookupFailure::transport(QNetworkReply::TimeoutError);
        QCoro::connect(std::move(task), &loop, [&](const LookupOutcome<T> &outcome) {
            failure = outcome ? Failure() : Failure(outcome.error());
            loop.quit();
        });
        QTimer::singleShot(60'000, &loop, &QEventLoop::quit);
        loop.exec();
        return failure;
    }

private Q_SLOTS:
    void init()
    {
        server = new FixtureServer(this);
        QVERIFY(server->listen());
        session = MemorySessionCookies();
        session.stored = {QNetworkCookie("auth.session-token"_ba, "abc123"_ba),
                          QNetworkCookie("auth.session-token"_ba, "2"_ba)};
        api = std::make_unique<CompanionPhraseAPI>(server->origin(), userID, &session);
    }

    void cleanup()
    {
        api.reset();
        // The fixture must not be destroyed with a connection still open.
        QVERIFY(QTest::qWaitFor([this] { return !server || server->openConnections() == 0; }, 5'000));
        delete server;
    }

    void answers_data()
    {
        QTest::addColumn<bool>("save");
        QTest::addColumn<FixtureServer::Response>("response");
        QTest::addColumn<Failure>("failure"); // none: the sample card, or saved as "p-9"
        const auto lookup = [](const char *name, const FixtureServer::Response &response, const Failure &failure) {
            QTest::addRow("lookup: %s", name) << false << response << failure;
        };
        const auto save = [](const char *name, const FixtureServer::Response &response, const Failure &failure) {
            QTest::addRow("save: %s", name) << true << response << failure;
        };
        const LookupFailure unreachable = rejected(u"Couldn’t reach Pelora. Check your connection and try again."_s);
        const LookupFailure retryLater = rejected(u"Please try again in a moment."_s);
        const QByteArray card = envelopeBody(sampleCard(), userID);
        const QString longError = u"e\u0301"_s.repeated(600); // each "é" is two units: the cut keeps it whole
        const QByteArray within(2'000'000, 'x');
        const QByteArray past(2'000'001, 'x');
        lookup("200 is a card", answer(200, card), std::nullopt);
        lookup("302 is not followed", answer(302, ""_ba, "text/html"_ba), unreachable);
        lookup("403 is not a sign-out", answer(403, card), unreachable);
        lookup("401 signs out", answer(401, "{}"_ba), signedOut);
        lookup("404 has no lookup", answer(404, "{}"_ba), LookupError::unavailable());
        lookup("409 changed account", answer(409, card), LookupError::accountChanged());
        lookup("429 with the web app's message, untrimmed",
               answer(429, json({{"error"_L1, u" Slow down \n"_s}, {"retryAfter"_L1, 30}})),
               rejected(u" Slow down \n"_s));
        lookup("429 message cut to 500 characters", answer(429, json({{"error"_L1, longError}})),
               rejected(longError.left(1000)));
        lookup("429 as HTML", answer(429, "<html><body>Too many</body></html>"_ba, "text/html"_ba), retryLater);
        save("receipt", answer(200, receipt(1, userID, u"p-9"_s)), std::nullopt);
        save("version 2", answer(200, receipt(2, userID, u"p-9"_s)), LookupError::invalidResponse());
        save("another account, version 2, empty id", answer(200, receipt(2, u"user-2"_s, u""_s)),
             LookupError::accountChanged());
        save("id missing", answer(200, receipt(1, userID, QJsonValue::Undefined)), LookupFailure::decoding());
        // A body within the limit is read, then found not to be JSON; past it, it is refused, cookies and all
        // (without a length, the flood server's endless answers show the refusal).
        lookup("2,000,000 bytes", answer(200, within), LookupFailure::decoding());
        lookup("2,000,001 bytes", answer(200, past), LookupError::invalidResponse());
        lookup("2,000,000 bytes, no length", unannounced(answer(200, within)), LookupFailure::decoding());
    }

    void answers()
    {
        QFETCH(bool, save);
        QFETCH(FixtureServer::Response, response);
        QFETCH(Failure, failure);
        serve(response);
        if (save)
            expect(api->save(sampleCard()), failure, u"p-9"_s);
        else
            expect(api->lookup(u" less sugar\n"_s), failure, sampleCard());
        // One request, no redirect followed: the session's cookies, the account, the query as given (untrimmed).
        QCOMPARE(server->requests().size(), 1);
        const FixtureServer::Request &r = server->requests().first();
        QCOMPARE(r.method, "POST"_ba);
        QCOMPARE(r.target, save ? "/api/companion/phrases"_ba : "/api/companion/lookup"_ba);
        QCOMPARE(r.header("Cookie"_ba), "auth.session-token=abc123; auth.session-token=2"_ba);
        QCOMPARE(r.header("Content-Type"_ba), "application/json"_ba);
        QCOMPARE(r.header("Accept"_ba), "application/json"_ba);
        const QJsonValue input = save ? QJsonValue(sampleCard().toJson()) : QJsonValue(u" less sugar\n"_s);
        QCOMPARE(QJsonDocument::fromJson(r.body).object(),
                 QJsonObject({{"expectedUserId"_L1, userID}, {save ? "phrase"_L1 : "query"_L1, input}}));
        // The answer's cookies went to the session whatever the status, 401 included, unless it was too long.
        QCOMPARE(session.accepted.size(), response.body.size() > 2'000'000 ? 0 : 1);
        if (session.accepted.isEmpty())
            return;
        QCOMPARE(session.accepted.first().second, server->origin());
        QVERIFY(session.accepted.first().first.contains({"Set-Cookie"_ba, "auth.session-token=renewed"_ba}));
    }

    void endlessBodies_data()
    {
        QTest::addColumn<bool>("save");
        QTest::addColumn<FloodServer::Framing>("framing");
        const FloodServer::Framing untilClose = FloodServer::Framing::untilClose;
        for (int attempt = 1; attempt <= 3; ++attempt) { // where a careless reader stops depends on timing
            QTest::addRow("lookup, until the connection closes, try %d", attempt) << false << untilClose;
            QTest::addRow("lookup, chunked, try %d", attempt) << false << FloodServer::Framing::chunked;
            QTest::addRow("save, until the connection closes, try %d", attempt) << true << untilClose;
        }
    }

    // An answer that never ends, sent as fast as the socket takes it, is refused at the limit as an invalid
    // response: within seconds, with memory bounded, and its cookies never reach the session.
    void endlessBodies()
    {
        QFETCH(bool, save);
        QFETCH(FloodServer::Framing, framing);
        FloodServer flood(framing);
        QVERIFY(flood.listen());
        CompanionPhraseAPI client(flood.origin(), userID, &session);
        const auto [failure, cost] = measureEndlessRead(flood, [&] {
            return save ? failureOf(client.save(sampleCard())) : failureOf(client.lookup(u"less sugar"_s));
        });
        qInfo().noquote() << cost.summary();
        QCOMPARE(failure, Failure(LookupError::invalidResponse()));
        QCOMPARE(session.accepted.size(), 0);
        PELORA_VERIFY_BOUNDED_READ(cost);
    }

    // Signed out, nothing is sent.
    void signedOutSendsNothing()
    {
        session.stored.clear();
        expect(api->lookup(u"less sugar"_s), signedOut);
        expect(api->save(sampleCard()), signedOut);
        QTest::qWait(50);
        QCOMPARE(server->requests().size(), 0);
    }

    void refusedConnectionIsATransportFailure()
    {
        delete std::exchange(server, nullptr);
        expect(api->lookup(u"less sugar"_s), LookupFailure::transport(QNetworkReply::ConnectionRefusedError));
        QCOMPARE(session.accepted.size(), 0);
    }

    void endingRequests_data()
    {
        QTest::addColumn<Ending>("ending");
        QTest::addColumn<bool>("cookiesLate");   // the requests end while the session looks for its cookies
        QTest::addColumn<Failure>("afterwards"); // a lookup tried after the ending
        QTest::addColumn<int>("requestsAfter");  // once that lookup was tried
        const Failure cancelled = LookupFailure::cancelled();
        // cancel() ends the client for good; after abandonRequests() it works on.
        QTest::newRow("cancel") << Ending::cancel << false << cancelled << 2;
        QTest::newRow("cancel while asking for cookies") << Ending::cancel << true << cancelled << 0;
        QTest::newRow("abandon") << Ending::abandon << false << Failure() << 3;
        QTest::newRow("destroy") << Ending::destroy << false << Failure() << 2;
    }

    // Waiting requests end as cancelled, with nothing handed to the session.
    void endingRequests()
    {
        QFETCH(Ending, ending);
        QFETCH(bool, cookiesLate);
        QFETCH(Failure, afterwards);
        QFETCH(int, requestsAfter);
        session.cookieDelayMs = cookiesLate ? 100 : 0;
        serve(FixtureServer::Response{.headers = {}, .body = {}, .hang = true});
        const QObject alive;
        std::optional<LookupOutcome<LookupPhrase>> first;
        std::optional<LookupOutcome<QString>> second;
        QCoro::connect(api->lookup(u"less sugar"_s), &alive, [&first](const auto &done) { first.emplace(done); });
        QCoro::connect(api->save(sampleCard()), &alive, [&second](const auto &done) { second.emplace(done); });
        QTRY_COMPARE(server->requests().size(), cookiesLate ? 0 : 2);
        QVERIFY(!first);
        QVERIFY(!second);
        switch (ending) {
        case Ending::cancel:
            api->cancel();
            break;
        case Ending::abandon:
            api->abandonRequests();
            break;
        case Ending::destroy:
            api.reset();
            break;
        }
        QTRY_VERIFY(first); // at once, or once the cookies come
        QTRY_VERIFY(second);
        QCOMPARE(first->error(), LookupFailure::cancelled());
        QCOMPARE(second->error(), LookupFailure::cancelled());
        QCOMPARE(session.accepted.size(), 0);
        if (!api) {
            QTest::qWait(50); // the deferred clean-up runs without the client
            QCOMPARE(server->requests().size(), requestsAfter);
            return;
        }
        serve(answer(200, envelopeBody(sampleCard(), userID)));
        expect(api->lookup(u"less sugar"_s), afterwards, sampleCard());
        QTest::qWait(150);
        QCOMPARE(server->requests().size(), requestsAfter);
    }
};

QTEST_GUILESS_MAIN(CompanionPhraseAPITest)
#include "tst_companion_phrase_api.moc"
