#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QWebEnginePage>
#include <chrono>
#include <functional>

// The sign-in window's page: every navigation, and every request for a new
// window, is put to the session's navigation policy.
class SignInPage : public QWebEnginePage {
    Q_OBJECT
public:
    // Answers whether a navigation may go ahead.
    using Decider = std::function<bool(const QUrl &url, bool linkActivated, bool mainFrame)>;
    // Told the address a page wanted to open in a new window.
    using WindowRequest = std::function<void(const QUrl &url)>;

    SignInPage(QWebEngineProfile *profile, Decider decider, WindowRequest windowRequest, QWidget *view);

    bool eventFilter(QObject *watched, QEvent *event) override;

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    // A page asking for a new window right after the learner's click or key
    // press gets a catcher that reports the first address it is sent to; no
    // second window is ever shown.
    QWebEnginePage *createWindow(WebWindowType type) override;

private:
    bool learnerJustActed() const;

    // How long after the learner's click or key press a navigation still
    // counts as theirs.
    static constexpr std::chrono::milliseconds activationWindow{1000};

    QPointer<QWidget> m_view;
    QElapsedTimer m_lastInput;
    Decider m_decider;
    WindowRequest m_windowRequest;
};
