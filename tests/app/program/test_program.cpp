// The pelora-companion program itself: its command line, one companion per
// learner, its windows on a real X display and an orderly end on SIGTERM.
#include <QProcess>
#include <QTest>

#include <csignal>

namespace {

const QString program = QStringLiteral(PELORA_COMPANION_PATH);

// Visible X windows whose name matches `pattern`.
QStringList visibleWindows(const QString &pattern)
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                              QStringLiteral("--name"), pattern});
    xdotool.waitForFinished(5000);
    return QString::fromUtf8(xdotool.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Waits until a window matching `pattern` has been seen on screen.
bool windowAppears(const QString &pattern, int timeoutMs = 20000)
{
    return QTest::qWaitFor([&] { return !visibleWindows(pattern).isEmpty(); }, timeoutMs);
}

} // namespace

class ProgramTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void versionAndHelpPrintAndExit()
    {
        QProcess version;
        version.start(program, {QStringLiteral("--version")});
        QVERIFY(version.waitForFinished(10000));
        QCOMPARE(version.exitCode(), 0);
        QVERIFY(version.readAllStandardOutput().startsWith("Pelora Companion " PELORA_VERSION));

        QProcess help;
        help.start(program, {QStringLiteral("--lookup"), QStringLiteral("--help")});
        QVERIFY(help.waitForFinished(10000));
        QCOMPARE(help.exitCode(), 0);
        QVERIFY(help.readAllStandardOutput().contains("--lookup"));
        QVERIFY(visibleWindows(QStringLiteral("Look up a phrase")).isEmpty()); // no companion was started
    }

    void firstLaunchShowsTheCardAndLaterLaunchesHandOver()
    {
        QProcess companion;
        companion.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        companion.start(program, {});
        QVERIFY(companion.waitForStarted());
        // Signed out on first launch: the message card appears.
        QVERIFY(windowAppears(QStringLiteral("^Pelora · A little Malay$"), 20000));

        // A second launch hands "--lookup" over and exits at once.
        QProcess second;
        second.start(program, {QStringLiteral("--lookup")});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(windowAppears(QStringLiteral("^Look up a phrase · Pelora$"), 10000));
        QVERIFY(visibleWindows(QStringLiteral("^Pelora · A little Malay$")).isEmpty()); // lookup dismissed the card

        // SIGTERM ends it in order, like "Quit Pelora".
        ::kill(pid_t(companion.processId()), SIGTERM);
        QVERIFY(companion.waitForFinished(15000));
        QCOMPARE(companion.exitStatus(), QProcess::NormalExit);
        QCOMPARE(companion.exitCode(), 0);

        // After a crash the next launch becomes the companion all the same.
        QProcess crashed;
        crashed.start(program, {});
        QVERIFY(crashed.waitForStarted());
        QVERIFY(windowAppears(QStringLiteral("^Pelora · A little Malay$"), 20000));
        ::kill(pid_t(crashed.processId()), SIGKILL);
        QVERIFY(crashed.waitForFinished(5000));
        QProcess next;
        next.start(program, {});
        QVERIFY(next.waitForStarted());
        QVERIFY(windowAppears(QStringLiteral("^Pelora · A little Malay$"), 20000));
        QCOMPARE(next.state(), QProcess::Running);
        next.terminate();
        QVERIFY(next.waitForFinished(15000));
        QCOMPARE(next.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(ProgramTest)
#include "test_program.moc"
