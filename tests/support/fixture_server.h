#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QUrl>
#include <functional>

class QTcpSocket;

// A scripted HTTP/1.1 server on 127.0.0.1 for tests: real sockets, one
// handler deciding every answer, and a record of every request received.
class FixtureServer : public QObject {
    Q_OBJECT
public:
    struct Request {
        QByteArray method;
        QByteArray target;                    // path and query as sent
        QUrl url;                             // target resolved against the server
        QMap<QByteArray, QByteArray> headers; // names lower-cased
        QByteArray body;
        QByteArray header(const QByteArray &name) const { return headers.value(name.toLower()); }
    };

    struct Response {
        int status = 200;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        int delayMs = 0;         // wait before answering
        bool hang = false;       // never answer (time-out and cancellation tests)
        bool omitLength = false; // no Content-Length: the body ends when the connection closes
        bool keepOpen = false;   // send the answer but leave the connection open
        static Response json(int status, const QByteArray &body);
    };

    using Handler = std::function<Response(const Request &)>;

    // Parses one complete request from the front of `buffer`, removing it; false while it is incomplete.
    static bool takeRequest(QByteArray &buffer, Request &request);

    explicit FixtureServer(QObject *parent = nullptr);
    ~FixtureServer() override;

    bool listen(); // on an ephemeral loopback port
    quint16 port() const;
    QUrl origin() const; // http://127.0.0.1:port
    void setHandler(Handler handler) { m_handler = std::move(handler); }

    const QList<Request> &requests() const { return m_requests; }
    void clearRequests() { m_requests.clear(); }
    int openConnections() const;

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Request &request);

    QTcpServer m_server;
    Handler m_handler;
    QList<Request> m_requests;
    QMap<QTcpSocket *, QByteArray> m_buffers;
};
