#include "lookup/companion_phrase_api.h"

#include "account/no_redirects.h"
#include "account/session_cookies.h"
#include "account/web_address.h"
#include "library/capped_read.h"
#include "library/text_length.h"
#include "lookup/lookup_log.h"

#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QPointer>
#include <cmath>
#include <qcoro/qcoronetworkreply.h>

using namespace Qt::StringLiterals;

namespace {

const QString retryText = u"Please try again in a moment."_s;
const QString unreachableText = u"Couldn’t reach Pelora. Check your connection and try again."_s;

// The message of a 400 or 429 answer: its "error" text cut to its first 500
// characters, or the retry text when the body is not {"error": "…"}.
QString refusalMessage(const QByteArray &body)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    const QJsonValue error = document.object().value("error"_L1);
    if (!document.isObject() || !error.isString())
        return retryText;
    return TextLength::firstGraphemes(error.toString(), CompanionPhraseAPI::maxErrorCharacters);
}

bool readInteger(const QJsonObject &object, QLatin1StringView key, qint64 &out)
{
    const QJsonValue value = object.value(key);
    if (!value.isDouble())
        return false;
    const double number = value.toDouble();
    if (std::trunc(number) != number || std::abs(number) > 9.0e15)
        return false;
    out = qint64(number);
    return true;
}

struct Receipt {
    qint64 version = 0;
    QString userID;
    QString id;
};

std::optional<Receipt> decodeReceipt(const QByteArray &body)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    Receipt receipt;
    if (!readInteger(object, "version"_L1, receipt.version)
        || !PhraseJson::readString(object, "userId"_L1, receipt.userID)
        || !PhraseJson::readString(object, "id"_L1, receipt.id))
        return std::nullopt;
    return receipt;
}

} // namespace

CompanionPhraseAPI::CompanionPhraseAPI(QUrl origin, QString userID, SessionCookies *auth)
    : m_origin(std::move(origin)),
      m_userID(std::move(userID)),
      m_auth(auth),
      m_client(NoRedirects::makeClient())
{
}

CompanionPhraseAPI::~CompanionPhraseAPI()
{
    // Requests woken by the aborts below see a new generation and end
    // without touching this client; later ones find it gone.
    cancel();
    // The client may be going away from inside one of its replies' signals.
    if (m_client)
        m_client.release()->deleteLater();
}

void CompanionPhraseAPI::cancel()
{
    m_dead = true;
    abandonRequests();
}

void CompanionPhraseAPI::abandonRequests()
{
    // Every reply of the client belongs to a request in flight (a finished
    // one ignores the abort). Aborting resumes its request at once: make
    // them all stale first, so each ends as cancelled whatever its transfer did.
    ++m_generation;
    if (!m_client)
        return;
    const auto replies = m_client->findChildren<QNetworkReply *>();
    QList<QPointer<QNetworkReply>> inFlight(replies.begin(), replies.end());
    for (const QPointer<QNetworkReply> &reply : inFlight) {
        if (reply)
            reply->abort();
    }
}

QUrl CompanionPhraseAPI::endpoint(const QString &path) const
{
    return WebAddress::appending(m_origin, path);
}

QCoro::Task<LookupOutcome<QByteArray>> CompanionPhraseAPI::post(QString path, QJsonObject body)
{
    if (m_dead)
        co_return LookupFailure::cancelled();

    const QPointer<CompanionPhraseAPI> self(this);
    const quint64 generation = m_generation;
    SessionCookies *const auth = m_auth;
    const QUrl origin = m_origin;
    // Checked after every wait: the client may be gone or the request abandoned.
    const auto stopped = [&self, generation] { return !self || generation != self->m_generation; };

    QList<QNetworkCookie> cookies;
    if (auth)
        cookies = co_await auth->cookies(origin);
    if (stopped())
        co_return LookupFailure::cancelled();
    if (cookies.isEmpty())
        co_return LookupFailure(LookupError::signedOut());

    QNetworkRequest request(endpoint(path));
    NoRedirects::apply(request);
    request.setTransferTimeout(int(requestTimeout.count()));
    request.setRawHeader("Cookie", cookieHeader(cookies));
    request.setRawHeader("Content-Type", "application/json");
    request.setRawHeader("Accept", "application/json");

    const QByteArray input = QJsonDocument(body).toJson(QJsonDocument::Compact);
    CappedReply answer = co_await CappedRead::post(m_client.get(), request, input, maxBodyBytes);
    if (stopped())
        co_return LookupFailure::cancelled();
    const bool success =
        answer.ending == CappedReply::Ending::answered && (answer.status == 200 || answer.status == 201);
    if (!success)
        qCWarning(lcLookup).noquote() << "Request to" << path << "failed:" << answer.describe();
    if (answer.ending == CappedReply::Ending::oversized)
        co_return LookupFailure(LookupError::invalidResponse());
    if (answer.ending == CappedReply::Ending::transportFailed)
        co_return LookupFailure::transport(answer.error);
    if (!answer.status)
        co_return LookupFailure(LookupError::invalidResponse());

    // Every HTTP answer within the limit hands its cookies to the session,
    // whatever its status: a 401 may well be clearing the session cookie.
    co_await auth->acceptCookies(answer.headers, origin);
    if (stopped())
        co_return LookupFailure::cancelled();

    switch (*answer.status) {
    case 200:
    case 201:
        co_return std::move(answer.body);
    case 401:
        co_return LookupFailure(LookupError::signedOut());
    case 404:
        co_return LookupFailure(LookupError::unavailable());
    case 409:
        co_return LookupFailure(LookupError::accountChanged());
    case 400:
    case 429:
        co_return LookupFailure(LookupError::rejected(refusalMessage(answer.body)));
    default:
        co_return LookupFailure(LookupError::rejected(unreachableText));
    }
}

QCoro::Task<LookupOutcome<LookupPhrase>> CompanionPhraseAPI::lookup(QString query)
{
    const QString userID = m_userID;
    const QJsonObject input{{u"expectedUserId"_s, userID}, {u"query"_s, query}};
    const LookupOutcome<QByteArray> body = co_await post(u"api/companion/lookup"_s, input);
    if (!body)
        co_return body.error();

    Result<LookupPhrase, LookupEnvelope::Failure> card = LookupEnvelope::decode(body.value(), userID);
    if (!card)
        co_return card.error().isDecoding() ? LookupFailure::decoding() : LookupFailure(*card.error().error);
    co_return std::move(card).value();
}

QCoro::Task<LookupOutcome<QString>> CompanionPhraseAPI::save(LookupPhrase phrase)
{
    const QString userID = m_userID;
    const QJsonObject input{{u"expectedUserId"_s, userID}, {u"phrase"_s, phrase.toJson()}};
    const LookupOutcome<QByteArray> body = co_await post(u"api/companion/phrases"_s, input);
    if (!body)
        co_return body.error();

    const std::optional<Receipt> receipt = decodeReceipt(body.value());
    if (!receipt)
        co_return LookupFailure::decoding();
    // The account comes first: a receipt for someone else is an account
    // change whatever else it says.
    if (receipt->userID != userID)
        co_return LookupFailure(LookupError::accountChanged());
    if (receipt->version == 1 && !receipt->id.isEmpty())
        co_return receipt->id;
    co_return LookupFailure(LookupError::invalidResponse());
}
