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

namespace {
const QString userID = u"user-1"_s;
const LookupFailure signedOut = LookupError::signedOut();

// Every answer sets a session cookie, to show which answers hand theirs over,
// and names a place to go, for a redirect not to be followed.
FixtureServer::Response answer(int status, const QByteArray &body, const QByteArray &type = "application/json")
{
    FixtureServer::Response r{.status = status,
                              .headers = {{"Set-Cookie", "auth.session-token=renewed"}, {"Location", "/sign-in"}},
                              .body = body};
    if (!type.isEmpty())
        r.headers.emplaceBack("Content-Type", type);
    return r;
}

QByteArray json(const QJsonObject &object) { return QJsonDocument(object).toJson(QJsonDocument::Compact); }
} // namespace

class CompanionPhraseAPITest : public QObject {
    Q_OBJECT

    FixtureServer *server = nullptr;
    MemorySessionCookies session;
    std::unique_ptr<CompanionPhraseAPI> api;

    void serve(const FixtureServer::Response &r) { server->setHandler([r](const auto &) { return r; }); }

    // Waits for `task`: it fails with `failure`, or without one gives `value`.
    template <typename T>
    void expect(QCoro::Task<LookupOutcome<T>> task, const Failure &failure, const T &value = {})
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
        session.stored = {QNetworkCookie("auth.session-token", "abc123"), QNetworkCookie("auth.session-token", "2")};
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
        const auto row = [](const char *name, bool save, int status, const QByteArray &body, const Failure &failure,
                            const QByteArray &type = "application/json", bool announced = true, bool endless = false) {
            FixtureServer::Response response = answer(status, body, type);
            response.omitLength = !announced;
            response.keepOpen = endless;
            QTest::addRow("%s: %s", save ? "save" : "lookup", name) << save << response << failure;
        };
        const auto rejected = [](const QString &message) { return LookupFailure(LookupError::rejected(message)); };
        const LookupFailure unreachable = rejected(u"Couldn’t reach Pelora. Check your connection and try again."_s);
        const LookupFailure retryLater = rejected(u"Please try again in a moment."_s);
        const QByteArray card = envelopeBody(sampleCard(), userID);
        const QString longError = u"e\u0301"_s.repeated(600); // each "é" is two units: the cut keeps it whole
        row("200 is a card", false, 200, card, std::nullopt);
        row("204 without a body", false, 204, "", unreachable, "");
        row("302 is not followed", false, 302, "", unreachable, "text/html");
        row("403 is not a sign-out", false, 403, card, unreachable);
        row("401 signs out", false, 401, "{}", signedOut);
        row("404 has no lookup", false, 404, "{}", LookupError::unavailable());
        row("409 changed account", false, 409, card, LookupError::accountChanged());
        row("429 with the web app's message, untrimmed", false, 429,
            json({{"error"_L1, u" Slow down \n"_s}, {"retryAfter"_L1, 30}}), rejected(u" Slow down \n"_s));
        row("429 message cut to 500 characters", false, 429, json({{"error"_L1, longError}}),
            rejected(longError.left(1000)));
        row("429 as HTML", false, 429, "<html><body>Too many</body></html>", retryLater, "text/html");
        row("429 with a non-text error", false, 429, json({{"error"_L1, 42}}), retryLater);
        const auto receipt = [](QJsonValue version, QString userId, QJsonValue id) {
            return json({{"version"_L1, version}, {"userId"_L1, userId}, {"id"_L1, id}}); // Undefined: no id
        };
        row("receipt", true, 200, receipt(1, userID, u"p-9"_s), std::nullopt);
        row("version 2", true, 200, receipt(2, userID, u"p-9"_s), LookupError::invalidResponse());
        row("another account, version 2, empty id", true, 200, receipt(2, u"user-2"_s, u""_s),
            LookupError::accountChanged());
        row("id missing", true, 200, receipt(1, userID, QJsonValue::Undefined), LookupFailure::decoding());
        row("409", true, 409, "{}", LookupError::accountChanged()); // statuses are read as for a lookup
        // A body within the limit is read, then found not to be JSON; past it, it is refused, cookies and all.
        const QByteArray within(2'000'000, 'x'), past(2'000'001, 'x');
        row("2,000,000 bytes", false, 200, within, LookupFailure::decoding());
        row("2,000,001 bytes", false, 200, past, LookupError::invalidResponse());
        row("2,000,000 bytes, no length", false, 200, within, LookupFailure::decoding(), "application/json", false);
        row("2,000,001 bytes, no length", false, 200, past, LookupError::invalidResponse(), "application/json", false);
        // Only a limit enforced during the transfer ends this before the 45 s time-out.
        row("endless body", false, 200, QByteArray(3'000'000, 'x'), LookupError::invalidResponse(), "application/json",
            false, true);
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
        QCOMPARE(QList({r.method, r.target, r.header("Cookie"), r.header("Content-Type"), r.header("Accept")}),
                 QList<QByteArray>({"POST", save ? "/api/companion/phrases" : "/api/companion/lookup",
                                    "auth.session-token=abc123; auth.session-token=2", "application/json",
                                    "application/json"}));
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
        QVERIFY(session.accepted.isEmpty());
        QVERIFY2(cost.milliseconds < ReadCost::maxMilliseconds, qPrintable(cost.summary()));
        QVERIFY2(cost.peakGrowthBytes.value_or(ReadCost::maxPeakGrowthBytes) < ReadCost::maxPeakGrowthBytes,
                 qPrintable(cost.summary()));
        QVERIFY2(cost.readerHungUp, qPrintable(cost.summary()));
    }

    void requestsThatCannotBeSent()
    {
        session.stored.clear(); // signed out: nothing is sent
        expect(api->lookup(u"less sugar"_s), signedOut);
        expect(api->save(sampleCard()), signedOut);
        QTest::qWait(50);
        QVERIFY(server->requests().isEmpty());
        session.signIn("abc123");
        delete std::exchange(server, nullptr);
        expect(api->lookup(u"less sugar"_s), LookupFailure::transport(QNetworkReply::ConnectionRefusedError));
        QVERIFY(session.accepted.isEmpty());
    }

    void endingRequests_data()
    {
        QTest::addColumn<QString>("how");
        for (const char *how : {"cancel", "cancel while asking for cookies", "abandon", "destroy"})
            QTest::newRow(how) << QString::fromLatin1(how);
    }

    // Waiting requests end as cancelled, with nothing handed to the session.
    void endingRequests()
    {
        QFETCH(QString, how);
        const bool early = how.endsWith("cookies"_L1), cancel = how.startsWith("cancel"_L1);
        session.cookieDelayMs = early ? 100 : 0;
        serve(FixtureServer::Response{.headers = {}, .body = {}, .hang = true});
        const QObject alive;
        std::optional<LookupOutcome<LookupPhrase>> first;
        std::optional<LookupOutcome<QString>> second;
        QCoro::connect(api->lookup(u"less sugar"_s), &alive, [&first](const auto &done) { first.emplace(done); });
        QCoro::connect(api->save(sampleCard()), &alive, [&second](const auto &done) { second.emplace(done); });
        QTRY_COMPARE(server->requests().size(), early ? 0 : 2);
        QVERIFY(!first && !second);
        cancel ? api->cancel() : how == "abandon"_L1 ? api->abandonRequests() : api.reset();
        if (early) // they end once the cookies come
            QTRY_VERIFY(first && second);
        QVERIFY(first && second);
        QCOMPARE(first->error(), LookupFailure::cancelled());
        QCOMPARE(second->error(), LookupFailure::cancelled());
        QVERIFY(session.accepted.isEmpty());
        if (!api)
            return QTest::qWait(50); // the deferred clean-up runs without the client
        // cancel() ends the client for good; after abandonRequests() it works on.
        serve(answer(200, envelopeBody(sampleCard(), userID)));
        expect(api->lookup(u"less sugar"_s), cancel ? Failure(LookupFailure::cancelled()) : std::nullopt, sampleCard());
        QTest::qWait(150);
        QCOMPARE(server->requests().size(), early ? 0 : cancel ? 2 : 3);
    }
};

QTEST_GUILESS_MAIN(CompanionPhraseAPITest)
#include "tst_companion_phrase_api.moc"
