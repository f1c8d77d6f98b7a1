// The companion API client against a scripted HTTP server on 127.0.0.1.
#include "fixture_server.h"
#include "lookup/api/memory_session_cookies.h"
#include "lookup/api/task_completion.h"
#include "lookup/companion_phrase_api.h"
#include "lookup/model/sample_card.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <algorithm>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<LookupFailure>)

namespace {

const QString userID = u"user-1"_s;

FixtureServer::Response answer(int status, const QByteArray &body, const QByteArray &contentType = "application/json")
{
    FixtureServer::Response response;
    response.status = status;
    response.body = body;
    if (!contentType.isEmpty())
        response.headers.append({"Content-Type", contentType});
    if (status >= 300 && status < 400)
        response.headers.emplaceBack("Location", "/sign-in");
    return response;
}

QByteArray json(const QJsonObject &object) { return QJsonDocument(object).toJson(QJsonDocument::Compact); }

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

    void answers_data()
    {
        QTest::addColumn<bool>("save");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<std::optional<LookupFailure>>("failure"); // absent: the sample card, or saved as "p-9"

        const auto lookup = [](const char *name, int status, const QByteArray &body, std::optional<LookupFailure> failure,
                               const QByteArray &type = "application/json") {
            QTest::addRow("lookup: %s", name) << false << status << body << type << failure;
        };
        const auto save = [](const char *name, int status, const QByteArray &body, std::optional<LookupFailure> failure) {
            QTest::addRow("save: %s", name) << true << status << body << "application/json"_ba << failure;
        };
        const auto rejected = [](const QString &message) { return LookupFailure(LookupError::rejected(message)); };
        const LookupFailure unreachable = rejected(u"Couldn’t reach Pelora. Check your connection and try again."_s);
        const LookupFailure retryLater = rejected(u"Please try again in a moment."_s);
        const QByteArray card = envelopeBody(sampleCard(), userID);
        QString longError; // each "é" is two code units; the cut counts what the learner sees
        for (int i = 0; i < 600; ++i)
            longError += u"e\u0301"_s;
        LookupPhrase incomplete = sampleCard();
        incomplete.register_ = u"Casual"_s;

        lookup("200 is a card", 200, card, std::nullopt);
        lookup("201 is a card too", 201, card, std::nullopt);
        lookup("204 without a body", 204, "", unreachable, "");
        lookup("302 is not followed", 302, "", unreachable, "text/html");
        lookup("403 is not a sign-out", 403, card, unreachable);
        lookup("500", 500, "oops", unreachable, "text/plain");
        lookup("401 signs out", 401, "{}", LookupError::signedOut());
        lookup("404 has no lookup", 404, "{}", LookupError::unavailable());
        lookup("409 changed account", 409, card, LookupError::accountChanged());
        lookup("429 with the web app's message", 429,
               json({{"error"_L1, u"Slow down — too many lookups."_s}, {"retryAfter"_L1, 30}}),
               rejected(u"Slow down — too many lookups."_s));
        lookup("400 message kept untrimmed", 400, json({{"error"_L1, u"  spaced out \n"_s}}), rejected(u"  spaced out \n"_s));
        lookup("429 message cut to 500 characters", 429, json({{"error"_L1, longError}}), rejected(longError.left(1000)));
        lookup("429 as HTML", 429, "<html><body>Too many</body></html>", retryLater, "text/html");
        lookup("429 with a non-text error", 429, json({{"error"_L1, 42}}), retryLater);
        lookup("400 with a JSON array", 400, "[\"error\"]", retryLater);
        lookup("200 that is not JSON", 200, "<html></html>", LookupFailure::decoding(), "text/html");
        lookup("200 for another account", 200, envelopeBody(sampleCard(), u"user-2"_s, 2), LookupError::accountChanged());
        lookup("200 with an incomplete card", 200, envelopeBody(incomplete, userID), LookupError::invalidResponse());

        const auto receipt = [](QJsonValue version, QString userId, QJsonValue id) {
            QJsonObject object{{"version"_L1, version}, {"userId"_L1, userId}};
            if (!id.isUndefined())
                object.insert("id"_L1, id);
            return json(object);
        };
        save("receipt", 200, receipt(1, userID, u"p-9"_s), std::nullopt);
        save("receipt with 201", 201, receipt(1, userID, u"p-9"_s), std::nullopt);
        save("empty id", 200, receipt(1, userID, u""_s), LookupError::invalidResponse());
        save("version 2", 200, receipt(2, userID, u"p-9"_s), LookupError::invalidResponse());
        save("another account, version 2, empty id", 200, receipt(2, u"user-2"_s, u""_s), LookupError::accountChanged());
        save("id missing", 200, receipt(1, userID, QJsonValue(QJsonValue::Undefined)), LookupFailure::decoding());
        save("id null", 200, receipt(1, userID, QJsonValue(QJsonValue::Null)), LookupFailure::decoding());
        save("version as text", 200, receipt(u"1"_s, userID, u"p-9"_s), LookupFailure::decoding());
        save("fractional version", 200, receipt(1.5, userID, u"p-9"_s), LookupFailure::decoding());
        save("409", 409, "{}", LookupError::accountChanged());
        save("429 with a message", 429, json({{"error"_L1, u"Daily limit reached."_s}}), rejected(u"Daily limit reached."_s));
    }

