#include "library/page_fetch.h"

#include <QNetworkAccessManager>
#include <QPointer>
#include <memory>
#include <qcoro/qcoronetworkreply.h>

namespace {

// Errors below 200 are the connection's own (refused, reset, time-out,
// cancelled, proxy); the rest describe an HTTP status that did arrive.
bool isTransportError(QNetworkReply::NetworkError error)
{
    return error != QNetworkReply::NoError && int(error) < 200;
}

} // namespace

QCoro::Task<PageFetch> PageFetch::get(QNetworkAccessManager *client, QNetworkRequest request, qint64 maxBodyBytes)
{
    struct Transfer {
        QByteArray body;
        bool oversized = false;
    };
    auto transfer = std::make_shared<Transfer>();
    QPointer<QNetworkReply> reply = client->get(request);

    // The body is collected as it arrives so that an answer past the cap is
    // cut off at once instead of being held in memory whole.
    auto refuse = [reply, transfer] {
        transfer->oversized = true;
        transfer->body = QByteArray();
        reply->abort();
    };
    auto take = [reply, transfer, maxBodyBytes, refuse] {
        if (!reply || !reply->isOpen() || transfer->oversized)
            return;
        transfer->body.append(reply->readAll());
        if (transfer->body.size() > maxBodyBytes)
            refuse();
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, transfer, maxBodyBytes, refuse] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (!transfer->oversized && length.isValid() && length.toLongLong() > maxBodyBytes)
            refuse();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, take);

    if (!reply->isFinished())
        co_await qCoro(reply.data()).waitForFinished();

    PageFetch result;
    if (!reply) {
        result.transportFailed = true;
        co_return result;
    }
    take();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    result.oversized = transfer->oversized;
    result.transportFailed = !status.isValid() || (!result.oversized && isTransportError(reply->error()));
    result.status = status.toInt();
    if (!result.oversized)
        result.body = std::move(transfer->body);
    result.headers = reply->rawHeaderPairs();
    reply->deleteLater();
    co_return result;
}
