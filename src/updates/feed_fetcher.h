#pragma once

#include <QByteArray>
#include <QUrl>
#include <chrono>
#include <optional>
#include <qcoro/qcorotask.h>

// Fetches the update feed: no cookies, no cache, a time-out, at most 64 KiB
// (a longer answer is cut off while it arrives) and redirects only within the
// feed's own origin. Nothing when the address is not allowed, the transfer
// fails or the answer is not a 200.
namespace FeedFetcher {

inline constexpr qint64 maxBytes = 64 * 1024;
inline constexpr std::chrono::milliseconds timeout{15000};

QCoro::Task<std::optional<QByteArray>> fetch(QUrl url, std::chrono::milliseconds transferTimeout = timeout);

} // namespace FeedFetcher
