#pragma once

#include <QDateTime>
#include <QList>
#include <QNetworkCookie>
#include <QNetworkReply>
#include <QUrl>

// Which session cookies apply where, and which ones an HTTP answer may set.
namespace SessionCookieRules {

inline const QByteArray cookieName = QByteArrayLiteral("auth.session-token");

// Whether a cookie stored for `domain` ("example.org" for one host only,
// ".example.org" for the domain and its sub-domains) is sent to `host`.
bool domainMatches(const QString &domain, const QString &host);

// The session cookies of `stored` that apply to `url` at `now`, in order:
// the session name only, a matching domain, secure ones only over https,
// and none that has expired.
QList<QNetworkCookie> applicable(const QList<QNetworkCookie> &stored, const QUrl &url, const QDateTime &now);

// The session cookies that the Set-Cookie fields of an answer from `origin`
// set, the domain defaulting to the origin's host. A cookie naming a domain
// the origin does not belong to is refused, as a browser would.
QList<QNetworkCookie> fromAnswer(const QList<QNetworkReply::RawHeaderPair> &headers, const QUrl &origin);

} // namespace SessionCookieRules
