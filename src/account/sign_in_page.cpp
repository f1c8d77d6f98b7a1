#include "account/sign_in_page.h"

#include <QApplication>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

// Stands in for a new window: it never shows anything, reports the address
// the opener wanted and removes itself.
class WindowCatcher : public QWebEnginePage {
public:
    WindowCatcher(QWebEngineProfile *profile, SignInPage::WindowRequest windowRequest, QObject *parent)
        : QWebEnginePage(profile, parent),
          m_windowRequest(std::move(windowRequest))
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame) override
    {
        if (!isMainFrame)
            return false;
        if (!m_done && !url.isEmpty() && url.scheme() != "about"_L1) {
            m_done = true;
            m_windowRequest(url);
            deleteLater();
        }
        return false;
    }

private:
    SignInPage::WindowRequest m_windowRequest;
    bool m_done = false;
};

} // namespace

SignInPage::SignInPage(QWebEngineProfile *profile, Decider decider, WindowRequest windowRequest, QWidget *view)
    : QWebEnginePage(profile, view),
      m_view(view),
      m_decider(std::move(decider)),
      m_windowRequest(std::move(windowRequest))
{
    // The view's input goes to an inner widget the engine creates and
    // replaces at will, so the input is watched on its way through the application.
    qApp->installEventFilter(this);
}

bool SignInPage::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
    case QEvent::KeyPress:
    case QEvent::TouchEnd:
        if (auto *widget = qobject_cast<QWidget *>(watched); widget && m_view && m_view->isAncestorOf(widget))
            m_lastInput.start();
        break;
    default:
        break;
    }
    return false;
}

bool SignInPage::learnerJustActed() const
{
    return m_lastInput.isValid() && std::chrono::milliseconds(m_lastInput.elapsed()) < activationWindow;
}

bool SignInPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    // Qt reports a script's navigation as a link click too; only one that
    // follows the learner's own click or key press counts as activated.
    const bool activated = type == NavigationTypeLinkClicked && learnerJustActed();
    return m_decider(url, activated, isMainFrame);
}

QWebEnginePage *SignInPage::createWindow(WebWindowType)
{
    // A window a script opens on its own is refused without a word; the page
    // sees window.open() fail.
    if (!learnerJustActed())
        return nullptr;
    return new WindowCatcher(profile(), m_windowRequest, this);
}
