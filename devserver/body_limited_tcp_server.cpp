#include "body_limited_tcp_server.h"

#include <QTcpSocket>
#include <memory>

BodyLimitedTcpServer::BodyLimitedTcpServer(qint64 maxRequestBytes, QObject *parent)
    : QTcpServer(parent),
      m_maxRequestBytes(maxRequestBytes)
{
}

void BodyLimitedTcpServer::incomingConnection(qintptr descriptor)
{
    auto *socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    // Answers are written in several pieces; send each at once.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    auto received = std::make_shared<qint64>(0);
    // Connected before the HTTP layer connects its own reader, so this runs
    // first and sees only the bytes that arrived since the last read.
    connect(socket, &QTcpSocket::readyRead, socket, [socket, received, limit = m_maxRequestBytes] {
        if (socket->state() != QAbstractSocket::ConnectedState)
            return;
        *received += socket->bytesAvailable();
        if (*received <= limit)
            return;
        socket->write("HTTP/1.1 413 Payload Too Large\r\n"
                      "Content-Type: application/json\r\nConnection: close\r\nContent-Length: 39\r\n\r\n"
                      "{\"error\":\"The request is far too big.\"}");
        // Stops reading at once; the answer is flushed before the close.
        socket->disconnectFromHost();
    });
    connect(socket, &QTcpSocket::bytesWritten, socket, [received] { *received = 0; });
    addPendingConnection(socket);
}
