#include "account/cookie_record.h"

#include "account/account_log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {

QJsonObject toJson(const QNetworkCookie &cookie)
{
    QJsonObject object{
        {"name"_L1, QString::fromLatin1(cookie.name().toBase64())},
        {"value"_L1, QString::fromLatin1(cookie.value().toBase64())},
        {"domain"_L1, cookie.domain()},
        {"path"_L1, cookie.path()},
        {"secure"_L1, cookie.isSecure()},
        {"httpOnly"_L1, cookie.isHttpOnly()},
    };
    if (!cookie.isSessionCookie())
        object.insert("expires"_L1, cookie.expirationDate().toUTC().toString(Qt::ISODateWithMs));
    return object;
}

std::optional<QNetworkCookie> fromJson(const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    if (!object.value("name"_L1).isString() || !object.value("value"_L1).isString()
        || !object.value("domain"_L1).isString())
        return std::nullopt;
    QNetworkCookie cookie(QByteArray::fromBase64(object.value("name"_L1).toString().toLatin1()),
                          QByteArray::fromBase64(object.value("value"_L1).toString().toLatin1()));
    cookie.setDomain(object.value("domain"_L1).toString());
    cookie.setPath(object.value("path"_L1).toString());
    cookie.setSecure(object.value("secure"_L1).toBool());
    cookie.setHttpOnly(object.value("httpOnly"_L1).toBool());
    if (object.contains("expires"_L1)) {
        const QDateTime expires = QDateTime::fromString(object.value("expires"_L1).toString(), Qt::ISODateWithMs);
        if (!expires.isValid())
            return std::nullopt;
        cookie.setExpirationDate(expires);
    }
    return cookie;
}

} // namespace

CookieRecord::CookieRecord(QString filePath) : m_filePath(std::move(filePath)) {}

void CookieRecord::load()
{
    m_cookies.clear();
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QJsonArray entries = QJsonDocument::fromJson(file.readAll()).array();
    for (const QJsonValue &entry : entries) {
        if (const std::optional<QNetworkCookie> cookie = fromJson(entry))
            m_cookies.append(*cookie);
    }
}

void CookieRecord::take(const QNetworkCookie &cookie, const QDateTime &now)
{
    if (!cookie.isSessionCookie() && cookie.expirationDate() <= now)
        drop(cookie);
    else
        put(cookie);
}

void CookieRecord::put(const QNetworkCookie &cookie)
{
    for (QNetworkCookie &stored : m_cookies) {
        if (stored.hasSameIdentifier(cookie)) {
            stored = cookie;
            save();
            return;
        }
    }
    m_cookies.append(cookie);
    save();
}

void CookieRecord::drop(const QNetworkCookie &cookie)
{
    const qsizetype removed =
        m_cookies.removeIf([&](const QNetworkCookie &stored) { return stored.hasSameIdentifier(cookie); });
    if (removed > 0)
        save();
}

void CookieRecord::erase()
{
    m_cookies.clear();
    QFile file(m_filePath);
    if (file.exists() && !file.remove())
        qCWarning(lcSession) << "could not remove the session record" << m_filePath << file.errorString();
}

void CookieRecord::save() const
{
    const QString folder = QFileInfo(m_filePath).absolutePath();
    if (!QDir().mkpath(folder)) {
        qCWarning(lcSession) << "could not create the folder of the session record" << folder;
        return;
    }
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QJsonArray entries;
    for (const QNetworkCookie &cookie : m_cookies)
        entries.append(toJson(cookie));
    // Written beside the old file and renamed over it, so a crash leaves
    // either the old record or the new one, never half of one.
    QSaveFile file(m_filePath);
    if (file.open(QIODevice::WriteOnly)) {
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        file.write(QJsonDocument(entries).toJson(QJsonDocument::Compact));
        if (file.commit())
            return;
    }
    qCWarning(lcSession) << "could not write the session record" << m_filePath << file.errorString();
}
