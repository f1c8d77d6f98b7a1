#pragma once

#include "database.h"
#include "lookup_allowance.h"
#include "phrase_collection.h"
#include "sessions.h"

#include <QElapsedTimer>

class HttpRouter;
class QHttpServerRequest;
struct HttpResponse;

// The companion's API: the saved-phrase feed, lookup, save, and the update feed.
class CompanionApi {
public:
    struct UpdateFeed {
        QString version;
        QString url; // empty: this server's own download page
    };

    CompanionApi(Database &database, Sessions &sessions, const PhraseCollection &collection, int lookupsPerMinute,
                 UpdateFeed update);

    void addRoutes(HttpRouter &router);

    static constexpr int pageSize = 50;
    static constexpr qsizetype maxQueryLength = 500; // UTF-16 units

private:
    HttpResponse feedPage(const QHttpServerRequest &request) const;
    HttpResponse lookup(const QHttpServerRequest &request);
    HttpResponse save(const QHttpServerRequest &request);
    HttpResponse updateFeed(const QHttpServerRequest &request) const;

    Database &m_database;
    Sessions &m_sessions;
    const PhraseCollection &m_collection;
    LookupAllowance m_allowance;
    QElapsedTimer m_clock;
    UpdateFeed m_update;
};
