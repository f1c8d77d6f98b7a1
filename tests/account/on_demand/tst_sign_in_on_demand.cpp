// The program's sign-in session answers from its cookie record until sign-in
// is shown or a sign-out needs the engine's files wiped; then it makes the web
// engine's session once and hands every call to it.
#include "account/companion_session.h"
#include "account/sign_in_on_demand.h"
#include "devserver/devserver_harness.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWidget>
#include <qcoro/qcorotask.h>

namespace {

QList<QNetworkReply::RawHeaderPair> setCookie(const QByteArray &field) { return {{"Set-Cookie", field}}; }

QByteArray sessionValue(SignInSession &session, const QUrl &url)
{
    return QCoro::waitFor(session.cookies(url)).value(0).value();
}

} // namespace

class SignInOnDemandTest : public QObject {
    Q_OBJECT

    QTemporaryDir folder;
    int loads = 0;
    bool loaderWorks = true;

    SignInOnDemand::Loader loader()
    {
        return [this]() -> std::unique_ptr<SignInSession> {
            ++loads;
            if (!loaderWorks)
                return nullptr;
            return std::make_unique<CompanionSession>(folder.path(), nullptr);
        };
    }
    QString recordPath() const { return folder.filePath(QStringLiteral("session-cookie.json")); }

private Q_SLOTS:
    void init()
    {
        QDir(folder.path()).removeRecursively();
        QDir().mkpath(folder.path());
        loads = 0;
        loaderWorks = true;
    }

    // Taken from API answers and read back, across a restart, with no engine made.
    void recordAnswersWithoutTheEngine()
    {
        const QUrl origin(QStringLiteral("http://localhost:3000"));
        {
            SignInOnDemand session(folder.path(), loader());
            QCoro::waitFor(session.acceptCookies(setCookie("auth.session-token=abc; HttpOnly\ntheme=dark"), origin));
            QCOMPARE(sessionValue(session, origin), QByteArray("abc"));
        }
        SignInOnDemand restarted(folder.path(), loader());
        QCOMPARE(sessionValue(restarted, origin), QByteArray("abc"));
        QCOMPARE(sessionValue(restarted, QUrl(QStringLiteral("http://127.0.0.1:3000"))), QByteArray());
        // An expiry in the past ends the session.
        QCoro::waitFor(restarted.acceptCookies(
            setCookie("auth.session-token=gone; Expires=Thu, 01 Jan 1970 00:00:00 GMT"), origin));
        QCOMPARE(sessionValue(restarted, origin), QByteArray());
        restarted.finishLogin(); // nothing to hide, nothing made
        QCOMPARE(loads, 0);
        QVERIFY(!restarted.engineSession());
    }

    // Sign-in makes the engine's session once; it takes over the record,
    // reports its changes through the program's callback and hides for reuse.
    void signInMakesTheEngineOnceAndHandsOver()
    {
        DevServerProcess webApp;
        QVERIFY2(webApp.start(), qPrintable(webApp.errorOutput()));
        const QUrl origin(QStringLiteral("http://localhost:%1").arg(webApp.port()));
        SignInOnDemand session(folder.path(), loader());
        int changes = 0;
        session.onSessionChange = [&changes] { ++changes; };
        QCoro::waitFor(session.acceptCookies(setCookie("auth.session-token=abc"), origin));

        session.showLogin(origin);
        QCOMPARE(loads, 1);
        auto *engine = dynamic_cast<CompanionSession *>(session.engineSession());
        QVERIFY(engine && engine->window() && engine->window()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(changes > 0, 30000); // the sign-in page loaded
        QCOMPARE(sessionValue(session, origin), QByteArray("abc"));

        // Hidden, by finishLogin or by its close button, the window keeps no page:
        // the engine's renderer process ends; shown again, the page loads anew.
        QWebEnginePage *page = engine->webView()->page();
        for (const bool closeButton : {false, true}) {
            const qint64 renderer = page->renderProcessPid();
            QVERIFY(renderer > 0);
            closeButton ? void(engine->window()->close()) : session.finishLogin();
            QVERIFY(!engine->window()->isVisible());
            QTRY_COMPARE(page->lifecycleState(), QWebEnginePage::LifecycleState::Discarded);
            QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(QStringLiteral("/proc/%1").arg(renderer)), 10000);
            const int before = changes;
            session.showLogin(origin);
            QCOMPARE(loads, 1);
            QVERIFY(engine->window()->isVisible());
            QCOMPARE(page->lifecycleState(), QWebEnginePage::LifecycleState::Active);
            QTRY_VERIFY_WITH_TIMEOUT(changes > before, 30000);
            QCOMPARE(sessionValue(session, origin), QByteArray("abc"));
        }
    }

    // A sign-out wipes through the engine's session; without one (the plugin
    // missing) the record still goes, and sign-in is not tried again.
    void signOut_data()
    {
        QTest::addColumn<bool>("loaderWorks");
        QTest::newRow("engine made for the wipe") << true;
        QTest::newRow("engine cannot be made") << false;
    }
    void signOut()
    {
        QFETCH(bool, loaderWorks);
        this->loaderWorks = loaderWorks;
        const QUrl origin(QStringLiteral("http://localhost:3000"));
        SignInOnDemand session(folder.path(), loader());
        QCoro::waitFor(session.acceptCookies(setCookie("auth.session-token=abc"), origin));
        QVERIFY(QFile::exists(recordPath()));

        QCoro::waitFor(session.clear());
        QCOMPARE(loads, 1);
        QCOMPARE(sessionValue(session, origin), QByteArray());
        QVERIFY(!QFile::exists(recordPath()));
        session.showLogin(origin);
        QCOMPARE(loads, 1);
        QCOMPARE(session.engineSession() != nullptr, loaderWorks);
    }

    // A sign-out that an earlier run could not finish is finished at start.
    void interruptedSignOutFinishedAtStart()
    {
        QDir().mkpath(folder.filePath(QStringLiteral("engine")));
        QFile leftOver(folder.filePath(QStringLiteral("engine/Cookies")));
        QVERIFY(leftOver.open(QIODevice::WriteOnly) && leftOver.write("auth.session-token"));
        leftOver.close();
        QFile marker(folder.path() + SignInOnDemand::wipeMarkerName());
        QVERIFY(marker.open(QIODevice::WriteOnly));
        marker.close();

        SignInOnDemand session(folder.path(), loader());
        QCOMPARE(loads, 1);
        QVERIFY(!QFile::exists(leftOver.fileName()));
        QVERIFY(!QFile::exists(marker.fileName()));
    }
};

QTEST_MAIN(SignInOnDemandTest)
#include "tst_sign_in_on_demand.moc"
