#include "database.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

QString toJsonText(const QJsonArray &array)
{
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

QJsonObject wrap(const QString &text)
{
    return QJsonObject{{"list"_L1, QJsonDocument::fromJson(text.toUtf8()).array()}};
}

Phrase readPhrase(const QSqlQuery &query)
{
    Phrase phrase;
    phrase.id = query.value(1).toString();
    phrase.malay = query.value(2).toString();
    phrase.english = query.value(3).toString();
    phrase.category = query.value(4).toString();
    phrase.context = query.value(5).toString();
    // The lists were written by this program; a damaged row yields empty lists, not a crash.
    PhraseJson::readWords(wrap(query.value(6).toString()), "list"_L1, phrase.words);
    PhraseJson::readStringList(wrap(query.value(7).toString()), "list"_L1, phrase.notes);
    PhraseJson::readExamples(wrap(query.value(8).toString()), "list"_L1, phrase.usageExamples);
    return phrase;
}

std::optional<Database::Account> readAccount(QSqlQuery &query)
{
    if (!query.next())
        return std::nullopt;
    Database::Account account;
    account.id = query.value(0).toString();
    account.email = query.value(1).toString();
    account.password.salt = query.value(2).toByteArray();
    account.password.hash = query.value(3).toByteArray();
    account.password.iterations = query.value(4).toInt();
    return account;
}

} // namespace

Database::Database() : m_connection(u"devserver-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces)) {}

Database::~Database()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

bool Database::open(const QString &filePath, QString *error)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connection);
    db.setDatabaseName(filePath);
    db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=5000"_s);
    if (!db.open()) {
        *error = db.lastError().text();
        return false;
    }
    QFile::setPermissions(filePath, QFile::ReadOwner | QFile::WriteOwner);

    const QStringList schema = {
        u"PRAGMA journal_mode = WAL"_s,
        // With the write-ahead log this still never corrupts the file; a power
        // cut may only lose the last moments of saves.
        u"PRAGMA synchronous = NORMAL"_s,
        u"PRAGMA foreign_keys = ON"_s,
        u"CREATE TABLE IF NOT EXISTS accounts ("
        " id TEXT PRIMARY KEY, email TEXT NOT NULL UNIQUE COLLATE NOCASE,"
        " salt BLOB NOT NULL, password_hash BLOB NOT NULL, iterations INTEGER NOT NULL,"
        " created_at INTEGER NOT NULL)"_s,
        u"CREATE TABLE IF NOT EXISTS sessions ("
        " token_hash BLOB PRIMARY KEY,"
        " account_id TEXT NOT NULL REFERENCES accounts(id) ON DELETE CASCADE,"
        " expires_at INTEGER NOT NULL)"_s,
        u"CREATE TABLE IF NOT EXISTS phrases ("
        " sequence INTEGER PRIMARY KEY AUTOINCREMENT, id TEXT NOT NULL UNIQUE,"
        " account_id TEXT NOT NULL REFERENCES accounts(id) ON DELETE CASCADE,"
        " malay_key TEXT NOT NULL, malay TEXT NOT NULL, english TEXT NOT NULL, category TEXT NOT NULL,"
        " context TEXT NOT NULL, words TEXT NOT NULL, notes TEXT NOT NULL, examples TEXT NOT NULL,"
        " created_at INTEGER NOT NULL, UNIQUE (account_id, malay_key))"_s,
        u"CREATE INDEX IF NOT EXISTS phrases_by_account ON phrases (account_id, sequence)"_s,
    };
    for (const QString &statement : schema) {
        QSqlQuery query(db);
        if (!query.exec(statement)) {
            *error = query.lastError().text();
            return false;
        }
    }
    return true;
}

std::optional<Database::Account> Database::accountByEmail(const QString &email) const
{
    QSqlQuery query(QSqlDatabase::database(m_connection));
    query.prepare(u"SELECT id, email, salt, password_hash, iterations FROM accounts WHERE email = ?"_s);
    query.addBindValue(email);
    if (!query.exec())
        return std::nullopt;
    return readAccount(query);
}

std::optional<Database::Account> Database::accountByID(const QString &id) const
{
    QSqlQuery query(QSqlDatabase::database(m_connection));
    query.prepare(u"SELECT id, email, salt, password_hash, iterations FROM accounts WHERE id = ?"_s);
    query.addBindValue(id);
    if (!query.exec())
        return std::nullopt;
    return readAccount(query);
}

bool Database::createAccount(const Account &account)
{
    QSqlQuery query(QSqlDatabase::database(m_connection));
    query.prepare(u"INSERT INTO accounts (id, email, salt, password_hash, iterations, created_at)"
                  " VALUES (?, ?, ?, ?, ?, ?)"_s);
    query.addBindValue(account.id);
    query.addBindValue(account.email);
    query.addBindValue(account.password.salt);
    query.addBindValue(account.password.hash);
    query.addBindValue(account.password.iterations);
    query.addBindValue(QDateTime::currentSecsSinceEpoch());
    return query.exec();
}

