#pragma once

#include "account/sign_in_message.h"

#include <QLocalSocket>
#include <QObject>
#include <memory>
#include <qcoro/qcorotask.h>

class CompanionSession;

// The sign-in helper process's side: runs the web engine's session for the
// companion, which talks to it over the connected socket it was started with
// (SignInProcess). The helper ends, persisting the engine's data, when told
// to, when the companion goes away, or when the companion sends anything
// malformed.
class SignInHelper : public QObject {
    Q_OBJECT
public:
    SignInHelper(const QString &storageFolder, qintptr channel);
    ~SignInHelper() override;

    // Sends `message` to the companion.
    void send(const SignInMessage &message);

Q_SIGNALS:
    // The session is gone and its last words are sent: the process may exit.
    void finished();

private:
    void readMessages();
    void handle(const SignInMessage &message);
    QCoro::Task<void> acceptCookies(SignInMessage message);
    QCoro::Task<void> clearSession();
    void end();

    std::unique_ptr<CompanionSession> m_session;
    QLocalSocket m_channel;
    SignInMessageReader m_reader;
    quint32 m_read = 0;
    bool m_ending = false;
};
