#include "sessions.h"

#include "credentials.h"
#include "http_exchange.h"

#include <QDateTime>
#include <QHttpServerRequest>
#include <QLocale>

namespace {

QByteArray httpDate(const QDateTime &moment)
{
    return QLocale::c().toString(moment.toUTC(), u"ddd, dd MMM yyyy hh:mm:ss 'GMT'").toLatin1();
}

QByteArray cookieAttributes(const QHttpServerRequest &request)
{
    QByteArray attributes = "; Path=/; HttpOnly; SameSite=Lax";
    if (HttpRequest::isSecure(request))
        attributes += "; Secure";
    return attributes;
}

QByteArray requestToken(const QHttpServerRequest &request)
{
    return HttpRequest::cookie(request, Sessions::cookieName.toByteArray());
}

} // namespace

std::optional<Database::Account> Sessions::account(const QHttpServerRequest &request) const
{
    const QByteArray token = requestToken(request);
    if (token.isEmpty())
        return std::nullopt;
    const std::optional<QString> accountID =
        m_database.sessionAccount(Credentials::hashSessionToken(token), QDateTime::currentSecsSinceEpoch());
    if (!accountID)
        return std::nullopt;
    return m_database.accountByID(*accountID);
}

QByteArray Sessions::start(const QHttpServerRequest &request, const QString &accountID)
{
    const QByteArray previous = requestToken(request);
    if (!previous.isEmpty())
        m_database.deleteSession(Credentials::hashSessionToken(previous));

    const qint64 now = QDateTime::currentSecsSinceEpoch();
    m_database.deleteExpiredSessions(now);
    const QByteArray token = Credentials::newSessionToken();
    if (!m_database.createSession(Credentials::hashSessionToken(token), accountID, now + lifetimeSeconds))
        return {};
    return cookieName.toByteArray() + '=' + token + "; Max-Age=" + QByteArray::number(lifetimeSeconds)
        + "; Expires=" + httpDate(QDateTime::fromSecsSinceEpoch(now + lifetimeSeconds)) + cookieAttributes(request);
}

QByteArray Sessions::end(const QHttpServerRequest &request)
{
    const QByteArray token = requestToken(request);
    if (!token.isEmpty())
        m_database.deleteSession(Credentials::hashSessionToken(token));
    return cookieName.toByteArray() + "=; Max-Age=0; Expires=Thu, 01 Jan 1970 00:00:00 GMT" + cookieAttributes(request);
}
