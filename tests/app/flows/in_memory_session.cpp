#include "in_memory_session.h"

#include <qcoro/qcorosignal.h>

QCoro::Task<QList<QNetworkCookie>> InMemorySession::cookies(QUrl url)
{
    QList<QNetworkCookie> matching;
    for (const QNetworkCookie &cookie : std::as_const(m_cookies)) {
        if (cookie.domain() == url.host())
            matching.append(cookie);
    }
    co_return matching;
}

QCoro::Task<void> InMemorySession::acceptCookies(QList<QNetworkReply::RawHeaderPair> headers, QUrl origin)
{
    for (const auto &[name, value] : headers) {
        if (name.compare("set-cookie", Qt::CaseInsensitive) != 0)
            continue;
        for (QNetworkCookie cookie : QNetworkCookie::parseCookies(value)) {
            cookie.normalize(origin);
            if (cookie.name() == "auth.session-token") {
                m_cookies.removeIf([&](const QNetworkCookie &old) { return old.name() == cookie.name(); });
                m_cookies.append(cookie);
            }
        }
    }
    co_return;
}

void InMemorySession::showLogin(const QUrl &origin)
{
    loginsShown.append(origin);
    loginWindowOpen = true;
}

void InMemorySession::finishLogin()
{
    ++loginsFinished;
    loginWindowOpen = false;
}

QCoro::Task<void> InMemorySession::clear()
{
    ++clears;
    loginWindowOpen = false;
    m_cookies.clear();
    if (m_holdClear)
        co_await qCoro(this, &InMemorySession::clearReleased);
    co_return;
}

void InMemorySession::setToken(const QByteArray &token)
{
    m_cookies.clear();
    if (token.isEmpty())
        return;
    QNetworkCookie cookie("auth.session-token", token);
    cookie.setDomain(QStringLiteral("127.0.0.1"));
    m_cookies.append(cookie);
}

void InMemorySession::releaseClear()
{
    m_holdClear = false;
    Q_EMIT clearReleased();
}
