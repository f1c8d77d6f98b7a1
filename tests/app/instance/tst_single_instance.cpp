#include "app/command_line.h"
#include "app/single_instance.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>
#include <memory>

namespace {

// A launch of the probe, which does what the program's entry does.
std::unique_ptr<QProcess> startLaunch(const QStringList &arguments)
{
    auto process = std::make_unique<QProcess>();
    process->start(QStringLiteral(PROBE_PATH), arguments);
    return process;
}

// Runs a launch to its end while this process keeps serving; its exit code.
int runLaunch(const QStringList &arguments)
{
    auto process = startLaunch(arguments);
    QSignalSpy finished(process.get(), &QProcess::finished);
    return finished.wait(15000) && process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
}

// Sends raw bytes as a launch would; true when the companion hangs up without answering.
bool droppedAfterSending(const QByteArray &bytes)
{
    QLocalSocket socket;
    socket.connectToServer(SingleInstance::socketPath());
    socket.write(bytes);
    socket.flush();
    QSignalSpy disconnected(&socket, &QLocalSocket::disconnected);
    return socket.state() == QLocalSocket::ConnectedState && disconnected.wait(6000) && socket.readAll().isEmpty();
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
        QCOMPARE(runLaunch({"--lookup"}), 0);
        QTRY_COMPARE(received.size(), 1);
        const QStringList first = received.at(0).at(0).toStringList();
        QVERIFY(first.at(0).endsWith(u"single_instance_probe"));
        QVERIFY(CommandLine::requests(first).lookup);

        const QStringList odd{"--sign-in", "--unknown", "kata “baru” · …", ""};
        QCOMPARE(runLaunch(odd), 0);
        QTRY_COMPARE(received.size(), 2);
        QCOMPARE(received.at(1).at(0).toStringList().mid(1), odd);
    }

    void socketOfACrashedCompanionIsReplaced()
    {
        auto crashed = startLaunch({});
        QVERIFY(crashed->waitForReadyRead(10000));
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
        // Three hand over and exit 0; the one left prints what it was handed.
        QTRY_COMPARE_WITH_TIMEOUT(std::count_if(launches.begin(), launches.end(),
                                                [](const auto &p) { return p->state() == QProcess::NotRunning; }),
                                  3, 20000);
        QByteArray output;
        for (const auto &launch : launches) {
            if (launch->state() == QProcess::NotRunning)
                QCOMPARE(launch->exitCode(), 0);
            else
                QTRY_COMPARE((output += launch->readAll()).count('\n'), 4); // "listening" and three launches
        }
        for (const auto &launch : launches)
            launch->kill();
    }

    void brokenMessagesAreDropped()
    {
        SingleInstance instance;
        QSignalSpy received(&instance, &SingleInstance::argumentsReceived);
        QVERIFY(instance.listen());
        QVERIFY(droppedAfterSending(QByteArray(4, '\xff'))); // longer than any message may be
        QVERIFY(droppedAfterSending(framed("{\"not\": \"a list\"}")));
        QVERIFY(droppedAfterSending(framed("[\"--lookup\", 1]")));
        QVERIFY(droppedAfterSending(framed("[\"--lookup\"]") + "[]"));
        QVERIFY(droppedAfterSending({})); // says nothing: dropped after a time-out
        QCOMPARE(received.size(), 0);
        QCOMPARE(runLaunch({"--lookup"}), 0); // and the companion carries on
        QTRY_COMPARE(received.size(), 1);
    }

    void companionThatDoesNotAnswerKeepsItsSocket()
    {
        QLocalServer hung; // listens, never reads
        QVERIFY(hung.listen(SingleInstance::socketPath()));
        QCOMPARE(runLaunch({"--lookup"}), 1);
        QVERIFY(QFile::exists(SingleInstance::socketPath()));
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_single_instance.moc"
