// One companion per learner: later launches hand their arguments over through
// a local socket that survives crashes, races and hostile clients.
#include "app/single_instance.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

std::unique_ptr<QProcess> startLaunch(const QStringList &arguments)
{
    auto process = std::make_unique<QProcess>();
    process->start(QCoreApplication::applicationFilePath(), QStringList{u"--launch"_s} + arguments);
    return process;
}

// Runs a launch to its end while this process keeps serving; its exit code.
int runLaunch(const QStringList &arguments)
{
    auto process = startLaunch(arguments);
    QSignalSpy finished(process.get(), &QProcess::finished);
    return finished.wait(15000) && process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
}

// Sends raw bytes as a launch would; what the companion did: "dropped" when it
// hung up without answering.
QString answerTo(const QByteArray &bytes)
{
    QLocalSocket socket;
    socket.connectToServer(SingleInstance::socketPath());
    socket.write(bytes);
    socket.flush();
    QSignalSpy disconnected(&socket, &QLocalSocket::disconnected);
    if (socket.state() != QLocalSocket::ConnectedState)
        return u"not connected"_s;
    if (!disconnected.wait(6000))
        return u"kept the connection"_s;
    const QByteArray answer = socket.readAll();
    return answer.isEmpty() ? u"dropped"_s : u"answered "_s + QString::fromLatin1(answer.toHex());
}

QByteArray framed(const QByteArray &json)
{
    const quint32 size = qToBigEndian(quint32(json.size()));
    return QByteArray(reinterpret_cast<const char *>(&size), 4) + json;
}

} // namespace

class InstanceTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A crashed companion left its socket behind; the next launch takes its
    // place, and later launches hand their arguments over unchanged.
    void secondLaunchHandsOverItsArgumentsAfterACrash()
    {
        auto crashed = startLaunch({});
        QVERIFY(crashed->waitForReadyRead(10000));
        crashed->kill(); // SIGKILL: no chance to remove its socket
        QVERIFY(crashed->waitForFinished(5000));
        QVERIFY(QFile::exists(SingleInstance::socketPath()));

        SingleInstance instance;
        QSignalSpy received(&instance, &SingleInstance::argumentsReceived);
        QVERIFY(instance.listen());
        const QStringList odd{u"--lookup"_s, u"--unknown"_s, u"kata “baru” · …"_s, u""_s};
        QCOMPARE(runLaunch(odd), 0);
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received.at(0).at(0).toStringList(),
                 (QStringList{QCoreApplication::applicationFilePath(), u"--launch"_s} + odd));
    }

    void brokenMessagesAreDroppedAndTheCompanionCarriesOn_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("longer than any message may be") << QByteArray(4, '\xff');
        QTest::newRow("an object, not a list") << framed("{\"not\": \"a list\"}"_ba);
        QTest::newRow("a number in the list") << framed("[\"--lookup\", 1]"_ba);
        QTest::newRow("bytes after the message") << framed("[\"--lookup\"]"_ba) + "[]"_ba;
        QTest::newRow("silence: dropped after a time-out") << QByteArray();
    }

    void brokenMessagesAreDroppedAndTheCompanionCarriesOn()
    {
        QFETCH(QByteArray, bytes);
        SingleInstance instance;
        QSignalSpy received(&instance, &SingleInstance::argumentsReceived);
        QVERIFY(instance.listen());
        QCOMPARE(answerTo(bytes), u"dropped"_s);
        QCOMPARE(received.size(), 0);
        QCOMPARE(runLaunch({u"--lookup"_s}), 0);
        QTRY_COMPARE(received.size(), 1);
    }

    void companionThatDoesNotAnswerKeepsItsSocket()
    {
        QLocalServer hung; // listens, never reads
        QVERIFY(hung.listen(SingleInstance::socketPath()));
        QCOMPARE(runLaunch({u"--lookup"_s}), 1);
        QVERIFY(QFile::exists(SingleInstance::socketPath()));
    }
};

// With "--launch" first, a launch as the program's entry runs it: exits 0 after
// handing its arguments over, 1 when they are not taken; otherwise it is the
// companion and prints "listening".
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (app.arguments().value(1) != u"--launch") {
        InstanceTest test;
        return QTest::qExec(&test, argc, argv);
    }
    SingleInstance instance;
    if (!instance.listen())
        return SingleInstance::forward(app.arguments()) ? 0 : 1;
    std::printf("listening\n");
    std::fflush(stdout);
    return app.exec();
}

#include "tst_instance.moc"
