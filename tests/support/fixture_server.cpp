#include "fixture_server.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

using namespace Qt::StringLiterals;

bool FixtureServer::takeRequest(QByteArray &buffer, Request &request)
{
    const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return false;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            request.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
    }
    const qsizetype length = request.headers.value("content-length"_ba).toLongLong();
    if (buffer.size() < headerEnd + 4 + length)
        return false;
    request.body = buffer.mid(headerEnd + 4, length);
    buffer.remove(0, headerEnd + 4 + length);
    return true;
}

FixtureServer::Response FixtureServer::Response::json(int status, const QByteArray &body)
{
    Response response;
    response.status = status;
    response.headers.append({"Content-Type"_ba, "application/json"_ba});
    response.body = body;
    return response;
}

FixtureServer::FixtureServer(QObject *parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &FixtureServer::onNewConnection);
}

FixtureServer::~FixtureServer()
{
    // Connections still open would otherwise report their end into members
    // that are already gone.
    const QList<QTcpSocket *> sockets = m_buffers.keys();
    for (QTcpSocket *socket : sockets) {
        socket->disconnect(this);
        delete socket;
    }
}

bool FixtureServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

quint16 FixtureServer::port() const
{
    return m_server.serverPort();
}

QUrl FixtureServer::origin() const
{
    return QUrl(u"http://127.0.0.1:%1"_s.arg(port()));
}

int FixtureServer::openConnections() const
{
    return int(m_buffers.size());
}

void FixtureServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        m_buffers.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

void FixtureServer::onReadyRead(QTcpSocket *socket)
{
    QByteArray &buffer = m_buffers[socket];
    buffer += socket->readAll();
    Request request;
    while (takeRequest(buffer, request)) {
        request.url = origin().resolved(QUrl::fromEncoded(request.target));
        m_requests.append(request);
        answer(socket, request);
        request = Request();
    }
}

void FixtureServer::answer(QTcpSocket *socket, const Request &request)
{
    const Response response = m_handler ? m_handler(request) : Response::json(404, "{}"_ba);
    if (response.hang)
        return;
    // The reason phrase may be empty, and clients ignore it.
    QByteArray bytes = "HTTP/1.1 "_ba + QByteArray::number(response.status) + " \r\n"_ba;
    bool hasLength = false;
    for (const auto &[name, value] : response.headers) {
        bytes += name + ": " + value + "\r\n";
        hasLength = hasLength || name.compare("content-length", Qt::CaseInsensitive) == 0;
    }
    if (!hasLength && !response.omitLength)
        bytes += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    bytes += "Connection: close\r\n\r\n" + response.body;

    QPointer<QTcpSocket> target(socket);
    const bool keepOpen = response.keepOpen;
    auto send = [target, bytes, keepOpen] {
        if (!target)
            return;
        target->write(bytes);
        if (!keepOpen)
            target->disconnectFromHost();
    };
    if (response.delayMs > 0)
        QTimer::singleShot(response.delayMs, this, send);
    else
        send();
}
