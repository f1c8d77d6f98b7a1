#include "updates/feed_fetcher.h"

#include "library/capped_read.h"
#include "updates/update_feed.h"
#include "updates/updates_log.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <memory>

namespace FeedFetcher {

QCoro::Task<std::optional<QByteArray>> fetch(QUrl url, std::chrono::milliseconds transferTimeout)
{
    if (!UpdateFeed::isAllowedAddress(url)) {
        qCWarning(lcUpdates) << "Update feed address not allowed:" << url.adjusted(QUrl::RemoveUserInfo);
        co_return std::nullopt;
    }

    // The client lives in this task, so the fetch ends cleanly even if
    // whoever asked for it is gone by then. It goes only once back in the
    // event loop: the read may end inside one of its reply's signals.
    const std::unique_ptr<QNetworkAccessManager, void (*)(QNetworkAccessManager *)> client(
        new QNetworkAccessManager, [](QNetworkAccessManager *done) { done->deleteLater(); });
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    request.setMaximumRedirectsAllowed(3);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setTransferTimeout(int(transferTimeout.count()));
    request.setRawHeader("Accept", "application/json");

    // The body is capped while it arrives, so an answer that never ends is
    // cut off at the cap rather than held until the time-out.
    CappedReply feed = co_await CappedRead::get(client.get(), request, maxBytes);
    if (feed.ending != CappedReply::Ending::answered || feed.status != 200) {
        qCWarning(lcUpdates).noquote() << "Update check failed:" << feed.describe();
        co_return std::nullopt;
    }
    co_return std::move(feed.body);
}

} // namespace FeedFetcher
