// The program's sign-in session answers from its cookie record until sign-in
// is shown; then the real sign-in helper process runs the window and writes
// the record, and ends as soon as the window closes or a wipe is done,
// however it ends.
#include "account/sign_in_on_demand.h"
#include "account/sign_in_storage.h"
#include "fixture_server.h"
#include "process_tree.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <qcoro/qcorotask.h>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

const QString helper = QString::fromUtf8(PELORA_SIGN_IN_HELPER);

QList<QNetworkReply::RawHeaderPair> setCookie(const QByteArray &field)
{
    return {{"Set-Cookie", field}};
}

QByteArray sessionValue(SignInSession &session, const QUrl &url)
{
    return QCoro::waitFor(session.cookies(url)).value(0).value();
}

// Runs xdotool and gives its output, or nothing when it failed or hung.
std::optional<QString> xdotool(const QStringList &arguments)
{
    QProcess process;
    process.start(u"xdotool"_s, arguments);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromLatin1(process.readAllStandardOutput());
}

// The sign-in window on screen, if it is there.
QString signInWindow()
{
    const auto found = xdotool({u"search"_s, u"--onlyvisible"_s, u"--name"_s, u"^Sign in to Pelora$"_s});
    return found.value_or(QString()).section(u'\n', 0, 0);
}

// Closes the sign-in window as a learner's click on its close button does: the
// window manager closes the active window on Alt+F4. A busy window manager can
// miss a key sent while it is still settling the focus, as a learner's first
// click can go unnoticed, so the key is pressed again while the window is
// there; a press that finds the window already gone is no failure.
bool closeSignInWindowWithAltF4()
{
    for (int press = 0; press < 5; ++press) {
        const QString window = signInWindow();
        if (window.isEmpty())
            return true;
        xdotool({u"windowactivate"_s, u"--sync"_s, window});
        xdotool({u"key"_s, u"alt+F4"_s});
        if (QTest::qWaitFor([] { return signInWindow().isEmpty(); }, 5000))
            return true;
    }
    return false;
}

// A stand-in helper: a shell script that writes `reply` to its socket (its
// standard input) as fast as the socket takes it, then waits.
QString writeFakeHelper(const QTemporaryDir &folder, const QByteArray &reply)
{
    const QString script = folder.filePath(u"fake-helper"_s);
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("#!/bin/sh\n" + reply + "\nexec sleep 60\n");
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return script;
}

} // namespace

class SignInOnDemandTest : public QObject {
    Q_OBJECT

    QTemporaryDir folder;
    FixtureServer site;
    QByteArray pageCookie; // what the sign-in page sets, if anything

    QString recordPath() const { return SignInStorage::recordPath(folder.path()); }

