#include "account/session_cookie_rules.h"

using namespace Qt::StringLiterals;

namespace SessionCookieRules {

bool domainMatches(const QString &domain, const QString &host)
{
    const bool wholeDomain = domain.startsWith(u'.');
    const QString bare = wholeDomain ? domain.mid(1) : domain;
    if (host == bare)
        return true;
    return wholeDomain && !bare.isEmpty() && host.endsWith(u'.' + bare);
}

QList<QNetworkCookie> applicable(const QList<QNetworkCookie> &stored, const QUrl &url, const QDateTime &now)
{
    QList<QNetworkCookie> kept;
    for (const QNetworkCookie &cookie : stored) {
        if (cookie.name() != cookieName)
            continue;
        if (!domainMatches(cookie.domain(), url.host()))
            continue;
        if (cookie.isSecure() && url.scheme() != "https"_L1)
            continue;
        if (!cookie.isSessionCookie() && cookie.expirationDate() <= now)
            continue;
        kept.append(cookie);
    }
    return kept;
}

QList<QNetworkCookie> fromAnswer(const QList<QNetworkReply::RawHeaderPair> &headers, const QUrl &origin)
{
    QList<QNetworkCookie> taken;
    for (const auto &[name, value] : headers) {
        if (name.compare("set-cookie", Qt::CaseInsensitive) != 0)
            continue;
        // Qt joins repeated Set-Cookie fields with line breaks; parseCookies splits them.
        const QList<QNetworkCookie> parsed = QNetworkCookie::parseCookies(value);
        for (QNetworkCookie cookie : parsed) {
            if (cookie.name() != cookieName)
                continue;
            cookie.normalize(origin);
            if (domainMatches(cookie.domain(), origin.host()))
                taken.append(cookie);
        }
    }
    return taken;
}

} // namespace SessionCookieRules
