#pragma once

#include "account/sign_in_message.h"

#include <QLocalSocket>
#include <QObject>
#include <QProcess>

// One run of the sign-in helper process (pelora-sign-in), seen from the
// companion: started with a connected socket as its standard input, which
// carries SignInMessages both ways. The helper ends when told to, and on its
// own when the companion goes away, since its end of the socket then closes.
class SignInProcess : public QObject {
    Q_OBJECT
public:
    SignInProcess(const QString &program, const QString &storageFolder, QObject *parent = nullptr);
    // Lets a helper that still runs end on its own, for a moment, then ends it.
    ~SignInProcess() override;

    // Starts the helper; ended() follows, with a logged cause, when it cannot.
    void start();
    void send(const SignInMessage &message);
    // Ends the helper at once, saying why in the log.
    void kill(const char *reason);

    // How many messages were sent to this helper.
    quint32 sent() const { return m_sent; }
    qint64 processId() const { return m_process.processId(); }
    bool hasEnded() const { return m_ended; }

Q_SIGNALS:
    void received(const SignInMessage &message);
    // The process is gone, however it went; emitted once.
    void ended();

private:
    void readMessages();
    void processFinished(int exitCode, QProcess::ExitStatus status);
    void processFailed(QProcess::ProcessError error);
    void finish();

    QProcess m_process;
    QLocalSocket m_channel;
    SignInMessageReader m_reader;
    quint32 m_sent = 0;
    bool m_killed = false;
    bool m_ended = false;
};
