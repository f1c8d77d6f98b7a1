// The companion API client against a scripted HTTP server on 127.0.0.1.
#include "fixture_server.h"
#include "lookup/api/memory_session_cookies.h"
#include "lookup/api/task_completion.h"
#include "lookup/companion_phrase_api.h"
#include "lookup/model/sample_card.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<LookupFailure>)

namespace {

const QString userID = u"user-1"_s;
const QString unreachable = u"Couldn’t reach Pelora. Check your connection and try again."_s;
const QString retryLater = u"Please try again in a moment."_s;

QPair<QByteArray, QByteArray> header(const QByteArray &name, const QByteArray &value) { return {name, value}; }

FixtureServer::Response answer(int status, const QByteArray &body, const QByteArray &contentType = "application/json")
{
    FixtureServer::Response response;
    response.status = status;
    response.body = body;
    if (!contentType.isEmpty())
        response.headers.append(header("Content-Type", contentType));
    if (status >= 300 && status < 400)
        response.headers.append(header("Location", "/sign-in"));
    return response;
}

QByteArray json(const QJsonObject &object) { return QJsonDocument(object).toJson(QJsonDocument::Compact); }

LookupFailure rejected(const QString &message) { return LookupError::rejected(message); }

} // namespace

class CompanionPhraseAPITest : public QObject {
    Q_OBJECT

    FixtureServer *server = nullptr;
    MemorySessionCookies session;
    std::unique_ptr<CompanionPhraseAPI> api;

    void serve(const FixtureServer::Response &response)
    {
        server->setHandler([response](const FixtureServer::Request &) { return response; });
    }

    void serveNothing()
    {
        FixtureServer::Response never;
        never.hang = true;
        serve(never);
    }

private Q_SLOTS:
    void init()
    {
        server = new FixtureServer(this);
        QVERIFY(server->listen());
        session = MemorySessionCookies();
        session.signIn("abc123");
        api = std::make_unique<CompanionPhraseAPI>(server->origin(), userID, &session);
    }

    void cleanup()
    {
        api.reset();
        // The fixture must not be destroyed with a connection still open.
        QVERIFY(QTest::qWaitFor([this] { return !server || server->openConnections() == 0; }, 5'000));
        delete server;
    }

    void lookupAnswers_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<std::optional<LookupFailure>>("failure"); // absent: the sample card

        const auto row = [](const char *name, int status, const QByteArray &body, const QByteArray &type,
                            std::optional<LookupFailure> failure) {
            QTest::newRow(name) << status << body << type << failure;
        };
        const QByteArray card = envelopeBody(sampleCard(), userID);
        const QByteArray js = "application/json";
        const std::optional<LookupFailure> none;
        row("200 is a card", 200, card, js, none);
        row("201 is a card too", 201, card, js, none);
        row("204 without a body", 204, "", "", rejected(unreachable));
        row("302 is not followed", 302, "", "text/html", rejected(unreachable));
        row("403 is not a sign-out", 403, card, js, rejected(unreachable));
        row("500", 500, "oops", "text/plain", rejected(unreachable));
        row("401 signs out", 401, "{}", js, LookupError::signedOut());
        row("404 has no lookup", 404, "{}", js, LookupError::unavailable());
        row("409 changed account", 409, card, js, LookupError::accountChanged());
        row("429 with the web app's message", 429,
            json({{"error"_L1, u"Slow down — too many lookups."_s}, {"retryAfter"_L1, 30}}), js,
            rejected(u"Slow down — too many lookups."_s));
        row("400 message kept untrimmed", 400, json({{"error"_L1, u"  spaced out \n"_s}}), js,
            rejected(u"  spaced out \n"_s));
        row("429 as HTML", 429, "<html><body>Too many</body></html>", "text/html", rejected(retryLater));
        row("429 with a non-text error", 429, json({{"error"_L1, 42}}), js, rejected(retryLater));
        row("400 with a JSON array", 400, "[\"error\"]", js, rejected(retryLater));
        row("200 that is not JSON", 200, "<html></html>", "text/html", LookupFailure::decoding());
        row("200 for another account", 200, envelopeBody(sampleCard(), u"user-2"_s, 2), js,
            LookupError::accountChanged());
        LookupPhrase incomplete = sampleCard();
        incomplete.register_ = u"Casual"_s;
        row("200 with an incomplete card", 200, envelopeBody(incomplete, userID), js, LookupError::invalidResponse());
    }

    void lookupAnswers()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentType);
        QFETCH(std::optional<LookupFailure>, failure);
        serve(answer(status, body, contentType));

