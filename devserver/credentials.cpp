#include "credentials.h"

#include <QCryptographicHash>
#include <QPasswordDigestor>
#include <QRandomGenerator>

namespace Credentials {

namespace {

QByteArray randomBytes(qsizetype count)
{
    QByteArray bytes(count, Qt::Uninitialized);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return bytes;
}

QByteArray derive(const QString &password, const QByteArray &salt, int iterations)
{
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password.toUtf8(), salt, iterations, 32);
}

} // namespace

PasswordHash hashPassword(const QString &password)
{
    PasswordHash result;
    result.salt = randomBytes(16);
    result.iterations = passwordIterations;
    result.hash = derive(password, result.salt, result.iterations);
    return result;
}

bool verifyPassword(const QString &password, const PasswordHash &stored)
{
    if (stored.iterations < 1 || stored.hash.isEmpty())
        return false;
    return constantTimeEquals(derive(password, stored.salt, stored.iterations), stored.hash);
}

bool constantTimeEquals(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

QByteArray newSessionToken()
{
    return randomBytes(32).toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

QByteArray hashSessionToken(const QByteArray &token)
{
    return QCryptographicHash::hash(token, QCryptographicHash::Sha256);
}

} // namespace Credentials
