#pragma once

#include "account/cookie_record.h"
#include "account/sign_in_message.h"
#include "account/sign_in_session.h"

#include <chrono>
#include <memory>
#include <optional>

class SignInProcess;

// The program's sign-in session. Qt WebEngine never runs in the companion:
// the sign-in window lives in a helper process (pelora-sign-in) started when
// sign-in is shown or a sign-out must wipe its data, and ended as soon as the
// window closes or the wipe is done, taking the engine's processes and memory
// with it. The session's own cookie record answers cookies() throughout:
// while a helper runs it writes the record and says when it did; otherwise
// the companion does.
class SignInOnDemand : public SignInSession {
    Q_OBJECT
public:
    SignInOnDemand(const QString &storageFolder, const QString &helperProgram, QObject *parent = nullptr);
    ~SignInOnDemand() override;

    // Where the program keeps its sign-in data: the per-user data folder.
    static QString defaultStorageFolder();
    // The helper beside the program (a build tree), else in the program's
    // installed library folder.
    static QString defaultHelperProgram();

    void showLogin(const QUrl &origin) override;
    void finishLogin() override;
    QCoro::Task<void> clear() override;
    QCoro::Task<QList<QNetworkCookie>> cookies(QUrl url) override;
    QCoro::Task<void> acceptCookies(QList<QNetworkReply::RawHeaderPair> headers, QUrl origin) override;

    // The helper's process id while one runs, else 0.
    qint64 helperProcessId() const;
    // How long a sign-out waits for the helper's wipe before ending it.
    void setWipeTimeout(std::chrono::milliseconds timeout) { m_wipeTimeout = timeout; }

Q_SIGNALS:
    // A helper's run ended (closed window, finished wipe, crash, failed start).
    void helperEnded();

private:
    SignInProcess *runningHelper();
    void received(const SignInMessage &message);
    void endHelper();
    void helperGone();
    void takeCookies(const QList<QByteArray> &fields, const QUrl &origin);

    QString m_folder;
    QString m_program;
    CookieRecord m_record;
    std::unique_ptr<SignInProcess> m_helper;
    bool m_helperEnding = false;           // told to quit, not gone yet
    QList<QNetworkCookie> m_recordAtStart; // what the record held when the helper started
    QList<SignInMessage> m_unconfirmed;    // cookies sent to the helper and not yet in the record
    bool m_clearing = false;
    std::optional<QUrl> m_showAfterClear;
    std::optional<QUrl> m_showAfterHelper;
    std::chrono::milliseconds m_wipeTimeout = std::chrono::seconds(20);
};
