// The pelora-companion program itself: one companion per learner, its windows
// on a real X display and an orderly end on SIGTERM.
#include <QProcess>
#include <QTest>

#include <csignal>

namespace {

const QString program = QStringLiteral(PELORA_COMPANION_PATH);

// Visible X windows whose name matches `pattern`.
QStringList visibleWindows(const QString &pattern)
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--name", pattern});
    xdotool.waitForFinished(5000);
    return QString::fromUtf8(xdotool.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Waits until a window matching `pattern` has been seen once. (A QTRY macro
// would search again after success, and a search can miss while other
// windows come and go.)
bool windowAppears(const QString &pattern)
{
    return QTest::qWaitFor([&] { return !visibleWindows(pattern).isEmpty(); }, 20000);
}

} // namespace

class ProgramTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void laterLaunchesHandOverAndSigtermEndsTheCompanionInOrder()
    {
        QProcess companion;
        companion.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        companion.start(program, {});
        // Signed out: the message card.
        QVERIFY(windowAppears(QStringLiteral("^Pelora · A little Malay$")));

        QProcess second;
        second.start(program, {"--lookup"});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(windowAppears(QStringLiteral("^Look up a phrase · Pelora$")));
        QVERIFY(visibleWindows(QStringLiteral("^Pelora · A little Malay$")).isEmpty()); // lookup dismissed the card

        ::kill(pid_t(companion.processId()), SIGTERM);
        QVERIFY(companion.waitForFinished(15000));
        QCOMPARE(companion.exitStatus(), QProcess::NormalExit);
        QCOMPARE(companion.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(ProgramTest)
#include "test_program.moc"
