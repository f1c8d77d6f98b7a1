#include "account/companion_session.h"
#include "fixture_server.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {

const QString advice =
    QStringLiteral("Couldn’t reach Pelora\nCheck your connection and the web app address in the menu bar, then try "
                   "signing in again. ");

QVariant runScript(QWebEnginePage *page, const QString &script)
{
    // Shared, because an answer may come after we stopped waiting for it.
    auto answer = std::make_shared<std::optional<QVariant>>();
    page->runJavaScript(script, [answer](const QVariant &value) { *answer = value; });
    if (!QTest::qWaitFor([&] { return answer->has_value(); }, 10000))
        return {};
    return **answer;
}

// Clicks an element of the page with the mouse, as the learner would.
bool clickElement(QWebEngineView *view, const QString &id)
{
    const QString script = QStringLiteral("(function(){const r=document.getElementById('%1').getBoundingClientRect();"
                                          "return JSON.stringify({x:r.x+r.width/2,y:r.y+r.height/2});})()")
                               .arg(id);
    const QJsonObject centre = QJsonDocument::fromJson(runScript(view->page(), script).toString().toUtf8()).object();
    if (centre.isEmpty())
        return false;
    QWidget *target = view->focusProxy() ? view->focusProxy() : view;
    const QPoint point(int(centre.value("x").toDouble()), int(centre.value("y").toDouble()));
    QTest::mouseClick(target, Qt::LeftButton, {}, point);
    return true;
}

// Files under `folder` whose bytes contain `needle`.
QStringList filesContaining(const QString &folder, const QByteArray &needle)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly) && file.readAll().contains(needle))
            found.append(file.fileName());
    }
    return found;
}

FixtureServer::Response htmlPage(const QByteArray &body)
{
    FixtureServer::Response answer;
    answer.headers.append({QByteArray("Content-Type"), QByteArray("text/html")});
    answer.body = body;
    return answer;
}

} // namespace

class SignInWindowTest : public QObject {
    Q_OBJECT

private:
    QProcess devServer;
    QTemporaryDir devData;
    QUrl devOrigin;
    FixtureServer site;        // the web app for the navigation cases
    FixtureServer elsewhere;   // another origin
    QByteArray signInPage;
    QList<QUrl> opened;
    int reports = 0;

    void restoreSiteHandler()
    {
        site.setHandler([this](const FixtureServer::Request &request) {
            return htmlPage(request.url.path() == QLatin1String("/sign-in") ? signInPage : QByteArray("<p>frame</p>"));
        });
    }

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

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(site.listen());
        QVERIFY(elsewhere.listen());
        restoreSiteHandler();
        elsewhere.setHandler([](const FixtureServer::Request &) { return htmlPage("<p>elsewhere</p>"); });

