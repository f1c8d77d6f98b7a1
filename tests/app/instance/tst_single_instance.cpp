#include "app/command_line.h"
#include "app/single_instance.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <memory>

namespace {

// Starts a launch of the probe, which behaves like the program's entry.
std::unique_ptr<QProcess> startLaunch(const QStringList &arguments,
                                      const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    process->start(QStringLiteral(PROBE_PATH), arguments);
    return process;
}

// Runs a launch to its end while this process keeps serving; its exit code.
int runLaunch(const QStringList &arguments)
{
    auto process = startLaunch(arguments);
    QSignalSpy finished(process.get(), &QProcess::finished);
    if (!finished.wait(15000) || process->exitStatus() != QProcess::NormalExit)
        return -1;
    return process->exitCode();
}

bool waitForLine(QProcess &process, const QByteArray &line)
{
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (process.canReadLine())
            return process.readLine().trimmed() == line;
        QTest::qWait(20);
    }
    return false;
}

// A hand-made client that sends whatever bytes it is given.
bool connectionIsDroppedAfterSending(const QByteArray &bytes)
{
    QLocalSocket socket;
    socket.connectToServer(SingleInstance::socketPath());
    if (!socket.waitForConnected(1000))
        return false;
    socket.write(bytes);
    socket.flush();
    QSignalSpy disconnected(&socket, &QLocalSocket::disconnected);
    return disconnected.wait(6000) && socket.readAll().isEmpty();
}

QByteArray framed(const QByteArray &json)
{
    QByteArray header(4, '\0');
    qToBigEndian(quint32(json.size()), header.data());
    return header + json;
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void secondLaunchHandsOverItsArgumentsAndExits()
    {
        SingleInstance instance;
        QSignalSpy received(&instance, &SingleInstance::argumentsReceived);
        QVERIFY(instance.listen());
        QVERIFY(instance.isListening());
        QVERIFY(QFile::exists(SingleInstance::socketPath()));

        QCOMPARE(runLaunch({"--lookup"}), 0);
        QTRY_COMPARE(received.size(), 1);
        const QStringList first = received.at(0).at(0).toStringList();
        QCOMPARE(first.mid(1), QStringList{"--lookup"});
        QVERIFY(first.at(0).endsWith(u"single_instance_probe"));
        QVERIFY(CommandLine::requests(first).lookup);

        const QStringList odd{"--sign-in", "--unknown", "kata “baru” · …", ""};
        QCOMPARE(runLaunch(odd), 0);
        QTRY_COMPARE(received.size(), 2);
        QCOMPARE(received.at(1).at(0).toStringList().mid(1), odd);

        QCOMPARE(runLaunch({}), 0); // a bare second launch is handed over too
        QTRY_COMPARE(received.size(), 3);
        QCOMPARE(received.at(2).at(0).toStringList().size(), 1);
    }

    void socketGoesWithTheCompanion()
    {
        {
            SingleInstance instance;
            QVERIFY(instance.listen());
        }
        QVERIFY(!QFile::exists(SingleInstance::socketPath()));
        SingleInstance next;
        QVERIFY(next.listen());
    }

    void socketOfACrashedCompanionIsReplaced()
    {
        auto crashed = startLaunch({});
        QVERIFY(waitForLine(*crashed, "listening"));
        crashed->kill(); // SIGKILL: no chance to remove its socket
        QVERIFY(crashed->waitForFinished(5000));
        QVERIFY(QFile::exists(SingleInstance::socketPath()));

        SingleInstance instance;
        QSignalSpy received(&instance, &SingleInstance::argumentsReceived);
        QVERIFY(instance.listen());
        QVERIFY(instance.isListening());
        QCOMPARE(runLaunch({"--lookup"}), 0);
        QTRY_COMPARE(received.size(), 1);
    }

    void simultaneousLaunchesAgreeOnOneCompanion()
    {
        std::vector<std::unique_ptr<QProcess>> launches;
        for (int i = 0; i < 4; ++i)
            launches.push_back(startLaunch({QString::number(i)}));

        QProcess *companion = nullptr;
        int handedOver = 0;
        QDeadlineTimer deadline(20000);
        while ((!companion || handedOver < 3) && !deadline.hasExpired()) {
            QTest::qWait(50);
            handedOver = 0;
            for (const auto &launch : launches) {
                if (launch->state() == QProcess::NotRunning) {
                    QCOMPARE(launch->exitCode(), 0);
                    ++handedOver;
                } else if (!companion && launch->canReadLine()) {
                    QCOMPARE(launch->readLine().trimmed(), QByteArray("listening"));
                    companion = launch.get();
                }
            }
        }
        QVERIFY(companion);
        QCOMPARE(handedOver, 3);
        QByteArray handedOverLines;
        QTRY_COMPARE((handedOverLines += companion->readAll()).count('\n'), 3);
        companion->terminate();
        QVERIFY(companion->waitForFinished(5000));
    }

    void brokenMessagesAreDroppedAndTheCompanionCarriesOn()
    {
        SingleInstance instance;
        QSignalSpy received(&instance, &SingleInstance::argumentsReceived);
        QVERIFY(instance.listen());

        QByteArray oversized(4, '\xff');
        QVERIFY(connectionIsDroppedAfterSending(oversized));
        QVERIFY(connectionIsDroppedAfterSending(framed("{\"not\": \"a list\"}")));
        QVERIFY(connectionIsDroppedAfterSending(framed("[\"--lookup\", 1]")));
        QVERIFY(connectionIsDroppedAfterSending(framed("[\"--lookup\"") ));
        QVERIFY(connectionIsDroppedAfterSending(framed("[\"--lookup\"]") + "[]"));
        QVERIFY(connectionIsDroppedAfterSending({})); // says nothing: dropped after a time-out
        QCOMPARE(received.size(), 0);

        QCOMPARE(runLaunch({"--lookup"}), 0);
        QTRY_COMPARE(received.size(), 1);
    }

    void companionThatDoesNotAnswerKeepsItsSocket()
    {
        // Something listens on the socket but never reads: a hung companion.
        QLocalServer hung;
        QVERIFY(hung.listen(SingleInstance::socketPath()));
        QCOMPARE(runLaunch({"--lookup"}), 1);
        QVERIFY(QFile::exists(SingleInstance::socketPath()));
    }

    void eachConfigurationFolderHasItsOwnCompanion()
    {
        SingleInstance instance;
        QVERIFY(instance.listen());
        QTemporaryDir demoConfig;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", demoConfig.path());
        auto demo = startLaunch({"--lookup"}, environment);
        QVERIFY(waitForLine(*demo, "listening"));
        demo->terminate();
        QVERIFY(demo->waitForFinished(5000));
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_single_instance.moc"
