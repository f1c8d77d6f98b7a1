#pragma once

#include <QTcpServer>

// A listening socket that cuts off a client which keeps sending far past
// what a request may carry, so that an endless body cannot fill memory
// before the HTTP layer sees the request. (The HTTP layer buffers a whole
// request before it hands it over.) Bytes are counted from the last answer
// written on the connection.
class BodyLimitedTcpServer : public QTcpServer {
    Q_OBJECT
public:
    BodyLimitedTcpServer(qint64 maxRequestBytes, QObject *parent = nullptr);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    qint64 m_maxRequestBytes;
};
