#pragma once

#include "account/sign_in_session.h"

#include <QEventLoop>
#include <QList>
#include <QNetworkCookie>
#include <QObject>
#include <QUrl>

// A sign-in session without a web view, for the controller's flow tests: the
// session cookie lives in memory, and the test decides when a wipe finishes.
class InMemorySession : public QObject, public SignInSession {
    Q_OBJECT
public:
    QCoro::Task<QList<QNetworkCookie>> cookies(QUrl url) override;
    QCoro::Task<void> acceptCookies(QList<QNetworkReply::RawHeaderPair> headers, QUrl origin) override;
    void showLogin(const QUrl &origin) override;
    void finishLogin() override;
    QCoro::Task<void> clear() override;

    // Signs in as the account whose token the fixture web app knows.
    void setToken(const QByteArray &token);

    // While held, clear() waits until releaseClear().
    void holdClear() { m_holdClear = true; }
    void releaseClear();

    QList<QUrl> loginsShown;
    int loginsFinished = 0;
    int clears = 0;
    bool loginWindowOpen = false;

Q_SIGNALS:
    void clearReleased();

private:
    QList<QNetworkCookie> m_cookies;
    bool m_holdClear = false;
};
