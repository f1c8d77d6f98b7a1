#pragma once

#include "credentials.h"
#include "library/phrase.h"

#include <QList>
#include <QString>
#include <optional>

// The web app's data in one SQLite file: accounts, sessions and each
// account's saved phrases. Every write is one statement or one transaction,
// so an interrupted request leaves the data as it was.
class Database {
public:
    struct Account {
        QString id;
        QString email;
        Credentials::PasswordHash password;
    };

    struct SavedPhrase {
        qint64 sequence = 0; // grows with every save; orders the library newest first
        Phrase phrase;
    };

    Database();
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    bool open(const QString &filePath, QString *error);

    std::optional<Account> accountByEmail(const QString &email) const;
    std::optional<Account> accountByID(const QString &id) const;
    bool createAccount(const Account &account);

    bool createSession(const QByteArray &tokenHash, const QString &accountID, qint64 expiresAt);
    std::optional<QString> sessionAccount(const QByteArray &tokenHash, qint64 now) const;
    void deleteSession(const QByteArray &tokenHash);
    void deleteExpiredSessions(qint64 now);

    // Newest first; `before` continues after the phrase with that sequence.
    QList<SavedPhrase> phrases(const QString &accountID, std::optional<qint64> before, int limit) const;
    int phraseCount(const QString &accountID) const;
    std::optional<QString> phraseIDForKey(const QString &accountID, const QString &malayKey) const;
    // The id of the stored phrase: the new one, or the one already saved under the same key.
    std::optional<QString> insertPhrase(const QString &accountID, const Phrase &phrase, const QString &malayKey);
    bool deletePhrase(const QString &accountID, const QString &phraseID);

private:
    QString m_connection;
};
