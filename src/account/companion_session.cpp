#include "account/companion_session.h"

#include "account/account_log.h"
#include "account/navigation_policy.h"
#include "account/session_cookie_rules.h"
#include "account/sign_in_page.h"
#include "account/sign_in_storage.h"
#include "account/web_address.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QVBoxLayout>
#include <QWebEngineCookieStore>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <QWidget>
#include <qcoro/qcorotimer.h>

using namespace Qt::StringLiterals;

using namespace std::chrono_literals;

namespace {

constexpr auto changeReportDelay = 400ms;
constexpr auto signInPageTimeout = 60s;
constexpr QSize windowSize(480, 680);
constexpr QSize minimumWindowSize(400, 520);
// Chromium's net::ERR_ABORTED: a load that was stopped or replaced, not a failure.
constexpr int loadAborted = -3;

const QString windowTitle = u"Sign in to Pelora"_s;
const QString redirectMessage = u"Sign-in redirected to a different address"_s;
const QString unreachableMessage = u"Couldn\u2019t reach Pelora"_s;
const QString unreachableAdvice =
    u"Check your connection and the web app address in the menu bar, then try signing in again. "_s;

QString redirectDetails(const QUrl &url)
{
    return u"The web app redirected to "_s + NavigationPolicy::redirectHost(url)
        + u". Set the final web app address in the companion menu and try again."_s;
}

} // namespace

CompanionSession::CompanionSession(QObject *parent) : CompanionSession(defaultStorageFolder(), parent) {}

CompanionSession::CompanionSession(const QString &storageFolder, QObject *parent)
    : SignInSession(parent),
      m_folder(storageFolder),
      m_record(SignInStorage::recordPath(storageFolder))
{
    finishInterruptedWipe();
    m_record.load();

    m_changeReport.setSingleShot(true);
    m_changeReport.setTimerType(Qt::PreciseTimer); // a coarse timer may fire 5 % early
    m_changeReport.setInterval(changeReportDelay);
    connect(&m_changeReport, &QTimer::timeout, this, &SignInSession::sessionChanged);
    m_signInTimeout.setSingleShot(true);
    m_signInTimeout.setInterval(signInPageTimeout);
    connect(&m_signInTimeout, &QTimer::timeout, this, &CompanionSession::signInPageTimedOut);

    // The engine writes its cookies to disk only when the profile is
    // destroyed, and it must be destroyed while the application still runs.
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &CompanionSession::shutDown);
}

CompanionSession::~CompanionSession()
{
    shutDown();
}

void CompanionSession::shutDown()
{
    releaseEngine();
    // A quit in the middle of a sign-out removes what it can now; the next
    // launch removes whatever the engine still writes after this.
    if (m_clearing)
        removeStoredData();
}

QString CompanionSession::defaultStorageFolder()
{
    return SignInStorage::defaultFolder();
}

void CompanionSession::startEngine()
{
    if (m_profile)
        return;
    SignInStorage::makeOwnerOnlyFolder(m_folder);
    m_profile = new QWebEngineProfile(u"sign-in"_s);
    m_profile->setPersistentStoragePath(m_folder + u"/engine"_s);
    m_profile->setCachePath(m_folder + u"/cache"_s);
    // The session cookie keeps the learner signed in across launches even
    // when the web app sets it without an expiry.
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);
    m_profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);

    QWebEngineCookieStore *store = m_profile->cookieStore();
    connect(store, &QWebEngineCookieStore::cookieAdded, this,
            [this](const QNetworkCookie &cookie) { engineCookieChanged(cookie, false); });
    connect(store, &QWebEngineCookieStore::cookieRemoved, this,
            [this](const QNetworkCookie &cookie) { engineCookieChanged(cookie, true); });
    // Cookies taken from API answers while the engine was not running are
    // only in the record; the engine gets them now.
    for (const QNetworkCookie &cookie : m_record.cookies())
        pushToEngine(cookie);
}

void CompanionSession::releaseWindow()
{
    m_signInTimeout.stop();
    if (m_page) {
        m_page->disconnect(this);
        m_page->triggerAction(QWebEnginePage::Stop);
    }
    delete m_window; // takes the view, its page and any sheet with it
    m_window = nullptr;
    m_view = nullptr;
    m_page = nullptr;
}

void CompanionSession::releaseEngine()
{
    releaseWindow();
    delete m_profile;
    m_profile = nullptr;
}

