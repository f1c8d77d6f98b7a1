#pragma once

#include "account/session_cookies.h"

#include <QObject>
#include <QUrl>
#include <qcoro/qcorotask.h>

// What the controller needs of the sign-in session. SignInOnDemand realises it
// for the program (Qt WebEngine in a helper process), CompanionSession inside
// the helper; flow tests use a plain in-memory session.
class SignInSession : public QObject, public SessionCookies {
    Q_OBJECT
public:
    using QObject::QObject;

    // Opens (or re-opens) the sign-in window on origin + "sign-in".
    virtual void showLogin(const QUrl &origin) = 0;
    // Takes the sign-in window off screen, keeping it for reuse.
    virtual void finishLogin() = 0;
    // Closes the sign-in window and removes all stored web data; completes
    // when that is done, whatever fails.
    virtual QCoro::Task<void> clear() = 0;

Q_SIGNALS:
    // The session may have changed (a page finished loading, or 0.4 s after a
    // burst of cookie changes).
    void sessionChanged();
};
