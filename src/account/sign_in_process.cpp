#include "account/sign_in_process.h"

#include "account/account_log.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A helper that was told to end (or lost its channel) persists the engine's
// data and exits; one that takes longer at the companion's own end is killed.
constexpr std::chrono::milliseconds endingGrace{3000};

} // namespace

SignInProcess::SignInProcess(const QString &program, const QString &storageFolder, QObject *parent) : QObject(parent)
{
    m_process.setProgram(program);
    m_process.setArguments({storageFolder});
    m_process.setStandardInputFile(QProcess::nullDevice()); // replaced by the socket below
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
    connect(&m_process, &QProcess::finished, this, &SignInProcess::processFinished);
    connect(&m_process, &QProcess::errorOccurred, this, &SignInProcess::processFailed);
    connect(&m_channel, &QLocalSocket::readyRead, this, &SignInProcess::readMessages);
}

SignInProcess::~SignInProcess()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.disconnect(this);
    // Only at the companion's end: the helper sees its channel close and
    // ends, writing the engine's cookies as it goes.
    m_channel.abort();
    if (!m_process.waitForFinished(int(endingGrace.count()))) {
        qCWarning(lcSession) << "the sign-in helper did not end with the companion; killed";
        m_process.kill();
        m_process.waitForFinished(int(endingGrace.count()));
    }
}

void SignInProcess::start()
{
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        qCWarning(lcSession) << "the sign-in helper could not start: no socket pair:" << std::strerror(errno);
        QMetaObject::invokeMethod(this, &SignInProcess::finish, Qt::QueuedConnection);
        return;
    }
    const int helperEnd = ends[1];
    // In the child, before the program runs: the socket becomes its standard
    // input. Every other copy of the pair is closed on exec.
    m_process.setChildProcessModifier([helperEnd] { ::dup2(helperEnd, STDIN_FILENO); });
    m_process.start();
    ::close(helperEnd);
    m_channel.setSocketDescriptor(ends[0]);
}

void SignInProcess::send(const SignInMessage &message)
{
    if (m_ended || m_channel.state() != QLocalSocket::ConnectedState)
        return;
    m_channel.write(message.framed());
    ++m_sent;
}

void SignInProcess::kill(const char *reason)
{
    if (m_killed || m_process.state() == QProcess::NotRunning)
        return;
    qCWarning(lcSession) << "ending the sign-in helper:" << reason;
    m_killed = true;
    m_process.kill();
}

void SignInProcess::readMessages()
{
    const QList<SignInMessage> messages = m_reader.read(m_channel.readAll());
    for (const SignInMessage &message : messages) {
        if (m_killed)
            return;
        Q_EMIT received(message);
    }
    if (m_reader.failed())
        kill("it sent a malformed message");
}

void SignInProcess::processFinished(int exitCode, QProcess::ExitStatus status)
{
    if (!m_killed && (status != QProcess::NormalExit || exitCode != 0))
        qCWarning(lcSession) << "the sign-in helper ended unexpectedly:"
                             << (status == QProcess::CrashExit ? "crashed" : "exit code") << exitCode;
    finish();
}

void SignInProcess::processFailed(QProcess::ProcessError error)
{
    if (error != QProcess::FailedToStart)
        return; // a crash is reported by finished()
    qCWarning(lcSession) << "the sign-in helper could not start:" << m_process.program() << m_process.errorString();
    finish();
}

void SignInProcess::finish()
{
    if (m_ended)
        return;
    m_ended = true;
    m_channel.abort();
    Q_EMIT ended();
}