void CompanionSession::buildWindow()
{
    m_window = new QWidget(nullptr,
                           Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                               | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    m_window->setWindowTitle(windowTitle);
    m_window->installEventFilter(this); // hidden (by finishLogin or its close button): the page is discarded
    m_window->setMinimumSize(minimumWindowSize);
    m_window->resize(windowSize);

    m_view = new QWebEngineView(m_window);
    m_page = new SignInPage(
        m_profile,
        [this](const QUrl &url, bool linkActivated, bool mainFrame) {
            return decideNavigation(url, linkActivated, mainFrame);
        },
        [this](const QUrl &url) { openedInNewWindow(url); }, m_view);
    m_view->setPage(m_page);
    connect(m_page, &QWebEnginePage::loadingChanged, this, &CompanionSession::loadingChanged);

    auto *layout = new QVBoxLayout(m_window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);

    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        m_window->move(area.center() - QPoint(windowSize.width() / 2, windowSize.height() / 2));
    }
}

void CompanionSession::showLogin(const QUrl &origin)
{
    m_origin = origin;
    if (m_clearing) {
        m_showAfterClear = true;
        return;
    }
    startEngine();
    if (!m_window)
        buildWindow();
    // A page discarded while the window was hidden comes back to life for the load.
    if (m_page->lifecycleState() != QWebEnginePage::LifecycleState::Active)
        m_page->setLifecycleState(QWebEnginePage::LifecycleState::Active);
    m_page->load(WebAddress::appending(origin, u"sign-in"_s));
    m_signInTimeout.start();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

bool CompanionSession::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Hide)
        QMetaObject::invokeMethod(this, &CompanionSession::windowHid, Qt::QueuedConnection);
    return false;
}

// A hide the window system reports for a minimised window leaves it visible.
void CompanionSession::windowHid()
{
    if (!m_window || m_window->isVisible())
        return;
    discardPage();
    Q_EMIT windowHidden();
}

// A hidden sign-in window needs no page: discarding it ends the engine's
// renderer process. The window, the profile with its cookies and the
// session's record stay; the next showLogin loads the page again.
void CompanionSession::discardPage()
{
    if (!m_page || !m_window || m_window->isVisible()
        || m_page->lifecycleState() == QWebEnginePage::LifecycleState::Discarded)
        return;
    m_signInTimeout.stop();
    m_page->setLifecycleState(QWebEnginePage::LifecycleState::Discarded);
}

void CompanionSession::finishLogin()
{
    if (m_window)
        m_window->hide();
}

QString CompanionSession::sheetText() const
{
    if (!m_sheet)
        return {};
    return m_sheet->text() + u'\n' + m_sheet->informativeText();
}

bool CompanionSession::decideNavigation(const QUrl &url, bool linkActivated, bool mainFrame)
{
    // Reactions run after the engine's callback has returned, so that a
    // reaction that tears the page down never does so under the engine's feet.
    switch (NavigationPolicy::decide(url, m_origin, linkActivated, mainFrame)) {
    case NavigationPolicy::Action::allow:
        return true;
    case NavigationPolicy::Action::openInBrowser:
        QMetaObject::invokeMethod(
            this, [this, url] { Q_EMIT openInBrowserRequested(url); }, Qt::QueuedConnection);
        return false;
    case NavigationPolicy::Action::warnRedirect:
        qCWarning(lcSession) << "sign-in page tried to leave the web app for" << NavigationPolicy::redirectHost(url);
        QMetaObject::invokeMethod(
            this, [this, url] { showSheet(redirectMessage, redirectDetails(url)); }, Qt::QueuedConnection);
        return false;
    case NavigationPolicy::Action::cancelQuietly:
        return false;
    }
    return false;
}

void CompanionSession::openedInNewWindow(const QUrl &url)
{
    // A new window is treated like a link the learner activated; one on the
    // web app's own origin opens in the sign-in window itself.
    switch (NavigationPolicy::decide(url, m_origin, true, false)) {
    case NavigationPolicy::Action::allow:
        if (m_page)
            m_page->load(url);
        break;
    case NavigationPolicy::Action::openInBrowser:
        Q_EMIT openInBrowserRequested(url);
        break;
    case NavigationPolicy::Action::warnRedirect:
    case NavigationPolicy::Action::cancelQuietly:
        break;
    }
}

void CompanionSession::loadingChanged(const QWebEngineLoadingInfo &info)
{
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        return;
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        m_signInTimeout.stop();
        return;
    case QWebEngineLoadingInfo::LoadSucceededStatus:
        m_signInTimeout.stop();
        break;
    case QWebEngineLoadingInfo::LoadFailedStatus:
        m_signInTimeout.stop();
        if (info.errorCode() == loadAborted)
            return;
        // The web app answered with an error status: a page did load.
        if (info.errorDomain() != QWebEngineLoadingInfo::HttpStatusCodeDomain) {
            // The host only: a page address may carry a one-time code.
            qCWarning(lcSession) << "sign-in page failed to load from" << info.url().host() << info.errorCode()
                                 << info.errorString();
            showSheet(unreachableMessage, unreachableAdvice + info.errorString());
            return;
        }
        break;
    }
    QMetaObject::invokeMethod(this, &SignInSession::sessionChanged, Qt::QueuedConnection);
}

