#pragma once

#include "account/cookie_record.h"
#include "account/sign_in_session.h"

#include <functional>
#include <memory>

// The program's sign-in session. Until sign-in is first shown (or a sign-out,
// or one cut short in an earlier run, needs the web engine's files wiped),
// the session's own cookie record answers on its own; only then is the web
// engine's session made, through `load`, and from that moment every call
// goes to it. A companion that stays
// signed in therefore never loads Qt WebEngine.
class SignInOnDemand : public SignInSession {
public:
    // Makes the web engine's session; null when it cannot (logged by the loader).
    using Loader = std::function<std::unique_ptr<SignInSession>()>;

    SignInOnDemand(const QString &storageFolder, Loader load);
    ~SignInOnDemand() override;

    // Where the program keeps its sign-in data: the per-user data folder.
    static QString defaultStorageFolder();
    // Loads the sign-in plugin beside the program (or in its installed
    // plugin folder) and makes its session for `storageFolder`.
    static Loader pluginLoader(const QString &storageFolder);

    // The file in the storage folder that says a sign-out's wipe has not
    // finished; the engine's session finishes it when it is made.
    static QString wipeMarkerName() { return QStringLiteral("/sign-out-pending"); }

    void showLogin(const QUrl &origin) override;
    void finishLogin() override;
    QCoro::Task<void> clear() override;
    QCoro::Task<QList<QNetworkCookie>> cookies(QUrl url) override;
    QCoro::Task<void> acceptCookies(QList<QNetworkReply::RawHeaderPair> headers, QUrl origin) override;

    // The web engine's session, once made.
    SignInSession *engineSession() const { return m_engine.get(); }

private:
    SignInSession *engine();

    CookieRecord m_record;
    Loader m_load;
    std::unique_ptr<SignInSession> m_engine;
    bool m_loadFailed = false;
};
