#include "updates/feed_fetcher.h"

#include "updates/update_feed.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <qcoro/qcoronetworkreply.h>

#include <memory>

namespace FeedFetcher {

QCoro::Task<std::optional<QByteArray>> fetch(QUrl url, std::chrono::milliseconds transferTimeout)
{
    if (!UpdateFeed::isAllowedAddress(url))
        co_return std::nullopt;

    // The client lives in this task, so the fetch ends cleanly even if
    // whoever asked for it is gone by then.
    QNetworkAccessManager client;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    request.setMaximumRedirectsAllowed(3);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setTransferTimeout(int(transferTimeout.count()));
    request.setRawHeader("Accept", "application/json");

    std::unique_ptr<QNetworkReply> reply(client.get(request));
    bool tooLarge = false;
    QNetworkReply *raw = reply.get();
    QObject::connect(raw, &QNetworkReply::downloadProgress, raw, [raw, &tooLarge](qint64 received, qint64 total) {
        if (received > maxBytes || total > maxBytes) {
            tooLarge = true;
            raw->abort();
        }
    });
    co_await raw;

    const int status = raw->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (tooLarge || raw->error() != QNetworkReply::NoError || status != 200)
        co_return std::nullopt;
    const QByteArray body = raw->read(maxBytes + 1);
    if (body.size() > maxBytes)
        co_return std::nullopt;
    co_return body;
}

} // namespace FeedFetcher