bool Database::createSession(const QByteArray &tokenHash, const QString &accountID, qint64 expiresAt)
{
    QSqlQuery query(QSqlDatabase::database(m_connection));
    query.prepare(u"INSERT INTO sessions (token_hash, account_id, expires_at) VALUES (?, ?, ?)"_s);
    query.addBindValue(tokenHash);
    query.addBindValue(accountID);
    query.addBindValue(expiresAt);
    return query.exec();
}

std::optional<QString> Database::sessionAccount(const QByteArray &tokenHash, qint64 now) const
{
    QSqlQuery query(QSqlDatabase::database(m_connection));
    query.prepare(u"SELECT account_id FROM sessions WHERE token_hash = ? AND expires_at > ?"_s);
    query.addBindValue(tokenHash);
    query.addBindValue(now);
    if (!query.exec() || !query.next())
        return std::nullopt;
    return query.value(0).toString();
}

void Database::deleteSession(const QByteArray &tokenHash)
{
    QSqlQuery query(QSqlDatabase::database(m_connection));
    query.prepare(u"DELETE FROM sessions WHERE token_hash = ?"_s);
    query.addBindValue(tokenHash);
    query.exec();
}

void Database::deleteExpiredSessions(qint64 now)
{
    QSqlQuery query(QSqlDatabase::database(m_connection));
    query.prepare(u"DELETE FROM sessions WHERE expires_at <= ?"_s);
    query.addBindValue(now);
    query.exec();
}

QList<Database::SavedPhrase> Database::phrases(const QString &accountID, std::optional<qint64> before, int limit) const
{
    QSqlQuery query(QSqlDatabase::database(m_connection));
    query.setForwardOnly(true);
    query.prepare(u"SELECT sequence, id, malay, english, category, context, words, notes, examples"
                  " FROM phrases WHERE account_id = ? AND sequence < ? ORDER BY sequence DESC LIMIT ?"_s);
    query.addBindValue(accountID);
    query.addBindValue(before.value_or(std::numeric_limits<qint64>::max()));
    query.addBindValue(limit);
    QList<SavedPhrase> result;
    if (!query.exec())
        return result;
    while (query.next())
        result.append(SavedPhrase{query.value(0).toLongLong(), readPhrase(query)});
    return result;
}

int Database::phraseCount(const QString &accountID) const
{
    QSqlQuery query(QSqlDatabase::database(m_connection));
    query.prepare(u"SELECT COUNT(*) FROM phrases WHERE account_id = ?"_s);
    query.addBindValue(accountID);
    if (!query.exec() || !query.next())
        return 0;
    return query.value(0).toInt();
}

std::optional<QString> Database::phraseIDForKey(const QString &accountID, const QString &malayKey) const
{
    QSqlQuery query(QSqlDatabase::database(m_connection));
    query.prepare(u"SELECT id FROM phrases WHERE account_id = ? AND malay_key = ?"_s);
    query.addBindValue(accountID);
    query.addBindValue(malayKey);
    if (!query.exec() || !query.next())
        return std::nullopt;
    return query.value(0).toString();
}

std::optional<QString> Database::insertPhrase(const QString &accountID, const Phrase &phrase, const QString &malayKey)
{
    QSqlQuery query(QSqlDatabase::database(m_connection));
    // The unique key makes a repeated save a no-op; the id is then read back.
    query.prepare(u"INSERT INTO phrases (id, account_id, malay_key, malay, english, category, context,"
                  " words, notes, examples, created_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
                  " ON CONFLICT (account_id, malay_key) DO NOTHING"_s);
    query.addBindValue(phrase.id);
    query.addBindValue(accountID);
    query.addBindValue(malayKey);
    query.addBindValue(phrase.malay);
    query.addBindValue(phrase.english);
    query.addBindValue(phrase.category);
    query.addBindValue(phrase.context);
    query.addBindValue(toJsonText(PhraseJson::writeWords(phrase.words)));
    query.addBindValue(toJsonText(QJsonArray::fromStringList(phrase.notes)));
    query.addBindValue(toJsonText(PhraseJson::writeExamples(phrase.usageExamples)));
    query.addBindValue(QDateTime::currentSecsSinceEpoch());
    if (!query.exec())
        return std::nullopt;
    return phraseIDForKey(accountID, malayKey);
}

bool Database::deletePhrase(const QString &accountID, const QString &phraseID)
{
    QSqlQuery query(QSqlDatabase::database(m_connection));
    query.prepare(u"DELETE FROM phrases WHERE account_id = ? AND id = ?"_s);
    query.addBindValue(accountID);
    query.addBindValue(phraseID);
    return query.exec() && query.numRowsAffected() > 0;
}
