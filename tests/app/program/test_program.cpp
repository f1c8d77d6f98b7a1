// The pelora-companion program: a later launch hands over to the running
// companion, and SIGTERM ends it in order.
#include <QProcess>
#include <QTest>

#include <csignal>

namespace {

// Whether a visible X window named like `pattern` is seen once in `timeout` ms. (A
// QTRY macro would search again after success, and a search can miss while
// other windows come and go.)
bool windowAppears(const QString &pattern, int timeout = 20000)
{
    return QTest::qWaitFor([&] {
        QProcess xdotool;
        xdotool.start(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--name", pattern});
        return xdotool.waitForFinished(5000) && !xdotool.readAllStandardOutput().trimmed().isEmpty();
    }, timeout);
}

} // namespace

class ProgramTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void laterLaunchesHandOverAndSigtermEndsTheCompanionInOrder()
    {
        const QString program = QStringLiteral(PELORA_COMPANION_PATH);
        QProcess companion;
        companion.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        companion.start(program, {});
        QVERIFY(windowAppears(QStringLiteral("^Pelora · A little Malay$"))); // signed out: the message card

        QProcess second;
        second.start(program, {"--lookup"});
        QVERIFY(second.waitForFinished(10000) && second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0);
        QVERIFY(windowAppears(QStringLiteral("^Look up a phrase · Pelora$")));
        QVERIFY(!windowAppears(QStringLiteral("^Pelora · A little Malay$"), 0)); // lookup dismissed the card

        ::kill(pid_t(companion.processId()), SIGTERM);
        QVERIFY(companion.waitForFinished(15000) && companion.exitStatus() == QProcess::NormalExit);
        QCOMPARE(companion.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(ProgramTest)
#include "test_program.moc"
