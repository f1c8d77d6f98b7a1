#include "http_router.h"

#include "body_limited_tcp_server.h"

#include <QHttpServerResponder>
#include <QTcpSocket>

using namespace Qt::StringLiterals;

namespace {

// Bodies between the limit and this are read whole and refused with a
// clean 413; beyond it the connection itself is cut.
constexpr qint64 connectionCutOffBytes = 4 * HttpRouter::maxBodyBytes;

bool wantsJson(const QString &path)
{
    return path.startsWith("/api/"_L1) || path.startsWith("/companion/"_L1);
}

QByteArray methodName(QHttpServerRequest::Method method)
{
    using M = QHttpServerRequest::Method;
    switch (method) {
    case M::Get:
        return "GET";
    case M::Post:
        return "POST";
    case M::Put:
        return "PUT";
    case M::Delete:
        return "DELETE";
    case M::Patch:
        return "PATCH";
    case M::Head:
        return "HEAD";
    case M::Options:
        return "OPTIONS";
    default:
        return {};
    }
}

} // namespace

HttpRouter::HttpRouter(QObject *parent) : QAbstractHttpServer(parent) {}

void HttpRouter::route(Method method, const QString &path, Handler handler)
{
    m_routes[path][method] = std::move(handler);
}

quint16 HttpRouter::listenOnLoopback(quint16 port)
{
    auto *tcp = new BodyLimitedTcpServer(connectionCutOffBytes, this);
    if (!tcp->listen(QHostAddress::LocalHost, port)) {
        delete tcp;
        return 0;
    }
    bind(tcp);
    return tcp->serverPort();
}

HttpResponse HttpRouter::dispatch(const QHttpServerRequest &request) const
{
    const QString path = request.url().path();
    if (request.body().size() > maxBodyBytes)
        return HttpResponse::error(413, u"The request body is larger than 1 MB."_s);

    const auto found = m_routes.constFind(path);
    if (found == m_routes.cend()) {
        if (wantsJson(path))
            return HttpResponse::error(404, u"Not found."_s);
        return HttpResponse::html(404,
                                  u"<!doctype html><meta charset=\"utf-8\"><title>Not found</title>"
                                  "<p>There is no page here. <a href=\"/\">Go to the home page</a>.</p>"_s);
    }

    const auto handler = found->constFind(request.method());
    if (handler == found->cend()) {
        QByteArrayList allowed;
        for (auto it = found->cbegin(); it != found->cend(); ++it)
            allowed.append(methodName(it.key()));
        return HttpResponse::error(405, u"Method not allowed."_s).withHeader("Allow", allowed.join(", "));
    }
    return (*handler)(request);
}

bool HttpRouter::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    write(dispatch(request), request, socket);
    return true;
}

void HttpRouter::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    write(HttpResponse::error(404, u"Not found."_s), request, socket);
}

void HttpRouter::write(const HttpResponse &response, const QHttpServerRequest &request, QTcpSocket *socket)
{
    QHttpServerResponder responder = makeResponder(request, socket);
    responder.writeStatusLine(QHttpServerResponder::StatusCode(response.status));
    for (const auto &[name, value] : response.headers)
        responder.writeHeader(name, value);
    responder.writeHeader("Content-Length", QByteArray::number(response.body.size()));
    responder.writeBody(response.body);
}
