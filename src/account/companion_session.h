#pragma once

#include "account/cookie_record.h"
#include "account/sign_in_session.h"

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <optional>

class QWebEngineProfile;
class QWebEngineView;
class QWidget;
class SignInPage;
class QWebEngineLoadingInfo;

// The learner signs in to the web app inside a Qt WebEngine view in a small
// window; the web app's session cookie then lives in the engine's persistent
// cookie store and in the session's own record of it. The engine starts only
// when sign-in is first shown: until then the record answers cookies(). The
// program runs it in its sign-in helper process (SignInHelper).
class CompanionSession : public SignInSession {
    Q_OBJECT
public:
    // Keeps its data under the per-user data folder.
    explicit CompanionSession(QObject *parent = nullptr);
    // Keeps its data in `storageFolder` (the engine's profile, its cache and
    // the cookie record).
    CompanionSession(const QString &storageFolder, QObject *parent);
    ~CompanionSession() override;

    static QString defaultStorageFolder();

    void showLogin(const QUrl &origin) override;
    void finishLogin() override;
    QCoro::Task<void> clear() override;
    QCoro::Task<QList<QNetworkCookie>> cookies(QUrl url) override;
    QCoro::Task<void> acceptCookies(QList<QNetworkReply::RawHeaderPair> headers, QUrl origin) override;

    QWidget *window() const { return m_window; }
    QWebEngineView *webView() const { return m_view; }
    QWebEngineProfile *profile() const { return m_profile; }
    bool engineRunning() const { return m_profile != nullptr; }
    // The warning sheet on the sign-in window, if one is showing.
    QMessageBox *sheet() const { return m_sheet; }
    // Its message and informative text on two lines; empty when none shows.
    QString sheetText() const;
    QString storageFolder() const { return m_folder; }
    // How long the sign-in page may take to load; 60 s unless a test needs less.
    void setSignInTimeout(std::chrono::milliseconds timeout) { m_signInTimeout.setInterval(timeout); }
    bool observing() const { return m_observing; }

    bool eventFilter(QObject *watched, QEvent *event) override;

Q_SIGNALS:
    // A link the learner followed leads outside the web app: it belongs in the default browser.
    void openInBrowserRequested(const QUrl &url);
    // The sign-in window went off screen (finishLogin or its close button).
    void windowHidden();

private:
    void windowHid();
    void startEngine();
    void releaseEngine();
    void shutDown();
    void releaseWindow();
    void removeStoredData();
    QString wipeMarkerPath() const;
    void finishInterruptedWipe();
    void buildWindow();
    void discardPage();
    bool decideNavigation(const QUrl &url, bool linkActivated, bool mainFrame);
    void openedInNewWindow(const QUrl &url);
    void loadingChanged(const QWebEngineLoadingInfo &info);
    void signInPageTimedOut();
    void engineCookieChanged(const QNetworkCookie &cookie, bool removed);
    void pushToEngine(const QNetworkCookie &cookie);
    void showSheet(const QString &message, const QString &details);

    QString m_folder;
    CookieRecord m_record;
    std::optional<QUrl> m_origin;
    QWebEngineProfile *m_profile = nullptr;
    QWidget *m_window = nullptr;
    QWebEngineView *m_view = nullptr;
    SignInPage *m_page = nullptr;
    QPointer<QMessageBox> m_sheet;
    bool m_observing = true;
    bool m_clearing = false;
    bool m_showAfterClear = false;
    QTimer m_changeReport;
    QTimer m_signInTimeout;
};
