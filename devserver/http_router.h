#pragma once

#include "http_exchange.h"

#include <QAbstractHttpServer>
#include <QHttpServerRequest>
#include <QMap>
#include <functional>

// The HTTP front of the stand-in web app: one handler per path and method.
// Unknown paths get 404, a known path asked with another method 405, and a
// body over the limit 413, before any handler runs.
class HttpRouter : public QAbstractHttpServer {
    Q_OBJECT
public:
    using Handler = std::function<HttpResponse(const QHttpServerRequest &)>;
    using Method = QHttpServerRequest::Method;

    static constexpr qint64 maxBodyBytes = 1024 * 1024;

    explicit HttpRouter(QObject *parent = nullptr);

    void route(Method method, const QString &path, Handler handler);

    // Listens on 127.0.0.1 only; returns the port, or 0 on failure.
    quint16 listenOnLoopback(quint16 port);

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    HttpResponse dispatch(const QHttpServerRequest &request) const;
    static void write(const HttpResponse &response, const QHttpServerRequest &request, QTcpSocket *socket);

    QMap<QString, QMap<Method, Handler>> m_routes;
};
