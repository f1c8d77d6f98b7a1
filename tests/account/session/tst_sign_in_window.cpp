#include "account/companion_session.h"
#include "devserver/devserver_harness.h"
#include "fixture_server.h"

#include <QDir>
#include <QDirIterator>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {

const QString advice = QStringLiteral("Couldn’t reach Pelora\nCheck your connection and the web app address in the "
                                      "menu bar, then try signing in again. ");

QVariant runScript(QWebEnginePage *page, const QString &script)
{
    // Shared, because an answer may come after we stopped waiting for it.
    auto answer = std::make_shared<std::optional<QVariant>>();
    page->runJavaScript(script, [answer](const QVariant &value) { *answer = value; });
    return QTest::qWaitFor([&] { return answer->has_value(); }, 10000) ? **answer : QVariant();
}

// Clicks an element of the page with the mouse, as the learner would.
bool clickElement(QWebEngineView *view, const QString &id)
{
    const QVariantList centre = runScript(view->page(), QStringLiteral("(function(){const r=document.getElementById('%1')"
                                                                       ".getBoundingClientRect();return [r.x+r.width/2,"
                                                                       "r.y+r.height/2];})()").arg(id)).toList();
    QTest::mouseClick(view->focusProxy() ? view->focusProxy() : view, Qt::LeftButton, {},
                      QPoint(centre.value(0).toInt(), centre.value(1).toInt()));
    return centre.size() == 2;
}

// Files under `folder` whose bytes contain `needle`.
QStringList filesContaining(const QString &folder, const QByteArray &needle)
{
    QStringList found;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories); it.hasNext();) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly) && file.readAll().contains(needle))
            found.append(file.fileName());
    }
    return found;
}

FixtureServer::Response htmlPage(const QByteArray &body) { return {200, {{"Content-Type", "text/html"}}, body}; }

} // namespace

class SignInWindowTest : public QObject {
    Q_OBJECT

public:
    static void initMain() { QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); }