    // Shows sign-in and waits until the helper's page has loaded.
    bool showAndLoad(SignInOnDemand &session)
    {
        QSignalSpy changed(&session, &SignInSession::sessionChanged);
        session.showLogin(site.origin());
        return session.helperProcessId() > 0 && changed.wait(30000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(site.listen());
        site.setHandler([this](const FixtureServer::Request &request) {
            FixtureServer::Response response{200, {{"Content-Type", "text/html"}}, "<p>Sign in</p>"};
            if (!pageCookie.isEmpty() && request.url.path() == "/sign-in"_L1)
                response.headers.append({"Set-Cookie", pageCookie});
            return response;
        });
    }

    void init()
    {
        QDir(folder.path()).removeRecursively();
        QDir().mkpath(folder.path());
        pageCookie.clear();
    }

    // The helper signs in through its page and writes the record; the
    // companion reads it, hands it cookies from API answers, and once the
    // window closes (finishLogin, or the learner's close button) the helper
    // ends with every engine process, and the record answers alone.
    void helperRunsOnlyWhileTheWindowIsOpen_data()
    {
        QTest::addColumn<bool>("closeButton");
        QTest::newRow("finishLogin") << false;
        QTest::newRow("the window's close button") << true;
    }
    void helperRunsOnlyWhileTheWindowIsOpen()
    {
        QFETCH(bool, closeButton);
        pageCookie = "auth.session-token=from-page; HttpOnly";
        SignInOnDemand session(folder.path(), helper);
        QSignalSpy ended(&session, &SignInOnDemand::helperEnded);
        QVERIFY(showAndLoad(session));
        QTRY_COMPARE_WITH_TIMEOUT(sessionValue(session, site.origin()), QByteArray("from-page"), 10000);

        // A renewal from an API answer goes through the helper into the record.
        QCoro::waitFor(session.acceptCookies(setCookie("auth.session-token=renewed"), site.origin()));
        QTRY_COMPARE(sessionValue(session, site.origin()), QByteArray("renewed"));
        // The engine starts its processes one after another, slowly on a busy
        // machine: wait for the first, then give the rest a moment.
        QTRY_VERIFY_WITH_TIMEOUT(processTree(session.helperProcessId()).size() > 1, 15000);
        QTest::qWait(500);
        const QList<qint64> engine = processTree(session.helperProcessId());
        QVERIFY2(engine.size() > 1, "the helper started no engine process");

        if (closeButton) {
            QVERIFY(QTest::qWaitFor([] { return !signInWindow().isEmpty(); }, 10000));
            QVERIFY2(closeSignInWindowWithAltF4(), "the window manager never closed the sign-in window");
        } else {
            session.finishLogin();
        }
        QVERIFY(ended.wait(15000));
        QCOMPARE(session.helperProcessId(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!anyAlive(engine), 10000);
        QCOMPARE(sessionValue(session, site.origin()), QByteArray("renewed"));
        pageCookie.clear();

        // Shown again: a new helper, which finds the session where it was.
        QVERIFY(showAndLoad(session));
        QVERIFY(!engine.contains(session.helperProcessId()));
        QCOMPARE(sessionValue(session, site.origin()), QByteArray("renewed"));
        session.finishLogin();
        QVERIFY(ended.wait(15000));
        QCOMPARE(ended.size(), 2);
    }

    // Sign-in asked for again while the window's closing is on its way to the
    // companion: the same helper shows the window again and stays.
    void showingRightAfterHidingKeepsTheHelper()
    {
        SignInOnDemand session(folder.path(), helper);
        QSignalSpy ended(&session, &SignInOnDemand::helperEnded);
        QVERIFY(showAndLoad(session));
        const qint64 pid = session.helperProcessId();
        session.finishLogin();
        session.showLogin(site.origin());
        QVERIFY(!ended.wait(3000));
        QCOMPARE(session.helperProcessId(), pid);
        session.finishLogin();
        QVERIFY(ended.wait(15000));
        QCOMPARE(session.helperProcessId(), 0);
    }

    // A helper killed while a cookie from an API answer was on its way to it:
    // the cookie is taken into the record once the helper is gone.
    void helperKilledBeforeConfirmingACookie()
    {
        SignInOnDemand session(folder.path(), helper);
        QVERIFY(showAndLoad(session));
        const qint64 pid = session.helperProcessId();
        QSignalSpy ended(&session, &SignInOnDemand::helperEnded);
        QSignalSpy changed(&session, &SignInSession::sessionChanged);
        ::kill(pid_t(pid), SIGSTOP);
        QCoro::waitFor(session.acceptCookies(setCookie("auth.session-token=late"), site.origin()));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"sign-in helper ended unexpectedly: crashed"_s));
        ::kill(pid_t(pid), SIGKILL);
        QVERIFY(ended.wait(10000));
        QCOMPARE(sessionValue(session, site.origin()), QByteArray("late"));
        QCOMPARE(changed.size(), 1);
        SignInOnDemand restarted(folder.path(), helper);
        QCOMPARE(sessionValue(restarted, site.origin()), QByteArray("late"));
    }

    // A sign-out while the helper runs: the record and the engine's files go,
    // and no session change is reported meanwhile. A helper that does not
    // answer is ended after the wipe's time-out, and a sign-in asked for
    // during the wipe opens once it is done. (Without a helper, the broken
    // helpers' sign-out and the interrupted sign-out at start cover it.)
    void signOut_data()
    {
        QTest::addColumn<bool>("helperStuck");
        QTest::newRow("helper running") << false;
        QTest::newRow("helper stopped mid-step") << true;
    }
    void signOut()
    {
        QFETCH(bool, helperStuck);
        pageCookie = "auth.session-token=from-page";
        SignInOnDemand session(folder.path(), helper);
        session.setWipeTimeout(std::chrono::seconds(2));
        QVERIFY(showAndLoad(session));
        QTRY_VERIFY(!sessionValue(session, site.origin()).isEmpty());
        QVERIFY(QFile::exists(recordPath()));
        QVERIFY(QDir(folder.filePath(u"engine"_s)).exists());
        const qint64 pid = session.helperProcessId();
        if (helperStuck) {
            ::kill(pid_t(pid), SIGSTOP);
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression(u"ending the sign-in helper: its wipe took too long"_s));
        }
        pageCookie.clear();

