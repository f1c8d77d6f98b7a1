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
        QTRY_VERIFY_WITH_TIMEOUT(!visibleWindows(QStringLiteral("^Pelora · A little Malay$")).isEmpty(), 20000);

        QProcess second;
        second.start(program, {"--lookup"});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!visibleWindows(QStringLiteral("^Look up a phrase · Pelora$")).isEmpty(), 20000);
        QVERIFY(visibleWindows(QStringLiteral("^Pelora · A little Malay$")).isEmpty()); // lookup dismissed the card

        ::kill(pid_t(companion.processId()), SIGTERM);
        QVERIFY(companion.waitForFinished(15000));
        QCOMPARE(companion.exitStatus(), QProcess::NormalExit);
        QCOMPARE(companion.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(ProgramTest)
#include "test_program.moc"
