#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <qcoro/qcorotask.h>

class QNetworkAccessManager;

// The outcome of one GET whose body is capped while it arrives.
struct PageFetch {
    // No HTTP answer at all: connection refused, reset, time-out, cancelled.
    bool transportFailed = false;
    int status = 0;
    // The body grew past the cap; the transfer was aborted and `body` is empty.
    bool oversized = false;
    QByteArray body;
    QList<QNetworkReply::RawHeaderPair> headers;

    // Sends `request` with `client` and reads at most `maxBodyBytes` of body.
    static QCoro::Task<PageFetch> get(QNetworkAccessManager *client, QNetworkRequest request, qint64 maxBodyBytes);
};