        Completion outcome(api->lookup(u"less sugar"_s));
        QVERIFY(outcome.wait());

        if (failure) {
            QVERIFY(!outcome.value().ok());
            QCOMPARE(outcome.value().error(), *failure);
        } else {
            QVERIFY(outcome.value().ok());
            QCOMPARE(outcome.value().value(), sampleCard());
        }
        // One request, never a followed redirect, and the answer's cookies
        // went to the session whatever the status.
        QCOMPARE(server->requests().size(), 1);
        QCOMPARE(session.accepted.size(), 1);
        QCOMPARE(session.accepted.first().origin, server->origin());
    }

    void refusalTextIsCutToItsFirst500Characters()
    {
        // Each "é" here is two code units (e + combining acute): the cut
        // counts what the learner sees, not code units.
        QString error;
        for (int i = 0; i < 600; ++i)
            error += u"e\u0301"_s;
        serve(answer(429, json({{"error"_L1, error}})));

        Completion outcome(api->lookup(u"less sugar"_s));
        QVERIFY(outcome.wait());
        QVERIFY(!outcome.value().ok());
        const QString message = outcome.value().error().lookupError()->message();
        QCOMPARE(message.size(), 1000);
        QCOMPARE(message, error.left(1000));
    }

    void saveReceipts_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<std::optional<LookupFailure>>("failure"); // absent: saved as "p-9"

        const auto receipt = [](QJsonValue version, QString userId, QJsonValue id) {
            QJsonObject object{{"version"_L1, version}, {"userId"_L1, userId}};
            if (!id.isUndefined())
                object.insert("id"_L1, id);
            return json(object);
        };
        const auto row = [](const char *name, int status, const QByteArray &body,
                            std::optional<LookupFailure> failure) { QTest::newRow(name) << status << body << failure; };
        const QJsonValue missing(QJsonValue::Undefined);
        row("receipt", 200, receipt(1, userID, u"p-9"_s), std::nullopt);
        row("receipt with 201", 201, receipt(1, userID, u"p-9"_s), std::nullopt);
        row("empty id", 200, receipt(1, userID, u""_s), LookupError::invalidResponse());
        row("version 2", 200, receipt(2, userID, u"p-9"_s), LookupError::invalidResponse());
        row("another account, version 2, empty id", 200, receipt(2, u"user-2"_s, u""_s), LookupError::accountChanged());
        row("id missing", 200, receipt(1, userID, missing), LookupFailure::decoding());
        row("id null", 200, receipt(1, userID, QJsonValue(QJsonValue::Null)), LookupFailure::decoding());
        row("version as text", 200, receipt(u"1"_s, userID, u"p-9"_s), LookupFailure::decoding());
        row("fractional version", 200, receipt(1.5, userID, u"p-9"_s), LookupFailure::decoding());
        row("409", 409, "{}", LookupError::accountChanged());
        row("429 with a message", 429, json({{"error"_L1, u"Daily limit reached."_s}}),
            rejected(u"Daily limit reached."_s));
    }

    void saveReceipts()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(std::optional<LookupFailure>, failure);
        serve(answer(status, body));

        Completion outcome(api->save(sampleCard()));
        QVERIFY(outcome.wait());
        if (failure) {
            QVERIFY(!outcome.value().ok());
            QCOMPARE(outcome.value().error(), *failure);
        } else {
            QVERIFY(outcome.value().ok());
            QCOMPARE(outcome.value().value(), u"p-9"_s);
        }
    }

    void requestsCarryTheAccountTheQueryAndTheCard()
    {
        session.stored.append(QNetworkCookie("auth.session-token", "second"));
        serve(answer(200, envelopeBody(sampleCard(), userID)));
        Completion found(api->lookup(u"  kurang manis "_s));
        QVERIFY(found.wait());
        QVERIFY(found.value().ok());

        LookupPhrase card = sampleCard();
        card.scenario.reset();
        serve(answer(200, json({{"version"_L1, 1}, {"userId"_L1, userID}, {"id"_L1, u"p-1"_s}})));
        Completion saved(api->save(card));
        QVERIFY(saved.wait());
        QVERIFY(saved.value().ok());

        QCOMPARE(server->requests().size(), 2);
        for (const FixtureServer::Request &request : server->requests()) {
            QCOMPARE(request.method, "POST"_ba);
            QCOMPARE(request.header("Cookie"), "auth.session-token=abc123; auth.session-token=second"_ba);
            QCOMPARE(request.header("Content-Type"), "application/json"_ba);
            QCOMPARE(request.header("Accept"), "application/json"_ba);
        }
        QCOMPARE(session.asked, QList<QUrl>({server->origin(), server->origin()}));

        const FixtureServer::Request lookup = server->requests().at(0);
        QCOMPARE(lookup.target, "/api/companion/lookup"_ba);
        // The client sends the query as given; trimming is the model's job.
        QCOMPARE(QJsonDocument::fromJson(lookup.body).object(),
                 QJsonObject({{"expectedUserId"_L1, userID}, {"query"_L1, u"  kurang manis "_s}}));

        const FixtureServer::Request save = server->requests().at(1);
        QCOMPARE(save.target, "/api/companion/phrases"_ba);
        const QJsonObject sent = QJsonDocument::fromJson(save.body).object();
        QCOMPARE(sent.keys(), QStringList({u"expectedUserId"_s, u"phrase"_s}));
        QCOMPARE(sent.value("expectedUserId"_L1).toString(), userID);
        QVERIFY(!sent.value("phrase"_L1).toObject().contains("scenario"_L1));
        QCOMPARE(LookupPhrase::fromJson(sent.value("phrase"_L1)), std::optional(card));
    }

    void withoutACookieNothingIsSent()
    {
        session.stored.clear();
        serve(answer(200, envelopeBody(sampleCard(), userID)));

        Completion found(api->lookup(u"less sugar"_s));
        Completion saved(api->save(sampleCard()));
        QVERIFY(found.wait());
        QVERIFY(saved.wait());
        QCOMPARE(found.value().error(), LookupFailure(LookupError::signedOut()));
        QCOMPARE(saved.value().error(), LookupFailure(LookupError::signedOut()));
        // A client without a session at all is signed out too.
        CompanionPhraseAPI orphan(server->origin(), userID, nullptr);
        Completion orphaned(orphan.lookup(u"less sugar"_s));
        QVERIFY(orphaned.wait());
        QCOMPARE(orphaned.value().error(), LookupFailure(LookupError::signedOut()));

        QTest::qWait(50);
        QVERIFY(server->requests().isEmpty());
        QVERIFY(session.accepted.isEmpty());
    }

    void answerCookiesReachTheSession()
    {
        // A 401 that replaces the session cookie still hands it over before
        // the failure is reported.
        FixtureServer::Response expired = answer(401, "{}");
        expired.headers.append(header("Set-Cookie", "auth.session-token=renewed; Path=/; HttpOnly"));
        expired.headers.append(header("Set-Cookie", "theme=dark; Path=/"));
        serve(expired);

        Completion outcome(api->lookup(u"less sugar"_s));
        QVERIFY(outcome.wait());
        QCOMPARE(outcome.value().error(), LookupFailure(LookupError::signedOut()));
        QCOMPARE(session.accepted.size(), 1);
        QVERIFY(session.accepted.first().header("Set-Cookie").contains("auth.session-token=renewed"));
        QCOMPARE(session.stored.size(), 1);
        QCOMPARE(session.stored.first().value(), "renewed"_ba);
    }

    void bodyLimit_data()
    {
        QTest::addColumn<qsizetype>("size");
        QTest::addColumn<bool>("announced"); // Content-Length sent
        QTest::addColumn<bool>("accepted");  // within the limit

        QTest::newRow("2,000,000 bytes") << qsizetype(2'000'000) << true << true;
        QTest::newRow("2,000,001 bytes") << qsizetype(2'000'001) << true << false;
        QTest::newRow("2,000,000 bytes, no length") << qsizetype(2'000'000) << false << true;
        QTest::newRow("2,000,001 bytes, no length") << qsizetype(2'000'001) << false << false;
    }

    void bodyLimit()
    {
        QFETCH(qsizetype, size);
        QFETCH(bool, announced);
        QFETCH(bool, accepted);
        FixtureServer::Response response = answer(200, QByteArray(size, 'x'));
        response.omitLength = !announced;
        response.headers.append(header("Set-Cookie", "auth.session-token=renewed"));
        serve(response);

        Completion outcome(api->lookup(u"less sugar"_s));
        QVERIFY(outcome.wait(20'000));
        QVERIFY(!outcome.value().ok());
        if (accepted) {
            QCOMPARE(outcome.value().error(), LookupFailure::decoding());
            QCOMPARE(session.accepted.size(), 1);
        } else {
            QCOMPARE(outcome.value().error(), LookupFailure(LookupError::invalidResponse()));
            QVERIFY(session.accepted.isEmpty());
            QCOMPARE(session.stored.first().value(), "abc123"_ba);
        }
    }

    void anOversizedBodyIsRefusedWhileItArrives()
    {
        // The body never ends: only a limit enforced during the transfer
        // ends the request before the 45 s time-out.
        FixtureServer::Response endless = answer(200, QByteArray(3'000'000, 'x'));
        endless.omitLength = true;
        endless.keepOpen = true;
        serve(endless);

        Completion outcome(api->lookup(u"less sugar"_s));
        QVERIFY(outcome.wait(10'000));
        QCOMPARE(outcome.value().error(), LookupFailure(LookupError::invalidResponse()));
        QVERIFY(session.accepted.isEmpty());
    }

    void cancelEndsEveryRequestForGood()
    {
        serveNothing();

        Completion first(api->lookup(u"less sugar"_s));
        Completion second(api->save(sampleCard()));
        QTRY_COMPARE(server->requests().size(), 2);
        QVERIFY(!first.done() && !second.done());

        api->cancel();
        QVERIFY(first.done() && second.done());
        QCOMPARE(first.value().error(), LookupFailure::cancelled());
        QCOMPARE(second.value().error(), LookupFailure::cancelled());
        QVERIFY(!first.value().error().lookupError());
        QVERIFY(session.accepted.isEmpty());

        serve(answer(200, envelopeBody(sampleCard(), userID)));
        Completion later(api->lookup(u"less sugar"_s));
        QVERIFY(later.wait());
        QCOMPARE(later.value().error(), LookupFailure::cancelled());
        QTest::qWait(50);
        QCOMPARE(server->requests().size(), 2);
    }

    void cancelWhileAskingForCookiesSendsNothing()
    {
        session.cookieDelayMs = 100;
        serve(answer(200, envelopeBody(sampleCard(), userID)));

        Completion outcome(api->lookup(u"less sugar"_s));
        api->cancel();
        QVERIFY(outcome.wait());
        QCOMPARE(outcome.value().error(), LookupFailure::cancelled());
        QTest::qWait(100);
        QVERIFY(server->requests().isEmpty());
    }

    void abandonedRequestsLeaveTheClientUsable()
    {
        serveNothing();
        Completion abandoned(api->lookup(u"less sugar"_s));
        QTRY_COMPARE(server->requests().size(), 1);
        api->abandonRequests();
        QVERIFY(abandoned.done());
        QCOMPARE(abandoned.value().error(), LookupFailure::cancelled());

        serve(answer(200, envelopeBody(sampleCard(), userID)));
        Completion next(api->lookup(u"less sugar"_s));
        QVERIFY(next.wait());
        QVERIFY(next.value().ok());
    }

    void destroyingTheClientEndsItsRequests()
    {
        serveNothing();
        Completion outcome(api->lookup(u"less sugar"_s));
        QTRY_COMPARE(server->requests().size(), 1);

        api.reset();
        QVERIFY(outcome.done());
        QCOMPARE(outcome.value().error(), LookupFailure::cancelled());
        QTest::qWait(50); // the deferred clean-up runs without the client
    }

    void noConnectionIsATransportFailure()
    {
        const QUrl closed = server->origin();
        delete server;
        server = nullptr;
        CompanionPhraseAPI offline(closed, userID, &session);

        Completion outcome(offline.lookup(u"less sugar"_s));
        QVERIFY(outcome.wait());
        QCOMPARE(outcome.value().error().kind(), LookupFailure::Kind::transport);
        QCOMPARE(outcome.value().error().networkError(), QNetworkReply::ConnectionRefusedError);
        QVERIFY(session.accepted.isEmpty());
    }
};

QTEST_GUILESS_MAIN(CompanionPhraseAPITest)
#include "tst_companion_phrase_api.moc"
