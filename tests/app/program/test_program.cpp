// The pelora-companion program: a later launch hands over to the running
// companion, SIGTERM ends it in order, and a sign-out holds however soon the
// companion is ended after it.
#include "devserver/devserver_harness.h"
#include "process_tree.h"
#include "schedule/preferences.h"

#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>
#include <csignal>

using namespace Qt::StringLiterals;

namespace {

const QString program = QString::fromUtf8(PELORA_COMPANION_PATH);
const QString signInWindow = u"^Sign in to Pelora$"_s;
const QString cardWindow = u"^Pelora · A little Malay$"_s;

QString firstWindow(const QStringList &search)
{
    QProcess xdotool;
    xdotool.start(u"xdotool"_s, QStringList{u"search"_s} + search);
    return xdotool.waitForFinished(5000) ? QString::fromLatin1(xdotool.readAllStandardOutput()).section(u'\n', 0, 0)
                                         : QString();
}

// Whether a visible X window named like `pattern` is seen once in `timeout` ms. (A
// QTRY macro would search again after success, and a search can miss while
// other windows come and go.)
bool windowAppears(const QString &pattern, int timeout = 20000)
{
    return QTest::qWaitFor([&] { return !firstWindow({u"--onlyvisible"_s, u"--name"_s, pattern}).isEmpty(); }, timeout);
}

bool windowGoes(const QString &pattern, int timeout = 20000)
{
    return QTest::qWaitFor([&] { return firstWindow({u"--onlyvisible"_s, u"--name"_s, pattern}).isEmpty(); }, timeout);
}

bool xdotool(const QStringList &arguments)
{
    return QProcess::execute(u"xdotool"_s, arguments) == 0;
}

// Types the demo learner's e-mail and password into the sign-in page, whose
// caret starts in the e-mail field once it has loaded, until the sign-in
// window goes. Keys typed before the page is there are lost: type again.
bool signInByKeyboard()
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        QTest::qWait(3000);
        if (!xdotool({u"key"_s, u"ctrl+a"_s}) || !xdotool({u"type"_s, u"--delay"_s, u"20"_s, u"learner@pelora.test"_s})
            || !xdotool({u"key"_s, u"Tab"_s, u"ctrl+a"_s})
            || !xdotool({u"type"_s, u"--delay"_s, u"20"_s, u"selamat-pagi"_s}) || !xdotool({u"key"_s, u"Return"_s}))
            return false;
        if (windowGoes(signInWindow, 10000))
            return true;
    }
    return false;
}

// A click on the companion's tray icon, and a moment for its menu to open.
bool openTrayMenu()
{
    QString icon;
    if (!QTest::qWaitFor([&] { return !(icon = firstWindow({u"--name"_s, u"^PeloraCompanion$"_s})).isEmpty(); }, 15000))
        return false;
    const bool clicked = xdotool({u"mousemove"_s, u"--window"_s, icon, u"8"_s, u"8"_s, u"click"_s, u"1"_s});
    QTest::qWait(500);
    return clicked;
}

// How a process ended within 15 s: "exit N", "crashed" or "still running".
QString ending(QProcess &process)
{
    if (!process.waitForFinished(15000))
        return u"still running"_s;
    return process.exitStatus() == QProcess::CrashExit ? u"crashed"_s : u"exit %1"_s.arg(process.exitCode());
}

QString terminate(QProcess &companion)
{
    ::kill(pid_t(companion.processId()), SIGTERM);
    return ending(companion);
}

// Whether the process has Qt WebEngine's library mapped.
bool mapsWebEngine(qint64 pid)
{
    QFile maps(u"/proc/%1/maps"_s.arg(pid));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6WebEngineCore");
}

// The companion's sign-in helper, while one runs.
qint64 signInHelper(qint64 companion)
{
    for (const qint64 pid : processTree(companion)) {
        if (QFile::symLinkTarget(u"/proc/%1/exe"_s.arg(pid)).endsWith(u"/pelora-sign-in"))
            return pid;
    }
    return 0;
}

// Files under `folder` whose bytes contain one of `needles` (after a sign-out,
// the session token must be in none).
QStringList filesContaining(const QString &folder, const QByteArrayList &needles)
{
    QStringList found;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
         it.hasNext();) {
        QFile file(it.next());
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        if (std::any_of(needles.begin(), needles.end(),
                        [&](const QByteArray &needle) { return bytes.contains(needle); }))
            found << file.fileName();
    }
    return found;
}

// Rows for the session cookie in the web engine's cookie databases.
int sessionCookieRows(const QString &folder)
{
    int rows = 0;
    for (QDirIterator it(folder, {u"Cookies"_s}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"cookies"_s);
            db.setDatabaseName(it.next());
            QSqlQuery query(db);
            if (db.open() && query.exec(u"SELECT count(*) FROM cookies WHERE name = 'auth.session-token'"_s)
                && query.next())
                rows += query.value(0).toInt();
        }
        QSqlDatabase::removeDatabase(u"cookies"_s);
    }
    return rows;
}

QString dataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