    void answers()
    {
        QFETCH(bool, save);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentType);
        QFETCH(std::optional<LookupFailure>, failure);
        serve(answer(status, body, contentType));

        if (save) {
            Completion outcome(api->save(sampleCard()));
            QVERIFY(outcome.wait());
            QCOMPARE(outcome.value().ok(), !failure);
            if (failure)
                QCOMPARE(outcome.value().error(), *failure);
            else
                QCOMPARE(outcome.value().value(), u"p-9"_s);
        } else {
            Completion outcome(api->lookup(u"less sugar"_s));
            QVERIFY(outcome.wait());
            QCOMPARE(outcome.value().ok(), !failure);
            if (failure)
                QCOMPARE(outcome.value().error(), *failure);
            else
                QCOMPARE(outcome.value().value(), sampleCard());
        }
        // One request, never a followed redirect, and the answer's cookies
        // went to the session whatever the status.
        QCOMPARE(server->requests().size(), 1);
        QCOMPARE(session.accepted.size(), 1);
        QCOMPARE(session.accepted.first().second, server->origin());
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
        CompanionPhraseAPI orphan(server->origin(), userID, nullptr); // no session at all

        Completion found(api->lookup(u"less sugar"_s));
        Completion saved(api->save(sampleCard()));
        Completion orphaned(orphan.lookup(u"less sugar"_s));
        QVERIFY(found.wait() && saved.wait() && orphaned.wait());
        QCOMPARE(found.value().error(), LookupFailure(LookupError::signedOut()));
        QCOMPARE(saved.value().error(), LookupFailure(LookupError::signedOut()));
        QCOMPARE(orphaned.value().error(), LookupFailure(LookupError::signedOut()));
        QTest::qWait(50);
        QVERIFY(server->requests().isEmpty());
        QVERIFY(session.accepted.isEmpty());
    }

    void a401HandsItsCookiesOverFirst()
    {
        FixtureServer::Response expired = answer(401, "{}");
        expired.headers.emplaceBack("Set-Cookie", "auth.session-token=renewed; Path=/; HttpOnly");
        serve(expired);

        Completion outcome(api->lookup(u"less sugar"_s));
        QVERIFY(outcome.wait());
        QCOMPARE(outcome.value().error(), LookupFailure(LookupError::signedOut()));
        QCOMPARE(session.accepted.size(), 1);
        const auto &headers = session.accepted.first().first;
        QVERIFY(std::any_of(headers.begin(), headers.end(), [](const QNetworkReply::RawHeaderPair &header) {
            return header.first.compare("Set-Cookie", Qt::CaseInsensitive) == 0
                && header.second.contains("auth.session-token=renewed");
        }));
    }

    void bodyLimit_data()
    {
        QTest::addColumn<qsizetype>("size");
        QTest::addColumn<bool>("announced"); // Content-Length sent
        for (const bool announced : {true, false})
            for (const qsizetype size : {2'000'000, 2'000'001})
                QTest::addRow("%lld bytes%s", qlonglong(size), announced ? "" : ", no length") << size << announced;
    }

    void bodyLimit()
    {
        QFETCH(qsizetype, size);
        QFETCH(bool, announced);
        FixtureServer::Response response = answer(200, QByteArray(size, 'x'));
        response.omitLength = !announced;
        response.headers.emplaceBack("Set-Cookie", "auth.session-token=renewed");
        serve(response);

        Completion outcome(api->lookup(u"less sugar"_s));
        QVERIFY(outcome.wait(20'000));
        if (size <= 2'000'000) { // read, then found not to be JSON
            QCOMPARE(outcome.value().error(), LookupFailure::decoding());
            QCOMPARE(session.accepted.size(), 1);
        } else { // refused, cookies and all
            QCOMPARE(outcome.value().error(), LookupFailure(LookupError::invalidResponse()));
            QVERIFY(session.accepted.isEmpty());
        }
    }

    void anEndlessBodyIsRefusedWhileItArrives()
    {
        // Only a limit enforced during the transfer ends this before the 45 s time-out.
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
        QCOMPARE(outcome.value().error(), LookupFailure::transport(QNetworkReply::ConnectionRefusedError));
        QVERIFY(session.accepted.isEmpty());
    }
};

QTEST_GUILESS_MAIN(CompanionPhraseAPITest)
#include "tst_companion_phrase_api.moc"
