#include "library/capped_read.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QPointer>
#include <memory>
#include <qcoro/qcoronetworkreply.h>

using namespace Qt::StringLiterals;

namespace {

// How much the network thread may hand over before the body read so far is
// taken and checked. Without a limit Qt reads the socket as fast as it
// delivers and queues every piece for the main thread, where the reply
// announces new data (readyRead) only once no further piece is queued: a
// sender faster than the main thread is never checked against the cap.
constexpr qint64 handOverBytes = 64 * 1024;

// Errors below 200 are the connection's own (refused, reset, time-out,
// cancelled, proxy, TLS); the rest describe an HTTP answer that did arrive.
bool isTransportError(QNetworkReply::NetworkError error)
{
    return error != QNetworkReply::NoError && int(error) < int(QNetworkReply::ContentAccessDenied);
}

struct Transfer {
    QPointer<QNetworkReply> reply;
    qint64 maxBodyBytes = 0;
    QByteArray body;
    bool refused = false;

    // Takes what has arrived, never more than one byte past the cap: that
    // byte is enough to know the answer is too long.
    void take()
    {
        if (refused || !reply || !reply->isOpen())
            return;
        body += reply->read(maxBodyBytes + 1 - body.size());
        if (body.size() > maxBodyBytes)
            refuse();
    }
    void checkAnnouncedLength()
    {
        const QVariant length = reply ? reply->header(QNetworkRequest::ContentLengthHeader) : QVariant();
        if (!refused && length.isValid() && length.toLongLong() > maxBodyBytes)
            refuse();
    }
    void refuse()
    {
        refused = true;
        body = QByteArray();
        reply->abort();
    }
};

} // namespace

QString CappedReply::describe() const
{
    switch (ending) {
    case Ending::oversized:
        if (announcedBytes && *announcedBytes > maxBodyBytes)
            return u"answer of %1 bytes announced, past the limit of %2"_s.arg(*announcedBytes).arg(maxBodyBytes);
        return u"body longer than the limit of %1 bytes"_s.arg(maxBodyBytes);
    case Ending::transportFailed:
        return u"no answer: %1 (network error %2)"_s.arg(errorText).arg(int(error));
    case Ending::answered:
        break;
    }
    if (!status)
        return u"not an HTTP answer"_s;
    return u"status %1"_s.arg(*status);
}

namespace {

// A capped read wants the plain HTTP/1.1 connection: its socket is read only
// as fast as the reply is, so a sender that outruns the reader is held back
// by the connection itself. An HTTP/2 connection reads on for all its streams.
QNetworkRequest prepared(QNetworkRequest request)
{
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    return request;
}

QCoro::Task<CappedReply> read(QNetworkReply *started, qint64 maxBodyBytes)
{
    auto transfer = std::make_shared<Transfer>();
    transfer->reply = started;
    transfer->maxBodyBytes = maxBodyBytes;
    // Set before the event loop runs again, so the network thread never hands
    // over more than this before the main thread has read it.
    started->setReadBufferSize(handOverBytes);
    if (started->operation() != QNetworkAccessManager::GetOperation) {
        // A request with a body to upload starts from the event loop, and Qt
        // passes the size on only when it is set after that start.
        QMetaObject::invokeMethod(
            started,
            [started] {
                if (!started->isFinished())
                    started->setReadBufferSize(handOverBytes);
            },
            Qt::QueuedConnection);
    }
    QObject::connect(started, &QNetworkReply::metaDataChanged, started,
                     [transfer] { transfer->checkAnnouncedLength(); });
    QObject::connect(started, &QNetworkReply::readyRead, started, [transfer] { transfer->take(); });

    // Resumes as soon as the reply finishes, inside abort() too.
    co_await started;

    CappedReply result;
    result.maxBodyBytes = maxBodyBytes;
    QNetworkReply *const reply = transfer->reply;
    if (!reply) {
        result.error = QNetworkReply::OperationCanceledError;
        result.errorText = u"the request was destroyed"_s;
        co_return result;
    }
    transfer->take(); // whatever came with the end of the answer
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid())
        result.status = status.toInt();
    const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
    if (announced.isValid())
        result.announcedBytes = announced.toLongLong();
    result.error = reply->error();
    result.errorText = reply->errorString();
    result.headers = reply->rawHeaderPairs();
    if (transfer->refused)
        result.ending = CappedReply::Ending::oversized;
    else if (isTransportError(result.error) || (!result.status && result.error != QNetworkReply::NoError))
        result.ending = CappedReply::Ending::transportFailed;
    else {
        result.ending = CappedReply::Ending::answered;
        result.body = std::move(transfer->body);
    }
    reply->deleteLater();
    co_return result;
}

} // namespace

namespace CappedRead {

QCoro::Task<CappedReply> get(QNetworkAccessManager *client, QNetworkRequest request, qint64 maxBodyBytes)
{
    return read(client->get(prepared(std::move(request))), maxBodyBytes);
}

QCoro::Task<CappedReply> post(QNetworkAccessManager *client, QNetworkRequest request, QByteArray body,
                              qint64 maxBodyBytes)
{
    return read(client->post(prepared(std::move(request)), body), maxBodyBytes);
}

} // namespace CappedRead
