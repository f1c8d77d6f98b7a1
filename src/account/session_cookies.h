#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkCookie>
#include <QNetworkReply>
#include <QUrl>
#include <qcoro/qcorotask.h>

// What the HTTP clients need of the sign-in session: the session cookie to
// send to an origin, and a place to hand back cookies an answer sets.
class SessionCookies {
public:
    virtual ~SessionCookies() = default;

    // The "auth.session-token" cookies that apply to `url`; empty means signed out.
    virtual QCoro::Task<QList<QNetworkCookie>> cookies(QUrl url) = 0;

    // Takes the session cookie that an answer from `origin` sets, if any.
    // `headers` are the answer's raw header fields.
    virtual QCoro::Task<void> acceptCookies(QList<QNetworkReply::RawHeaderPair> headers, QUrl origin) = 0;
};

// The Cookie header for a list of cookies: name=value pairs joined by "; ".
QByteArray cookieHeader(const QList<QNetworkCookie> &cookies);
