#pragma once

#include "database.h"

#include <QByteArray>
#include <optional>

class QHttpServerRequest;

// Browser sessions: the "auth.session-token" cookie and its server-side record.
class Sessions {
public:
    static constexpr QByteArrayView cookieName = "auth.session-token";
    static constexpr qint64 lifetimeSeconds = 30 * 24 * 60 * 60;

    explicit Sessions(Database &database) : m_database(database) {}

    // The account of a valid, unexpired session cookie.
    std::optional<Database::Account> account(const QHttpServerRequest &request) const;

    // Starts a session (ending the request's previous one) and returns its Set-Cookie value.
    QByteArray start(const QHttpServerRequest &request, const QString &accountID);

    // Ends the request's session and returns the Set-Cookie value that expires the cookie.
    QByteArray end(const QHttpServerRequest &request);

private:
    Database &m_database;
};