void CompanionSession::signInPageTimedOut()
{
    qCWarning(lcSession) << "sign-in page did not load within" << m_signInTimeout.interval() << "ms";
    if (m_page)
        m_page->triggerAction(QWebEnginePage::Stop);
    showSheet(unreachableMessage, unreachableAdvice + u"The request timed out."_s);
}

void CompanionSession::showSheet(const QString &message, const QString &details)
{
    if (!m_window || m_sheet)
        return;
    auto *box = new QMessageBox(QMessageBox::Warning, windowTitle, message, QMessageBox::Ok, m_window);
    box->setInformativeText(details);
    // The details hold the engine's error text and a host from the page:
    // shown as typed, never read as markup.
    for (QLabel *label : box->findChildren<QLabel *>())
        label->setTextFormat(Qt::PlainText);
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    m_sheet = box;
    box->open();
}

void CompanionSession::engineCookieChanged(const QNetworkCookie &cookie, bool removed)
{
    // During a sign-out nothing the engine still reports may bring the session back.
    if (cookie.name() == SessionCookieRules::cookieName && !m_clearing) {
        if (removed)
            m_record.drop(cookie);
        else
            m_record.put(cookie);
    }
    // A burst of changes is reported once, a moment after the last of them.
    if (m_observing)
        m_changeReport.start();
}

void CompanionSession::pushToEngine(const QNetworkCookie &cookie)
{
    // A cookie for one host only has a domain without a leading dot; the
    // engine keeps it that way only when it learns the host from the origin.
    QNetworkCookie copy = cookie;
    const QString domain = cookie.domain();
    const bool wholeDomain = domain.startsWith(u'.');
    QUrl origin;
    origin.setScheme(cookie.isSecure() ? u"https"_s : u"http"_s);
    origin.setHost(wholeDomain ? domain.mid(1) : domain);
    if (!wholeDomain)
        copy.setDomain(QString());
    m_profile->cookieStore()->setCookie(copy, origin);
}

QCoro::Task<QList<QNetworkCookie>> CompanionSession::cookies(QUrl url)
{
    co_return SessionCookieRules::applicable(m_record.cookies(), url, QDateTime::currentDateTimeUtc());
}

QCoro::Task<void> CompanionSession::acceptCookies(QList<QNetworkReply::RawHeaderPair> headers, QUrl origin)
{
    if (m_clearing) // an answer that arrives during a sign-out is too late to sign anyone in
        co_return;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const QNetworkCookie &cookie : SessionCookieRules::fromAnswer(headers, origin)) {
        m_record.take(cookie, now);
        if (m_profile)
            pushToEngine(cookie);
    }
    co_return;
}

void CompanionSession::removeStoredData()
{
    SignInStorage::removeEngineData(m_folder);
    m_record.erase();
}

QString CompanionSession::wipeMarkerPath() const
{
    return SignInStorage::wipeMarkerPath(m_folder);
}

void CompanionSession::finishInterruptedWipe()
{
    if (!QFile::exists(wipeMarkerPath()))
        return;
    qCInfo(lcSession) << "finishing a sign-out that was interrupted";
    removeStoredData();
    QFile::remove(wipeMarkerPath());
}

QCoro::Task<void> CompanionSession::clear()
{
    QPointer<CompanionSession> self(this);
    // The sign-out holds from this moment, however the wipe ends: the record
    // that says who is signed in goes before anything waits, and the marker
    // has the next launch finish removing the engine's files if this run
    // ends first.
    m_record.erase();
    SignInStorage::markWipePending(m_folder);
    m_clearing = true;
    m_observing = false;
    m_changeReport.stop();
    releaseWindow();
    if (m_profile) {
        m_profile->cookieStore()->deleteAllCookies();
        m_profile->clearHttpCache();
        m_profile->clearAllVisitedLinks();
        // Let the engine carry the removals out before its profile goes; the
        // profile's files are removed below in any case.
        co_await QCoro::sleepFor(150ms);
        if (!self)
            co_return;
        releaseEngine();
        // The engine finishes its last writes on its own threads after the
        // profile is gone; the folders are removed again once those are done.
        co_await QCoro::sleepFor(100ms);
        if (!self)
            co_return;
        removeStoredData();
        co_await QCoro::sleepFor(400ms);
        if (!self)
            co_return;
    }
    removeStoredData();
    QFile::remove(wipeMarkerPath());
    m_clearing = false;
    m_observing = true;
    if (m_showAfterClear && m_origin) {
        m_showAfterClear = false;
        showLogin(*m_origin);
    }
}
