#pragma once

#include "fixture_server.h"
#include "lookup/api/memory_session_cookies.h"
#include "lookup/companion_phrase_api.h"
#include "lookup/model/sample_card.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
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
        const QList<FixtureServer::Request> &requests = server.requests();
        return int(std::count_if(requests.begin(), requests.end(), isLookup));
    }

    FixtureServer server;
    MemorySessionCookies cookies;
    QString userId = QStringLiteral("user-1");
    LookupPhrase card = sampleCard();
    LookupAnswer lookupAnswer = LookupAnswer::card;
    SaveAnswer saveAnswer = SaveAnswer::saved;

private:
    static bool isLookup(const FixtureServer::Request &request) { return request.target.endsWith("/lookup"); }

    FixtureServer::Response answer(const FixtureServer::Request &request)
    {
        FixtureServer::Response hanging;
        hanging.hang = true;
        if (isLookup(request)) {
            if (lookupAnswer == LookupAnswer::refused)
                return FixtureServer::Response::json(429, R"({"error": "You have used today’s lookups."})");
            return lookupAnswer == LookupAnswer::card ? FixtureServer::Response::json(200, envelopeBody(card, userId))
                   : lookupAnswer == LookupAnswer::hang ? hanging
                                                        : FixtureServer::Response::json(404, "{}");
        }
        if (saveAnswer == SaveAnswer::saved)
            return FixtureServer::Response::json(
                201, QJsonDocument(QJsonObject{{"version", 1}, {"userId", userId}, {"id", "saved-1"}}).toJson());
        return saveAnswer == SaveAnswer::hang ? hanging : FixtureServer::Response::json(500, "{}");
    }
};
