#pragma once

#include "fixture_server.h"
#include "library/phrase.h"

#include <QHash>

// A small stand-in for the web app's feed, on the scripted fixture server:
// accounts by session token, their libraries served in pages of 50.
class FeedServer : public FixtureServer {
public:
    FeedServer();

    void setLibrary(const QByteArray &token, const QString &userId, QList<Phrase> phrases);
    void removePhrase(const QByteArray &token, const QString &id);
    void setStatus(int status) { m_forcedStatus = status; } // 0: normal answers
    void setDelay(int ms) { m_delayMs = ms; }
    void setUpdateVersion(const QString &version) { m_updateVersion = version; } // empty: no feed
    int feedRequests() const;

private:
    struct Account {
        QString userId;
        QList<Phrase> phrases;
    };
    Response answer(const Request &request) const;

    QHash<QByteArray, Account> m_accounts;
    int m_forcedStatus = 0;
    int m_delayMs = 0;
    QString m_updateVersion;
};

// "p1", "p2", … with plain texts.
QList<Phrase> samplePhrases(int count, const QString &prefix = QStringLiteral("p"));
