#pragma once

#include "lookup/api/memory_session_cookies.h"
#include "lookup/companion_phrase_api.h"
#include "lookup/model/sample_card.h"
#include "fixture_server.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <memory>

// A stand-in for the web app's companion API on 127.0.0.1, scripted per
// test: how it answers a lookup and how it answers a save. Clients made by
// client() talk real HTTP to it with a signed-in session cookie.
class LookupWebApp {
public:
    enum class LookupAnswer { card, hang, notAvailable, refused };
    enum class SaveAnswer { saved, hang, failure };

    LookupWebApp()
    {
        server.listen();
        cookies.signIn("session-token");
        server.setHandler([this](const FixtureServer::Request &request) { return answer(request); });
    }

    std::unique_ptr<PhraseLookupAPI> client()
    {
        return std::make_unique<CompanionPhraseAPI>(server.origin(), userId, &cookies);
    }

    int lookups() const
    {
        int count = 0;
        for (const FixtureServer::Request &request : server.requests())
            count += request.target.endsWith("/lookup") ? 1 : 0;
        return count;
    }

    FixtureServer server;
    MemorySessionCookies cookies;
    QString userId = QStringLiteral("user-1");
    LookupPhrase card = sampleCard();
    LookupAnswer lookupAnswer = LookupAnswer::card;
    SaveAnswer saveAnswer = SaveAnswer::saved;

private:
    static FixtureServer::Response hanging()
    {
        FixtureServer::Response response;
        response.hang = true;
        return response;
    }

    FixtureServer::Response answer(const FixtureServer::Request &request)
    {
        if (request.target.endsWith("/lookup")) {
            switch (lookupAnswer) {
            case LookupAnswer::card:
                return FixtureServer::Response::json(200, envelopeBody(card, userId));
            case LookupAnswer::hang:
                return hanging();
            case LookupAnswer::notAvailable:
                return FixtureServer::Response::json(404, "{}");
            case LookupAnswer::refused:
                return FixtureServer::Response::json(429, R"({"error": "You have used today’s lookups."})");
            }
        }
        if (saveAnswer == SaveAnswer::saved)
            return FixtureServer::Response::json(
                201, QJsonDocument(QJsonObject{{"version", 1}, {"userId", userId}, {"id", "saved-1"}}).toJson());
        return saveAnswer == SaveAnswer::hang ? hanging() : FixtureServer::Response::json(500, "{}");
    }
};