private:
    DevServerProcess devServer;
    QUrl devOrigin;
    FixtureServer site;      // the web app for the navigation cases
    FixtureServer elsewhere; // another origin
    QByteArray signInPage;
    QList<QUrl> opened;
    int reports = 0;

    QString elsewhereOrigin() const { return QStringLiteral("http://localhost:%1").arg(elsewhere.port()); }

    std::unique_ptr<CompanionSession> makeSession()
    {
        auto session = std::make_unique<CompanionSession>();
        session->openExternally = [this](const QUrl &url) { opened.append(url); };
        session->onSessionChange = [this] { ++reports; };
        return session;
    }

    bool showAndLoad(CompanionSession &session, const QUrl &origin)
    {
        session.showLogin(origin);
        QSignalSpy loaded(session.webView()->page(), &QWebEnginePage::loadFinished);
        return loaded.wait(20000) && loaded.first().first().toBool();
    }

    void submitSignIn(CompanionSession &session, const QString &password = QStringLiteral("selamat-pagi"))
    {
        runScript(session.webView()->page(),
                  QStringLiteral("(function(){const form = document.getElementById('sign-in-form');"
                                 "form.querySelector('[name=email]').value = 'learner@pelora.test';"
                                 "form.querySelector('[name=password]').value = '%1';"
                                 "form.querySelector('button').click(); return true;})()")
                      .arg(password));
    }

    QString pagePath(CompanionSession &session) const { return session.webView()->url().path(); }
    QString pageText(CompanionSession &session) const
    {
        return runScript(session.webView()->page(), "document.body ? document.body.innerText : ''").toString();
    }
    QList<QNetworkCookie> recorded(CompanionSession &session) const { return QCoro::waitFor(session.cookies(devOrigin)); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(site.listen() && elsewhere.listen());
        elsewhere.setHandler([](const FixtureServer::Request &) { return htmlPage("<p>elsewhere</p>"); });
        QVERIFY(devServer.start());
        devOrigin = QUrl(QStringLiteral("http://localhost:%1").arg(devServer.port()));
    }

    void init()
    {
        site.setHandler([this](const FixtureServer::Request &request) {
            return htmlPage(request.url.path() == QLatin1String("/sign-in") ? signInPage : QByteArray("<p>frame</p>"));
        });
        opened.clear();
        reports = 0;
    }

    // Every case starts from an empty profile, whatever the last one left.
    void cleanup() { QDir(CompanionSession::defaultStorageFolder()).removeRecursively(); }

    void signInKeepsTheCookieAcrossRestartsUntilCleared()
    {
        auto session = makeSession();
        const QString folder = session->storageFolder();
        QVERIFY(folder.startsWith(qEnvironmentVariable("XDG_DATA_HOME")));
        QVERIFY(showAndLoad(*session, devOrigin));
        QVERIFY(session->window() && session->window()->isVisible());
        QCOMPARE(pagePath(*session), QStringLiteral("/sign-in"));

        // A refused sign-in answers with an error status and a page: that page
        // is shown and checked like any other, with no warning sheet.
        reports = 0;
        submitSignIn(*session, QStringLiteral("wrong-password"));
        QTRY_VERIFY_WITH_TIMEOUT(pageText(*session).contains("don’t match an account"), 20000);
        QTRY_VERIFY(reports >= 1);
        QTest::qWait(300);
        QCOMPARE(session->sheetText(), QString());
        QVERIFY(recorded(*session).isEmpty());

        submitSignIn(*session);
        QTRY_COMPARE_WITH_TIMEOUT(pagePath(*session), QStringLiteral("/signed-in"), 20000);
        QTRY_VERIFY(!recorded(*session).isEmpty());
        const QByteArray token = recorded(*session).first().value();
        QVERIFY(token.size() >= 16);
        const QString record = folder + QStringLiteral("/session-cookie.json");
        QVERIFY(QFile::exists(record));

        // A restart: the record answers without the engine, and the engine still
        // sends the cookie it wrote to its own files once its profile was gone.
        session.reset();
        QTRY_VERIFY(!filesContaining(folder + QStringLiteral("/engine"), token).isEmpty());
        session = makeSession();
        QCOMPARE(recorded(*session).value(0).value(), token);
        QVERIFY(!session->engineRunning());
        QVERIFY(showAndLoad(*session, devOrigin));
        QTRY_VERIFY(pageText(*session).contains("Signed in as learner@pelora.test"));

        // Signing out on the page ends the session for the companion too, for good.
        const QString signOut = QStringLiteral("document.querySelector('form[action=\"/sign-out\"] button')");
        QTRY_VERIFY(runScript(session->webView()->page(), signOut + " !== null").toBool());
        runScript(session->webView()->page(), signOut + ".click(); true");
        QTRY_VERIFY_WITH_TIMEOUT(recorded(*session).isEmpty(), 20000);
        session.reset();
        session = makeSession();
        QVERIFY(recorded(*session).isEmpty());

        QCoro::waitFor(session->clear());
        QVERIFY(!session->window() && !session->engineRunning());
        QVERIFY(recorded(*session).isEmpty());
        QVERIFY(!QFile::exists(record));
        QVERIFY(!QDir(folder + QStringLiteral("/engine")).exists());
        QCOMPARE(filesContaining(folder, token), QStringList());
    }

    void linksAndFramesElsewhereNeverLoadInTheWindow()
    {
        signInPage = QStringLiteral("<a id='out' href='%1/page' style='display:block;height:40px'>Out</a>"
                                    "<a id='blank' target='_blank' href='%1/blank' style='display:block;height:40px'>New</a>"
                                    "<a id='inside' href='/next' style='display:block;height:40px'>Inside</a>"
                                    "<iframe src='%1/frame'></iframe><iframe src='/own-frame'></iframe>")
                         .arg(elsewhereOrigin()).toUtf8();
        elsewhere.clearRequests();
        site.clearRequests();
        auto session = makeSession();
        QVERIFY(showAndLoad(*session, site.origin()));
        QTRY_COMPARE(reports, 1); // a finished page is a possible session change
        // A frame from elsewhere is blocked quietly; the web app's own loads.
        QTRY_VERIFY(std::any_of(site.requests().begin(), site.requests().end(),
                                [](const auto &request) { return request.url.path() == "/own-frame"; }));
        QTest::qWait(500);
        QVERIFY(opened.isEmpty());
        QVERIFY(clickElement(session->webView(), "out"));
        QTRY_COMPARE(opened.size(), 1);
        QVERIFY(clickElement(session->webView(), "blank"));
        QTRY_COMPARE(opened, (QList<QUrl>{QUrl(elsewhereOrigin() + "/page"), QUrl(elsewhereOrigin() + "/blank")}));
        QTest::qWait(300);
        QCOMPARE(pagePath(*session), QStringLiteral("/sign-in"));
        QCOMPARE(elsewhere.requests().size(), 0);
        QCOMPARE(session->sheetText(), QString());
        // A link inside the web app is simply followed.
        QVERIFY(clickElement(session->webView(), "inside"));
        QTRY_COMPARE(pagePath(*session), QStringLiteral("/next"));
        QCOMPARE(opened.size(), 2);
    }

    void scriptRedirectElsewhereShowsOneSheet()
    {
        signInPage = QStringLiteral("<p>Redirecting</p><script>setTimeout(function(){location.href='%1/away';},100);"
                                    "setTimeout(function(){location.href='http://127.0.0.2:%2/later';},1500);</script>")
                         .arg(elsewhereOrigin()).arg(elsewhere.port()).toUtf8();
        elsewhere.clearRequests();
        auto session = makeSession();
        session->showLogin(site.origin());
        QTRY_VERIFY_WITH_TIMEOUT(session->sheet(), 20000);
        QCOMPARE(session->sheetText(),
                 QStringLiteral("Sign-in redirected to a different address\nThe web app redirected to localhost. "
                                "Set the final web app address in the companion menu and try again."));
        QVERIFY(session->sheet()->windowModality() == Qt::WindowModal);
        QCOMPARE(session->sheet()->parentWidget(), session->window());
        // The second attempt finds a sheet showing and is dropped.
        QTest::qWait(2000);
        QVERIFY(session->sheetText().contains("redirected to localhost."));
        QCOMPARE(pagePath(*session), QStringLiteral("/sign-in"));
        QCOMPARE(elsewhere.requests().size(), 0);
        QVERIFY(opened.isEmpty());
    }

    void unreachableOrSlowOriginShowsTheAdvice()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 closedPort = closed.serverPort();
        closed.close();
        auto session = makeSession();
        session->showLogin(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(closedPort)));
        QTRY_VERIFY_WITH_TIMEOUT(session->sheet(), 20000);
        QVERIFY(session->sheetText().startsWith(advice));
        QVERIFY(session->sheetText().size() > advice.size()); // the engine's own description

        // A sign-in page that never answers times out.
        auto slow = makeSession();
        slow->setSignInTimeout(std::chrono::milliseconds(500));
        site.setHandler([](const FixtureServer::Request &) { return FixtureServer::Response{.headers = {}, .body = {}, .hang = true}; });
        slow->showLogin(site.origin());
        QTRY_VERIFY_WITH_TIMEOUT(slow->sheet(), 10000);
        QCOMPARE(slow->sheetText(), advice + QStringLiteral("The request timed out."));
        QTRY_VERIFY(!slow->webView()->page()->isLoading());
        QCOMPARE(reports, 0);
    }

};

QTEST_MAIN(SignInWindowTest)
#include "tst_sign_in_window.moc"
