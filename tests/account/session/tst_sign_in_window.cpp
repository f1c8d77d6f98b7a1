#include "account/companion_session.h"
#include "devserver/devserver_harness.h"
#include "fixture_server.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTcpServer>
#include <QTest>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <QWebEngineView>

using namespace Qt::StringLiterals;

namespace {

QVariant runScript(QWebEngineView *view, const QString &script)
{
    auto answer = std::make_shared<std::optional<QVariant>>(); // an answer may come after we stopped waiting
    view->page()->runJavaScript(script, [answer](const QVariant &value) { *answer = value; });
    return QTest::qWaitFor([&] { return answer->has_value(); }, 10000) ? **answer : QVariant();
}

bool clickElement(QWebEngineView *view, const QString &id)
{
    const QVariantList centre =
        runScript(view,
                  u"(function(){const r=document.getElementById('%1')"
                  ".getBoundingClientRect();return [r.x+r.width/2,r.y+r.height/2];})()"_s.arg(id))
            .toList();
    QTest::mouseClick(view->focusProxy() ? view->focusProxy() : view, Qt::LeftButton, {},
                      QPoint(centre.value(0).toInt(), centre.value(1).toInt()));
    return centre.size() == 2;
}

QStringList filesContaining(const QString &folder, const QByteArray &needle)
{
    QStringList found;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
         it.hasNext();) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly) && file.readAll().contains(needle))
            found.append(file.fileName());
    }
    return found;
}

