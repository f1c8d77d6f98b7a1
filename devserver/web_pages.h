#pragma once

#include "database.h"
#include "sessions.h"

class HttpRouter;
class QHttpServerRequest;
struct HttpResponse;

// The pages a learner sees in a browser: home, sign-in, sign-up, the
// signed-in page, the phrasebook and the companion's download page.
class WebPages {
public:
    WebPages(Database &database, Sessions &sessions, QString companionVersion);

    void addRoutes(HttpRouter &router);

private:
    HttpResponse home(const QHttpServerRequest &request) const;
    HttpResponse signInForm(const QHttpServerRequest &request) const;
    HttpResponse signIn(const QHttpServerRequest &request);
    HttpResponse signUpForm(const QHttpServerRequest &request) const;
    HttpResponse signUp(const QHttpServerRequest &request);
    HttpResponse signedIn(const QHttpServerRequest &request) const;
    HttpResponse signOut(const QHttpServerRequest &request);
    HttpResponse phrasebook(const QHttpServerRequest &request) const;
    HttpResponse deletePhrase(const QHttpServerRequest &request);
    HttpResponse download(const QHttpServerRequest &request) const;

    Database &m_database;
    Sessions &m_sessions;
    QString m_companionVersion;
};
