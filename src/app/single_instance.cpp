#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QStandardPaths>
#include <QtEndian>
#include <qcoro/qcorolocalsocket.h>

#include <chrono>

using namespace Qt::StringLiterals;

using namespace std::chrono_literals;

namespace {

// A message is a 4-byte big-endian length and then a JSON array of texts;
// the answer is one byte.
constexpr qsizetype headerSize = 4;
constexpr qsizetype maxMessageSize = 64 * 1024;
constexpr char acknowledgement = 'k';

constexpr std::chrono::milliseconds connectTimeout = 1s;
constexpr auto answerTimeout = 3s;
constexpr auto receiveTimeout = 3s;
constexpr auto lockTimeout = 3s;

QByteArray encode(const QStringList &arguments)
{
    const QByteArray json = QJsonDocument(QJsonArray::fromStringList(arguments)).toJson(QJsonDocument::Compact);
    QByteArray message(headerSize, '\0');
    qToBigEndian(quint32(json.size()), message.data());
    return message + json;
}

enum class Decoded { incomplete, invalid, complete };

Decoded decode(const QByteArray &received, QStringList &arguments)
{
    if (received.size() < headerSize)
        return Decoded::incomplete;
    const quint32 length = qFromBigEndian<quint32>(received.constData());
    if (length > quint32(maxMessageSize))
        return Decoded::invalid;
    if (received.size() < headerSize + qsizetype(length))
        return Decoded::incomplete;
    if (received.size() > headerSize + qsizetype(length))
        return Decoded::invalid; // one message per connection
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(received.mid(headerSize), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return Decoded::invalid;
    arguments.clear();
    for (const QJsonValue &value : document.array()) {
        if (!value.isString())
            return Decoded::invalid;
        arguments.append(value.toString());
    }
    return Decoded::complete;
}

bool someoneListens(const QString &path)
{
    QLocalSocket socket;
    socket.connectToServer(path);
    return socket.waitForConnected(int(connectTimeout.count()));
}

} // namespace

SingleInstance::SingleInstance(QObject *parent) : QObject(parent) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::socketPath()
{
    const QString configFolder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QByteArray tag = QCryptographicHash::hash(configFolder.toUtf8(), QCryptographicHash::Sha256).toHex().left(12);
    QString runtimeFolder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtimeFolder.isEmpty())
        runtimeFolder = QDir::tempPath();
    return runtimeFolder + u"/pelora-companion-"_s + QString::fromLatin1(tag) + u".socket"_s;
}

bool SingleInstance::listen()
{
    if (m_server)
        return true;
    const QString path = socketPath();
    // Two launches at the same moment must not both find no companion and
    // then remove each other's socket: the check and the listen go together.
    QLockFile lock(path + u".lock"_s);
    lock.tryLock(lockTimeout); // held by a hung launch at worst: go ahead regardless
    if (someoneListens(path))
        return false;

    QLocalServer::removeServer(path); // nobody answers: left by a companion that crashed
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(path))
        return true;
    connect(server.get(), &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    m_server = std::move(server);
    return true;
}

bool SingleInstance::isListening() const
{
    return m_server != nullptr;
}

bool SingleInstance::forward(const QStringList &arguments)
{
    const QByteArray message = encode(arguments);
    if (message.size() > headerSize + maxMessageSize)
        return false;
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(int(connectTimeout.count())))
        return false;
    socket.write(message);
    socket.flush();
    const QDeadlineTimer deadline(answerTimeout);
    while (socket.bytesAvailable() < 1) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    return socket.read(1) == QByteArray(1, acknowledgement);
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        // The task owns the socket, so a late reader never touches a deleted one.
        socket->setParent(nullptr);
        serve(std::unique_ptr<QLocalSocket>(socket));
    }
}

QCoro::Task<void> SingleInstance::serve(std::unique_ptr<QLocalSocket> socket)
{
    QPointer<SingleInstance> self(this);
    const QDeadlineTimer deadline(receiveTimeout);
    QByteArray received;
    QStringList arguments;
    Decoded state = Decoded::incomplete;
    while (state == Decoded::incomplete) {
        if (socket->bytesAvailable() == 0) {
            const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(deadline.remainingTimeAsDuration());
            if (remaining <= 0ms || socket->state() != QLocalSocket::ConnectedState)
                break;
            if (!co_await qCoro(socket.get()).waitForReadyRead(remaining))
                break;
        }
        received += socket->read(headerSize + maxMessageSize + 1 - received.size());
        state = decode(received, arguments);
    }
    if (state != Decoded::complete)
        co_return; // slow, broken or oversized: dropped with its connection

    socket->write(QByteArray(1, acknowledgement));
    socket->flush();
    socket->disconnectFromServer();
    if (self)
        Q_EMIT self->argumentsReceived(arguments);
}
