#pragma once

#include "account/session_cookies.h"

#include <QDateTime>
#include <QNetworkCookie>
#include <chrono>
#include <qcoro/qcorotimer.h>

// An in-memory sign-in session for HTTP client tests: hands out the session
// cookie it holds and records every answer handed back to it, keeping the
// session cookie such an answer sets.
class MemorySessionCookies : public SessionCookies {
public:
    struct Accepted {
        QList<QNetworkReply::RawHeaderPair> headers;
        QUrl origin;
        QByteArray header(const QByteArray &name) const
        {
            for (const auto &[key, value] : headers)
                if (key.compare(name, Qt::CaseInsensitive) == 0)
                    return value;
            return {};
        }
    };

    QList<QNetworkCookie> stored;
    QList<Accepted> accepted;
    QList<QUrl> asked;
    int cookieDelayMs = 0; // > 0: cookies() answers only after this wait

    void signIn(const QByteArray &token)
    {
        stored = {QNetworkCookie("auth.session-token", token)};
    }

    QCoro::Task<QList<QNetworkCookie>> cookies(QUrl url) override
    {
        asked.append(url);
        if (cookieDelayMs > 0)
            co_await QCoro::sleepFor(std::chrono::milliseconds(cookieDelayMs));
        // A copy: QCoro 0.8 moves from an lvalue given to co_return.
        co_return QList<QNetworkCookie>(stored);
    }

    QCoro::Task<void> acceptCookies(QList<QNetworkReply::RawHeaderPair> headers, QUrl origin) override
    {
        accepted.append({headers, origin});
        for (const auto &[name, value] : headers) {
            if (name.compare("set-cookie", Qt::CaseInsensitive) != 0)
                continue;
            for (QNetworkCookie cookie : QNetworkCookie::parseCookies(value)) {
                if (cookie.name() != "auth.session-token")
                    continue;
                cookie.normalize(origin);
                stored.removeIf([&](const QNetworkCookie &old) { return old.name() == cookie.name(); });
                if (cookie.isSessionCookie() || cookie.expirationDate() > QDateTime::currentDateTime())
                    stored.append(cookie);
            }
        }
        co_return;
    }
};