        QVERIFY(devData.isValid());
        devServer.setProgram(qEnvironmentVariable("PELORA_BINARY_DIR") + QStringLiteral("/devserver/pelora-devserver"));
        devServer.setArguments({"--port", "0", "--data", devData.path(), "--seed"});
        devServer.start();
        QVERIFY2(devServer.waitForStarted(), qPrintable(devServer.errorString()));
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT((output += devServer.readAllStandardOutput()).contains('\n'), 20000);
        const qsizetype at = output.indexOf("http://");
        QVERIFY(at >= 0);
        devOrigin = QUrl(QString::fromUtf8(output.mid(at).trimmed()));
        QVERIFY(devOrigin.port() > 0);
    }

    void cleanupTestCase()
    {
        devServer.terminate();
        devServer.waitForFinished(5000);
    }

    // Every case starts from an empty profile, whatever the last one left.
    void cleanup() { QDir(CompanionSession::defaultStorageFolder()).removeRecursively(); }

    void init()
    {
        restoreSiteHandler();
        opened.clear();
        reports = 0;
        site.clearRequests();
        elsewhere.clearRequests();
    }

    void signInKeepsTheCookieAcrossRestartsUntilCleared()
    {
        auto session = makeSession();
        QVERIFY(session->storageFolder().startsWith(qEnvironmentVariable("XDG_DATA_HOME")));
        QVERIFY(QCoro::waitFor(session->cookies(devOrigin)).isEmpty());
        QVERIFY(!session->engineRunning());

        QVERIFY(showAndLoad(*session, devOrigin));
        QWidget *window = session->window();
        QVERIFY(window && window->isVisible());
        QCOMPARE(pagePath(*session), QStringLiteral("/sign-in"));

        QStringList engineCookies;
        connect(session->profile()->cookieStore(), &QWebEngineCookieStore::cookieAdded, this,
                [&](const QNetworkCookie &cookie) { engineCookies.append(QString::fromLatin1(cookie.name() + '=' + cookie.value())); });
        submitSignIn(*session);
        QTRY_COMPARE_WITH_TIMEOUT(pagePath(*session), QStringLiteral("/signed-in"), 20000);
        QTRY_VERIFY(!QCoro::waitFor(session->cookies(devOrigin)).isEmpty());
        const QNetworkCookie cookie = QCoro::waitFor(session->cookies(devOrigin)).first();
        QVERIFY(cookie.value().size() >= 16);
        QVERIFY(engineCookies.contains(QString::fromLatin1("auth.session-token=" + cookie.value())));
        const QString record = session->storageFolder() + QStringLiteral("/session-cookie.json");
        QVERIFY(QFile::exists(record));

        // A restart: the record answers without the engine, and the engine
        // itself still sends the cookie it stored on disk.
        const QString folder = session->storageFolder();
        session.reset();
        // The engine writes the cookie to its own files once its profile is gone.
        QTRY_VERIFY(!filesContaining(folder + QStringLiteral("/engine"), cookie.value()).isEmpty());
        session = makeSession();
        QVERIFY(!session->engineRunning());
        QCOMPARE(QCoro::waitFor(session->cookies(devOrigin)).value(0).value(), cookie.value());
        QVERIFY(!session->engineRunning());
        QVERIFY(showAndLoad(*session, devOrigin));
        QTRY_VERIFY(runScript(session->webView()->page(), "document.body.innerText")
                        .toString()
                        .contains("Signed in as learner@pelora.test"));

        QCoro::waitFor(session->clear());
        QVERIFY(!session->window());
        QVERIFY(!session->engineRunning());
        QVERIFY(QCoro::waitFor(session->cookies(devOrigin)).isEmpty());
        QVERIFY(!QFile::exists(record));
        QVERIFY(!QDir(folder + QStringLiteral("/engine")).exists());
        QCOMPARE(filesContaining(session->storageFolder(), cookie.value()), QStringList());

        // Nothing of the old session comes back with the next sign-in.
        QVERIFY(showAndLoad(*session, devOrigin));
        QVERIFY(runScript(session->webView()->page(), "document.getElementById('sign-in-form') !== null").toBool());
        QCOMPARE(filesContaining(session->storageFolder(), cookie.value()), QStringList());
    }

    // Signing out on the web app's own page removes the cookie from the
    // engine's store, and the session's record follows.
    void signingOutOnThePageEmptiesTheRecord()
    {
        auto session = makeSession();
        QVERIFY(showAndLoad(*session, devOrigin));
        submitSignIn(*session);
        QTRY_VERIFY_WITH_TIMEOUT(!QCoro::waitFor(session->cookies(devOrigin)).isEmpty(), 20000);
        QTRY_COMPARE(pagePath(*session), QStringLiteral("/signed-in"));

        const QString signOutButton = QStringLiteral("document.querySelector('form[action=\"/sign-out\"] button')");
        QTRY_VERIFY(runScript(session->webView()->page(), signOutButton + " !== null").toBool());
        runScript(session->webView()->page(), signOutButton + ".click(); true");
        QTRY_VERIFY_WITH_TIMEOUT(QCoro::waitFor(session->cookies(devOrigin)).isEmpty(), 20000);
        session.reset();
        auto reread = makeSession();
        QVERIFY(QCoro::waitFor(reread->cookies(devOrigin)).isEmpty());
    }

    // The web app answers a wrong password with an error status and a page:
    // that page is shown and checked like any other, with no warning sheet.
    void refusedSignInIsNotALoadFailure()
    {
        auto session = makeSession();
        QVERIFY(showAndLoad(*session, devOrigin));
        reports = 0;
        submitSignIn(*session, QStringLiteral("wrong-password"));
        QTRY_VERIFY_WITH_TIMEOUT(runScript(session->webView()->page(), "document.body ? document.body.innerText : ''")
                                     .toString()
                                     .contains("don’t match an account"),
                                 20000);
        QTRY_VERIFY(reports >= 1);
        QTest::qWait(300);
        QCOMPARE(session->sheetText(), QString());
        QVERIFY(QCoro::waitFor(session->cookies(devOrigin)).isEmpty());
    }

    void linksAndFramesElsewhereNeverLoadInTheWindow()
    {
        signInPage = QStringLiteral("<a id='out' href='%1/page' style='display:block;height:40px'>Out</a>"
                                    "<a id='blank' target='_blank' href='%1/blank' style='display:block;height:40px'>New</a>"
                                    "<a id='inside' href='/next' style='display:block;height:40px'>Inside</a>"
                                    "<iframe src='%1/frame'></iframe><iframe src='/own-frame'></iframe>")
                         .arg(elsewhereOrigin())
                         .toUtf8();
        auto session = makeSession();
        QVERIFY(showAndLoad(*session, site.origin()));
        QTRY_COMPARE(reports, 1); // a finished page is a possible session change
        // A frame from elsewhere is blocked quietly; the web app's own loads.
        QTRY_VERIFY(std::any_of(site.requests().begin(), site.requests().end(),
                                [](const auto &request) { return request.url.path() == "/own-frame"; }));
        QTest::qWait(500);
        QVERIFY(opened.isEmpty());

        QVERIFY(clickElement(session->webView(), "out"));
        QTRY_COMPARE(opened, QList<QUrl>{QUrl(elsewhereOrigin() + "/page")});
        QVERIFY(clickElement(session->webView(), "blank"));
        QTRY_COMPARE(opened.size(), 2);
        QCOMPARE(opened[1], QUrl(elsewhereOrigin() + "/blank"));
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
                         .arg(elsewhereOrigin())
                         .arg(elsewhere.port())
                         .toUtf8();
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

    void unreachableOriginShowsTheEngineError()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QUrl nowhere(QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort()));
        closed.close();

        auto session = makeSession();
        session->showLogin(nowhere);
        QTRY_VERIFY_WITH_TIMEOUT(session->sheet(), 20000);
        QVERIFY(session->sheetText().startsWith(advice));
        QVERIFY(session->sheetText().size() > advice.size()); // the engine's own description
        QCOMPARE(reports, 0);
    }

    void slowSignInPageTimesOut()
    {
        auto session = makeSession();
        session->setSignInTimeout(std::chrono::milliseconds(500));
        site.setHandler([](const FixtureServer::Request &) {
            FixtureServer::Response answer;
            answer.hang = true;
            return answer;
        });
        session->showLogin(site.origin());
        QTRY_VERIFY_WITH_TIMEOUT(session->sheet(), 10000);
        QCOMPARE(session->sheetText(), advice + QStringLiteral("The request timed out."));
        QTRY_VERIFY(!session->webView()->page()->isLoading());
        QCOMPARE(reports, 0);
    }

    void cookieChangesAreReportedOnceAfterTheLastOne()
    {
        signInPage = "<p>Sign in</p>";
        auto session = makeSession();
        QVERIFY(showAndLoad(*session, site.origin()));
        QTest::qWait(800); // let the load's own reports pass
        reports = 0;

        QElapsedTimer clock;
        clock.start();
        qint64 lastChange = -1;
        qint64 reportedAt = -1;
        session->onSessionChange = [&] {
            ++reports;
            reportedAt = clock.elapsed();
        };
        connect(session->profile()->cookieStore(), &QWebEngineCookieStore::cookieAdded, this,
                [&](const QNetworkCookie &) { lastChange = clock.elapsed(); });
        for (const char *name : {"a", "b", "c"}) {
            QNetworkCookie cookie(name, "1");
            session->profile()->cookieStore()->setCookie(cookie, site.origin());
            QTest::qWait(100);
        }
        QTest::qWait(1500);
        QCOMPARE(reports, 1);
        // Counted from the last change, not the first (that would be 0.2 s
        // earlier); the upper bound leaves room for a busy machine.
        QVERIFY2(reportedAt - lastChange >= 390 && reportedAt - lastChange < 1000,
                 qPrintable(QString::number(reportedAt - lastChange)));

        // While clear() removes the data nothing is reported; afterwards
        // changes are reported again.
        reports = 0;
        for (const char *name : {"d", "e"})
            session->profile()->cookieStore()->setCookie(QNetworkCookie(name, "1"), site.origin());
        QCoro::waitFor(session->clear());
        QTest::qWait(800);
        QCOMPARE(reports, 0);
        QVERIFY(session->observing());
        QVERIFY(showAndLoad(*session, site.origin()));
        QTest::qWait(800);
        reports = 0;
        session->profile()->cookieStore()->setCookie(QNetworkCookie("f", "1"), site.origin());
        QTRY_COMPARE(reports, 1);
        QCoro::waitFor(session->clear());
    }

    // A cookie an API answer sets reaches the engine, also when the engine
    // starts only later.
    void acceptedCookiesReachTheEngineAndTheWindowIsReused()
    {
        signInPage = "<p>Sign in</p>";
        auto session = makeSession();
        const QList<QNetworkReply::RawHeaderPair> answer{{"Set-Cookie", "auth.session-token=from-api; Path=/"}};
        QCoro::waitFor(session->acceptCookies(answer, site.origin()));
        QVERIFY(!session->engineRunning());
        QVERIFY(showAndLoad(*session, site.origin()));
        QCOMPARE(site.requests().last().header("cookie"), QByteArray("auth.session-token=from-api"));
        QWidget *window = session->window();
        window->close(); // the close button
        QVERIFY(!window->isVisible());

        const QList<QNetworkReply::RawHeaderPair> renewed{{"Set-Cookie", "auth.session-token=renewed; Path=/"}};
        QCoro::waitFor(session->acceptCookies(renewed, site.origin()));
        QCOMPARE(QCoro::waitFor(session->cookies(site.origin())).size(), 1);
        QTest::qWait(300);
        QVERIFY(showAndLoad(*session, site.origin()));
        QCOMPARE(site.requests().last().header("cookie"), QByteArray("auth.session-token=renewed"));
        QCOMPARE(session->window(), window); // the window is reused until cleared
        QVERIFY(window->isVisible());
        session->finishLogin();
        QVERIFY(!window->isVisible());
        QCOMPARE(session->window(), window);
        QCoro::waitFor(session->clear());
    }
};

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    SignInWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sign_in_window.moc"