FixtureServer::Response html(const QByteArray &body)
{
    return {200, {{"Content-Type", "text/html"}}, body};
}
QString pagePath(CompanionSession &session)
{
    return session.webView()->url().path();
}
QString pageText(CompanionSession &session)
{
    return runScript(session.webView(), u"document.body.innerText"_s).toString();
}

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
    QString elsewhereOrigin;
    QByteArray signInPage;
    QList<QUrl> opened;
    int reports = 0;

    std::unique_ptr<CompanionSession> makeSession()
    {
        auto session = std::make_unique<CompanionSession>();
        connect(session.get(), &CompanionSession::openInBrowserRequested, this,
                [this](const QUrl &url) { opened.append(url); });
        connect(session.get(), &SignInSession::sessionChanged, this, [this] { ++reports; });
        return session;
    }

    bool showAndLoad(CompanionSession &session, const QUrl &origin)
    {
        session.showLogin(origin);
        QSignalSpy loaded(session.webView()->page(), &QWebEnginePage::loadFinished);
        return loaded.wait(20000) && loaded.first().first().toBool();
    }

    void submitSignIn(CompanionSession &session, const QString &password)
    {
        runScript(session.webView(),
                  u"(function(){const form = document.getElementById('sign-in-form');"
                  "form.querySelector('[name=email]').value = 'learner@pelora.test';"
                  "form.querySelector('[name=password]').value = '%1';"
                  "form.querySelector('button').click(); return true;})()"_s.arg(password));
    }

    QList<QNetworkCookie> recorded(CompanionSession &session) { return QCoro::waitFor(session.cookies(devOrigin)); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(site.listen());
        QVERIFY(elsewhere.listen());
        QVERIFY(devServer.start());
        elsewhere.setHandler([](const FixtureServer::Request &) { return html("<p>elsewhere</p>"); });
        elsewhereOrigin = u"http://localhost:%1"_s.arg(elsewhere.port());
        devOrigin = QUrl(u"http://localhost:%1"_s.arg(devServer.port()));
        site.setHandler([this](const FixtureServer::Request &request) {
            return html(request.url.path() == "/sign-in"_L1 ? signInPage : QByteArray("<p>frame</p>"));
        });
    }

    void init()
    {
        site.clearRequests();
        elsewhere.clearRequests();
        opened.clear();
        reports = 0;
    }

    // Every case starts from an empty profile, whatever the last one left.
    void cleanup() { QDir(CompanionSession::defaultStorageFolder()).removeRecursively(); }

    void signInKeepsTheCookieAcrossRestartsUntilCleared()
    {
        auto session = makeSession();
        const QString folder = session->storageFolder();
        QVERIFY(showAndLoad(*session, devOrigin));
        QVERIFY(session->window());
        QVERIFY(session->window()->isVisible());
        QCOMPARE(pagePath(*session), u"/sign-in"_s);

        // A refused sign-in answers with an error status and a page: that page
        // is shown and checked like any other, with no warning sheet.
        submitSignIn(*session, u"wrong-password"_s);
        QTRY_VERIFY_WITH_TIMEOUT(pageText(*session).contains(u"don’t match an account"_s), 20000);
        QTRY_VERIFY(reports >= 1);
        QTest::qWait(300);
        QCOMPARE(session->sheetText(), QString());
        QCOMPARE(recorded(*session), QList<QNetworkCookie>());

        submitSignIn(*session, u"selamat-pagi"_s);
        QTRY_COMPARE_WITH_TIMEOUT(pagePath(*session), u"/signed-in"_s, 20000);
        QTRY_VERIFY(!recorded(*session).isEmpty());
        const QByteArray token = recorded(*session).first().value();
        const QString record = folder + u"/session-cookie.json"_s;
        QVERIFY(QFile::exists(record));

        // A restart: the record answers without the engine, and the engine still
        // sends the cookie it wrote to its own files once its profile was gone.
        session.reset();
        QTRY_VERIFY(!filesContaining(folder + u"/engine"_s, token).isEmpty());
        session = makeSession();
        QCOMPARE(recorded(*session).value(0).value(), token);
        QCOMPARE(session->engineRunning(), false);
        QVERIFY(showAndLoad(*session, devOrigin));
        QTRY_VERIFY(pageText(*session).contains("Signed in as learner@pelora.test"_L1));

        // Signing out on the page ends the session for the companion too, for good.
        QTRY_VERIFY(runScript(session->webView(),
                              u"(function(){const b = document.querySelector('form[action=\"/sign-out\"] button');"
                              "if (b) b.click(); return !!b;})()"_s)
                        .toBool());
        QTRY_VERIFY_WITH_TIMEOUT(recorded(*session).isEmpty(), 20000);
        session.reset();
        session = makeSession();
        QCOMPARE(recorded(*session), QList<QNetworkCookie>());
    }

    // Signing out holds from its first moment: the companion may be ended
    // while the engine's data is still being wiped.
    void signOutHoldsEvenWhenTheWipeIsCutShort()
    {
        auto session = makeSession();
        const QString folder = session->storageFolder();
        QVERIFY(showAndLoad(*session, devOrigin));
        submitSignIn(*session, u"selamat-pagi"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!recorded(*session).isEmpty(), 20000);
        const QByteArray token = recorded(*session).first().value();
        const QString record = folder + u"/session-cookie.json"_s;

        reports = 0;
        QCoro::Task<void> wipe = session->clear(); // suspended at its first wait
        QVERIFY(!QFile::exists(record));
        QCOMPARE(session->observing(), false);
        QCOMPARE(session->window(), nullptr);
        session.reset();         // the companion ends here
        QTest::qWait(1000);      // the engine's last writes on its own threads
        session = makeSession(); // the next launch
        QVERIFY(recorded(*session).isEmpty());
        QCOMPARE(filesContaining(folder, token), QStringList());
        QCOMPARE(reports, 0); // a wipe reports no session change
    }

    void linksAndFramesElsewhereNeverLoadInTheWindow()
    {
        signInPage = u"<a id='out' href='%1/page' style='display:block;height:40px'>Out</a>"
                     "<a id='blank' target='_blank' href='%1/blank' style='display:block;height:40px'>New</a>"
                     "<iframe src='%1/frame'></iframe><iframe src='/own-frame'></iframe>"_s.arg(elsewhereOrigin)
                         .toUtf8();
        auto session = makeSession();
        QVERIFY(showAndLoad(*session, site.origin()));
        // A frame from elsewhere is blocked quietly; the web app's own loads.
        QTRY_VERIFY(std::any_of(site.requests().begin(), site.requests().end(),
                                [](const auto &request) { return request.url.path() == "/own-frame"_L1; }));
        QTest::qWait(500);
        QCOMPARE(opened, QList<QUrl>());
        QVERIFY(clickElement(session->webView(), u"out"_s));
        QTRY_COMPARE(opened.size(), 1);
        QVERIFY(clickElement(session->webView(), u"blank"_s));
        QTRY_COMPARE(opened, (QList<QUrl>{QUrl(elsewhereOrigin + "/page"_L1), QUrl(elsewhereOrigin + "/blank"_L1)}));
        QTest::qWait(300);
        QCOMPARE(pagePath(*session), u"/sign-in"_s);
        QCOMPARE(elsewhere.requests().size(), 0);
        QCOMPARE(session->sheetText(), QString());
    }

    // A burst of cookie changes is reported once, never before 0.4 s after its
    // last change. (Only the lower bound is checked: a busy machine may be late.)
    void aBurstOfCookieChangesIsReportedOnce()
    {
        signInPage = "<p>Sign in</p>";
        auto session = makeSession();
        QVERIFY(showAndLoad(*session, site.origin()));
        QTest::qWait(600); // the page load's own report
        QWebEngineCookieStore *store = session->profile()->cookieStore();
        QElapsedTimer sinceLastChange;
        connect(store, &QWebEngineCookieStore::cookieAdded, this, [&] { sinceLastChange.start(); });
        QList<qint64> reported;
        session->disconnect(this);
        connect(session.get(), &SignInSession::sessionChanged, this,
                [&] { reported.append(sinceLastChange.elapsed()); });
        for (const char *name : {"auth.session-token", "theme", "csrf"}) {
            store->setCookie(QNetworkCookie(name, "v"), site.origin());
            QTest::qWait(100);
        }
        QTRY_COMPARE(reported.size(), 1);
        QTest::qWait(600);
        QCOMPARE(reported.size(), 1);
        QCOMPARE_GE(reported.first(), 400);
    }

    // Only a window the learner asked for opens anything: a page's own
    // window.open(), elsewhere or on the web app, is refused without a word.
    void windowsAScriptOpensAreRefusedQuietly()
    {
        signInPage = u"<p>Sign in</p><script>window.open('%1/popup');window.open('/own-popup');"
                     "setTimeout(function(){window.open('%1/later', '_blank');}, 300);</script>"_s.arg(elsewhereOrigin)
                         .toUtf8();
        auto session = makeSession();
        QVERIFY(showAndLoad(*session, site.origin()));
        QTest::qWait(1200);
        QCOMPARE(opened, QList<QUrl>());
        QCOMPARE(pagePath(*session), u"/sign-in"_s);
        QVERIFY(std::none_of(site.requests().begin(), site.requests().end(),
                             [](const auto &request) { return request.url.path() == "/own-popup"_L1; }));
        QCOMPARE(elsewhere.requests().size(), 0);
        QCOMPARE(session->sheetText(), QString());
    }

    void scriptRedirectElsewhereShowsASheet()
    {
        // A second redirect while the first sheet shows is dropped: one sheet at a time.
        signInPage = u"<p>Redirecting</p><script>setTimeout(function(){location.href='%1/away';},100);"
                     "setTimeout(function(){location.href='http://127.0.0.1:%2/again';},400);"
                     "</script>"_s.arg(elsewhereOrigin)
                         .arg(elsewhere.port())
                         .toUtf8();
        auto session = makeSession();
        session->showLogin(site.origin());
        QTRY_VERIFY_WITH_TIMEOUT(session->sheet(), 20000);
        QCOMPARE(session->sheetText(),
                 u"Sign-in redirected to a different address\nThe web app redirected to localhost. "
                 "Set the final web app address in the companion menu and try again."_s);
        QTest::qWait(600);
        QCOMPARE(session->window()->findChildren<QMessageBox *>().size(), 1);
        QVERIFY(session->sheetText().contains(u"redirected to localhost."_s));
        QCOMPARE(pagePath(*session), u"/sign-in"_s);
        QCOMPARE(elsewhere.requests().size(), 0);
        QCOMPARE(opened, QList<QUrl>());
    }

    void unreachableOriginShowsTheAdvice()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QUrl origin(u"http://127.0.0.1:%1"_s.arg(closed.serverPort()));
        closed.close();
        auto session = makeSession();
        session->showLogin(origin);
        QTRY_VERIFY_WITH_TIMEOUT(session->sheet(), 20000);
        // The advice, then the engine's own description.
        const QString advice = u"Couldn’t reach Pelora\nCheck your connection and the web app address in the "
                               "menu bar, then try signing in again. "_s;
        QVERIFY(session->sheetText().startsWith(advice));
        QVERIFY(session->sheetText().size() > advice.size());
    }
};

QTEST_MAIN(SignInWindowTest)
#include "tst_sign_in_window.moc"
