#pragma once

#include "fixture_server.h"
#include "lookup/api/memory_session_cookies.h"
#include "lookup/companion_phrase_api.h"
#include "lookup/model/sample_card.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <memory>

using namespace Qt::StringLiterals;

// A stand-in for the web app's companion API on 127.0.0.1, scripted per test:
// how it answers a lookup and a save. client() talks real HTTP to it, signed in.
class LookupWebApp {
public:
    enum class LookupAnswer { card, hang, notAvailable, refused };
    enum class SaveAnswer { saved, hang, failure };

    LookupWebApp()
    {
        server.listen();
        cookies.signIn("session-token"_ba);
        server.setHandler([this](const FixtureServer::Request &request) {
            using Response = FixtureServer::Response;
            Response hanging;
            hanging.hang = true;
            const QJsonObject saved{{"version"_L1, 1}, {"userId"_L1, userID}, {"id"_L1, u"saved-1"_s}};
            const QJsonObject refused{{"error"_L1, refusal}};
            if (!request.target.endsWith("/lookup"))
                return saveAnswer == SaveAnswer::hang   ? hanging
                    : saveAnswer == SaveAnswer::failure ? Response::json(500, "{}"_ba)
                                                        : Response::json(201, QJsonDocument(saved).toJson());
            return lookupAnswer == LookupAnswer::hang   ? hanging
                : lookupAnswer == LookupAnswer::card    ? Response::json(200, envelopeBody(card, userID))
                : lookupAnswer == LookupAnswer::refused ? Response::json(429, QJsonDocument(refused).toJson())
                                                        : Response::json(404, "{}"_ba);
        });
    }
    std::unique_ptr<PhraseLookupAPI> client()
    {
        return std::make_unique<CompanionPhraseAPI>(server.origin(), userID, &cookies);
    }
    int lookups() const
    {
        const auto &requests = server.requests();
        return int(std::count_if(requests.begin(), requests.end(),
                                 [](const auto &r) { return r.target.endsWith("/lookup"); }));
    }

    FixtureServer server;
    MemorySessionCookies cookies;
    QString userID = u"user-1"_s;
    LookupPhrase card = sampleCard();
    QString refusal = u"You have used today’s lookups."_s;
    LookupAnswer lookupAnswer = LookupAnswer::card;
    SaveAnswer saveAnswer = SaveAnswer::saved;
};
