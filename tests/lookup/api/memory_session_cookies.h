#pragma once

#include "account/session_cookies.h"

#include <chrono>
#include <qcoro/qcorotimer.h>

// An in-memory sign-in session for HTTP client tests: hands out the cookies it holds (after cookieDelayMs, if set)
// and records the headers and origin of every answer handed back to it.
class MemorySessionCookies : public SessionCookies {
public:
    QList<QNetworkCookie> stored;
    QList<QPair<QList<QNetworkReply::RawHeaderPair>, QUrl>> accepted;
    int cookieDelayMs = 0;

    void signIn(const QByteArray &token) { stored = {QNetworkCookie("auth.session-token", token)}; }
    QCoro::Task<QList<QNetworkCookie>> cookies(QUrl) override
    {
        if (cookieDelayMs > 0)
            co_await QCoro::sleepFor(std::chrono::milliseconds(cookieDelayMs));
        co_return QList<QNetworkCookie>(stored); // a copy: QCoro 0.8 moves from an lvalue given to co_return
    }
    QCoro::Task<void> acceptCookies(QList<QNetworkReply::RawHeaderPair> headers, QUrl origin) override
    {
        accepted.append({headers, origin});
        co_return;
    }
};
