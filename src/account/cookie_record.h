#pragma once

#include <QDateTime>
#include <QList>
#include <QNetworkCookie>
#include <QString>

// The session's own copy of its session cookies, kept in one owner-only file
// beside the web engine's data. The engine does not report cookies it loaded
// from an earlier run, so this record is what tells whether the learner is
// signed in, without starting the engine.
class CookieRecord {
public:
    explicit CookieRecord(QString filePath);

    // Reads the file; a missing or unreadable file is an empty record.
    void load();

    const QList<QNetworkCookie> &cookies() const { return m_cookies; }

    // Adds the cookie, replacing one with the same name, domain and path.
    void put(const QNetworkCookie &cookie);
    // Removes the cookie with the same name, domain and path, if any.
    void drop(const QNetworkCookie &cookie);
    // A cookie an answer sets: put, or dropped when its expiry is past at
    // `now` (how a server ends a session).
    void take(const QNetworkCookie &cookie, const QDateTime &now);
    // Forgets every cookie and removes the file.
    void erase();

    QString filePath() const { return m_filePath; }

private:
    void save() const;

    QString m_filePath;
    QList<QNetworkCookie> m_cookies;
};
