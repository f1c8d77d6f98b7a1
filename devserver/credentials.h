#pragma once

#include <QByteArray>
#include <QString>

// Password hashing and session tokens. Passwords are kept only as salted
// PBKDF2 hashes; session tokens only as SHA-256 hashes, so a copy of the
// database lets nobody sign in.
namespace Credentials {

struct PasswordHash {
    QByteArray salt;
    QByteArray hash;
    int iterations = 0;
};

inline constexpr int passwordIterations = 60000;

PasswordHash hashPassword(const QString &password);
bool verifyPassword(const QString &password, const PasswordHash &stored);

// Compares in time that depends only on the lengths, not on where the
// arrays first differ.
bool constantTimeEquals(const QByteArray &a, const QByteArray &b);

// A fresh 256-bit random token, base64url without padding (43 characters).
QByteArray newSessionToken();
QByteArray hashSessionToken(const QByteArray &token);

} // namespace Credentials