// The session token the companion keeps for the learner, read from its own record.
QByteArray recordedToken()
{
    QFile record(dataFolder() + u"/Pelora/PeloraCompanion/sign-in/session-cookie.json"_s);
    if (!record.open(QIODevice::ReadOnly))
        return {};
    const QJsonArray entries = QJsonDocument::fromJson(record.readAll()).array();
    return QByteArray::fromBase64(entries.first().toObject().value("value"_L1).toString().toLatin1());
}

void startCompanion(QProcess &companion, const QStringList &arguments = {})
{
    companion.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    companion.start(program, arguments);
}

// Starts the companion with "--sign-in"; its sign-in helper once the sign-in
// window shows, 0 when the window or the helper does not come.
qint64 startSigningIn(QProcess &companion)
{
    startCompanion(companion, {u"--sign-in"_s});
    if (!windowAppears(signInWindow)) {
        qWarning("no sign-in window");
        return 0;
    }
    return signInHelper(companion.processId());
}

} // namespace

class ProgramTest : public QObject {
    Q_OBJECT

    DevServerProcess webApp;
    QProcess tray;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(webApp.start());
        Preferences::standard().setValue(u"webOrigin"_s, u"http://localhost:%1"_s.arg(webApp.port()));
        tray.start(u"trayer"_s, {u"--edge"_s, u"top"_s});
        QVERIFY(tray.waitForStarted());
    }

    void cleanupTestCase()
    {
        tray.kill();
        tray.waitForFinished();
    }

    void laterLaunchesHandOverAndSigtermEndsTheCompanionInOrder()
    {
        QProcess companion;
        startCompanion(companion);
        QVERIFY(windowAppears(cardWindow));             // signed out: the message card
        QVERIFY(!mapsWebEngine(companion.processId())); // the web engine waits for sign-in

        QProcess second;
        second.start(program, {u"--lookup"_s});
        QCOMPARE(ending(second), u"exit 0"_s);
        QVERIFY(windowAppears(u"^Look up a phrase · Pelora$"_s));
        QVERIFY(!windowAppears(cardWindow, 0)); // lookup dismissed the card
        QCOMPARE(terminate(companion), u"exit 0"_s);
    }

    void ctrlQInTheTrayMenuQuits()
    {
        QProcess companion;
        startCompanion(companion);
        QVERIFY(windowAppears(cardWindow));
        QVERIFY(openTrayMenu());
        QVERIFY(xdotool({u"key"_s, u"ctrl+q"_s}));
        QCOMPARE(ending(companion), u"exit 0"_s);
    }

    // The learner signs out from the tray menu and the companion is ended
    // (a desktop log-out, a SIGTERM) at once or while the web data is wiped.
    void signOutHoldsWhenTheCompanionEndsRightAfter_data()
    {
        QTest::addColumn<int>("quitAfterMs");
        QTest::newRow("at once") << 0;
        QTest::newRow("while the engine stops") << 150;
        QTest::newRow("while the folders go") << 350;
    }

    void signOutHoldsWhenTheCompanionEndsRightAfter()
    {
        QFETCH(int, quitAfterMs);
        QProcess companion;
        // The web engine runs in the sign-in helper alone, and ends with its window.
        const qint64 helper = startSigningIn(companion);
        QVERIFY(helper > 0);
        QVERIFY(mapsWebEngine(helper));
        QVERIFY(!mapsWebEngine(companion.processId()));
        const QList<qint64> engine = processTree(helper);
        QVERIFY(signInByKeyboard()); // the library loaded: signed in, the first card shows
        QVERIFY(windowAppears(cardWindow));
        QTRY_VERIFY_WITH_TIMEOUT(!anyAlive(engine), 10000);
        const QByteArray token = recordedToken();
        QVERIFY(!token.isEmpty());
        QTest::qWait(1500); // late page loads and cookie reports settle

        // "Sign out" is the ninth item the keyboard reaches.
        QVERIFY(openTrayMenu());
        QVERIFY(xdotool(QStringList{u"key"_s, u"--delay"_s, u"30"_s} + QStringList(9, u"Down"_s)
                        + QStringList{u"Return"_s}));
        QVERIFY(windowGoes(cardWindow, 5000)); // signing out dismisses the card and starts the wipe
        QTest::qWait(quitAfterMs);
        QCOMPARE(terminate(companion), u"exit 0"_s);

        // The next launch is signed out: "--sign-in" opens the window only then.
        QVERIFY(startSigningIn(companion) > 0);
        QCOMPARE(terminate(companion), u"exit 0"_s);
        QCOMPARE(filesContaining(dataFolder(), {token, token.toBase64()}), QStringList());
        QCOMPARE(sessionCookieRows(dataFolder()), 0);
    }

    // A companion that dies without a word takes its sign-in helper, and the
    // engine's processes, with it.
    void theHelperEndsWithTheCompanion()
    {
        QProcess companion;
        const qint64 helper = startSigningIn(companion);
        QVERIFY(helper > 0);
        QTest::qWait(1000); // the engine's processes are up
        const QList<qint64> engine = processTree(helper);
        ::kill(pid_t(companion.processId()), SIGKILL);
        QVERIFY(companion.waitForFinished(5000));
        QTRY_VERIFY_WITH_TIMEOUT(!anyAlive(engine), 10000);
        QVERIFY(windowGoes(signInWindow, 1000));
    }
};

QTEST_GUILESS_MAIN(ProgramTest)
#include "test_program.moc"
