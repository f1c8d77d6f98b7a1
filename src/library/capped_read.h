#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkReply>
#include <QString>
#include <optional>
#include <qcoro/qcorotask.h>

// The outcome of one HTTP answer whose body was read with a cap.
struct CappedReply {
    enum class Ending {
        answered,        // the answer arrived whole, whatever its status
        transportFailed, // no HTTP answer, or the connection broke off: refused, reset, time-out, cancelled
        oversized,       // the body was announced or grew past the cap; the transfer was ended, no body kept
    };

    Ending ending = Ending::transportFailed;
    std::optional<int> status; // the HTTP status, when one arrived (an oversized answer keeps it)
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QString errorText;
    QByteArray body; // an answered body, at most the cap
    QList<QNetworkReply::RawHeaderPair> headers;
    qint64 maxBodyBytes = 0;
    std::optional<qint64> announcedBytes; // the answer's Content-Length, if it gave one

    // Why this answer is a failure, for the log: its status, its transport
    // error or the limit it broke. Never a header or a body.
    QString describe() const;
};

class QNetworkAccessManager;
class QNetworkRequest;

// One HTTP request whose answer body is read with a cap while it arrives: an
// answer that announces or delivers more than `maxBodyBytes` is ended at
// once, whatever the sender's speed, and at most one byte past the cap is
// ever held. Aborting the request from outside (for instance through its
// client's replies) ends the read as a transport failure. The reply is
// deleted (later) when the read is over. The read may end inside one of the
// reply's own signals, so its client must not be destroyed outright when the
// read ends: deleteLater() it.
namespace CappedRead {

QCoro::Task<CappedReply> get(QNetworkAccessManager *client, QNetworkRequest request, qint64 maxBodyBytes);
QCoro::Task<CappedReply> post(QNetworkAccessManager *client, QNetworkRequest request, QByteArray body,
                              qint64 maxBodyBytes);

} // namespace CappedRead