        QSignalSpy changed(&session, &SignInSession::sessionChanged);
        QCoro::Task<void> wipe = session.clear();
        QCOMPARE(sessionValue(session, site.origin()), QByteArray()); // signed out at once
        session.showLogin(site.origin());                             // waits for the wipe
        QCoro::waitFor(std::move(wipe));
        QCOMPARE(changed.size(), 0);
        QVERIFY(!QFile::exists(recordPath()));
        QVERIFY(!QDir(folder.filePath(u"engine"_s)).exists());
        QVERIFY(!QFile::exists(SignInStorage::wipeMarkerPath(folder.path())));
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(u"/proc/%1"_s.arg(pid)), 10000);
        // The sign-in asked for during the wipe, in a helper of its own.
        QVERIFY(session.helperProcessId() > 0);
        QVERIFY(session.helperProcessId() != pid);
        QVERIFY(changed.wait(30000)); // its page loaded
        QCOMPARE(sessionValue(session, site.origin()), QByteArray());
    }

    // A sign-out that an earlier run could not finish is finished at start,
    // without the helper.
    void interruptedSignOutFinishedAtStart()
    {
        QDir().mkpath(folder.filePath(u"engine"_s));
        QFile leftOver(folder.filePath(u"engine/Cookies"_s));
        QVERIFY(leftOver.open(QIODevice::WriteOnly));
        QVERIFY(leftOver.write("auth.session-token") > 0);
        leftOver.close();
        SignInOnDemand signedIn(folder.path(), helper);
        QCoro::waitFor(signedIn.acceptCookies(setCookie("auth.session-token=abc"), site.origin()));
        SignInStorage::markWipePending(folder.path());

        SignInOnDemand session(folder.path(), helper);
        QCOMPARE(session.helperProcessId(), 0);
        QVERIFY(!QFile::exists(leftOver.fileName()));
        QVERIFY(!QFile::exists(recordPath()));
        QVERIFY(!QFile::exists(SignInStorage::wipeMarkerPath(folder.path())));
        QCOMPARE(sessionValue(session, site.origin()), QByteArray());
    }

    // A helper that answers garbage, floods its socket, speaks out of turn or
    // cannot start at all is ended with a logged cause; the companion goes on
    // answering from its record, and tries a new helper on the next sign-in.
    void brokenHelpersLeaveTheRecordAnswering_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("warning");
        const QString malformed = u"ending the sign-in helper: it sent a malformed message"_s;
        QTest::newRow("a length beyond the limit") << QByteArray("printf '\\377\\377\\377\\377' >&0") << malformed;
        QTest::newRow("text as fast as the socket takes it") << QByteArray("yes >&0") << malformed;
        // [1, "http://a"]: a "show", which only the companion sends.
        QTest::newRow("a message meant for the helper")
            << QByteArray("printf '\\000\\000\\000\\013\\202\\001\\150http://a' >&0")
            << u"ending the sign-in helper: it sent a message meant for itself"_s;
        QTest::newRow("exits at once with an error")
            << QByteArray("exit 3") << u"the sign-in helper ended unexpectedly: exit code 3"_s;
        QTest::newRow("missing") << QByteArray() << u"the sign-in helper could not start"_s;
    }
    void brokenHelpersLeaveTheRecordAnswering()
    {
        QFETCH(QByteArray, script);
        QFETCH(QString, warning);
        QTemporaryDir scripts;
        const QString program = script.isEmpty() ? scripts.filePath(u"missing"_s) : writeFakeHelper(scripts, script);
        SignInOnDemand session(folder.path(), program);
        QCoro::waitFor(session.acceptCookies(setCookie("auth.session-token=kept"), site.origin()));
        QCOMPARE(session.helperProcessId(), 0); // cookies from API answers start no helper
        QSignalSpy ended(&session, &SignInOnDemand::helperEnded);
        QSignalSpy changed(&session, &SignInSession::sessionChanged);
        for (int attempt = 1; attempt <= 2; ++attempt) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(warning)));
            session.showLogin(site.origin());
            QVERIFY(ended.wait(10000));
            QCOMPARE(ended.size(), attempt);
            QCOMPARE(session.helperProcessId(), 0);
            QCOMPARE(sessionValue(session, site.origin()), QByteArray("kept"));
        }
        QCOMPARE(changed.size(), 0);
        // A sign-out needs no helper to finish.
        QCoro::waitFor(session.clear());
        QCOMPARE(sessionValue(session, site.origin()), QByteArray());
        QVERIFY(!QFile::exists(recordPath()));
    }
};

QTEST_MAIN(SignInOnDemandTest)
#include "tst_sign_in_on_demand.moc"
