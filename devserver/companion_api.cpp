#include "companion_api.h"

#include "http_router.h"
#include "library/text_length.h"
#include "saved_phrases.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

using namespace Qt::StringLiterals;

namespace {

const QString notSignedIn = u"Sign in to Pelora first."_s;
const QString otherAccount = u"You are signed in to a different account."_s;
const QString badBody = u"The request body is not the JSON this endpoint expects."_s;

// Cursors name the last phrase of the page they end; they are opaque to the
// companion, which only sends them back.
QString encodeCursor(qint64 sequence)
{
    const QByteArray cursor = "after:" + QByteArray::number(sequence);
    return QString::fromLatin1(cursor.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

std::optional<qint64> decodeCursor(const QString &cursor)
{
    const auto decoded = QByteArray::fromBase64Encoding(
        cursor.toLatin1(), QByteArray::Base64UrlEncoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || !decoded.decoded.startsWith("after:"))
        return std::nullopt;
    bool ok = false;
    const qint64 sequence = decoded.decoded.mid(6).toLongLong(&ok);
    if (!ok || sequence < 1 || cursor != encodeCursor(sequence))
        return std::nullopt;
    return sequence;
}

std::optional<QJsonObject> jsonObject(const QByteArray &body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

} // namespace

CompanionApi::CompanionApi(Database &database, Sessions &sessions, const PhraseCollection &collection,
                           int lookupsPerMinute, UpdateFeed update)
    : m_database(database),
      m_sessions(sessions),
      m_collection(collection),
      m_allowance(lookupsPerMinute),
      m_update(std::move(update))
{
    m_clock.start();
}

void CompanionApi::addRoutes(HttpRouter &router)
{
    using Method = HttpRouter::Method;
    router.route(Method::Get, u"/api/companion/phrases"_s, [this](const auto &r) { return feedPage(r); });
    router.route(Method::Post, u"/api/companion/phrases"_s, [this](const auto &r) { return save(r); });
    router.route(Method::Post, u"/api/companion/lookup"_s, [this](const auto &r) { return lookup(r); });
    router.route(Method::Get, u"/companion/updates.json"_s, [this](const auto &r) { return updateFeed(r); });
}

HttpResponse CompanionApi::feedPage(const QHttpServerRequest &request) const
{
    const std::optional<Database::Account> account = m_sessions.account(request);
    if (!account)
        return HttpResponse::error(401, notSignedIn);

    std::optional<qint64> before;
    const QUrlQuery query = request.query();
    if (query.hasQueryItem(u"cursor"_s)) {
        before = decodeCursor(query.queryItemValue(u"cursor"_s, QUrl::FullyDecoded));
        if (!before)
            return HttpResponse::error(400, u"That page cursor is not valid."_s);
    }

    // One more than a page tells whether another page follows.
    QList<Database::SavedPhrase> rows = m_database.phrases(account->id, before, pageSize + 1);
    const bool more = rows.size() > pageSize;
    if (more)
        rows.resize(pageSize);

    QJsonArray phrases;
    for (const Database::SavedPhrase &row : rows)
        phrases.append(row.phrase.toJson());
    QJsonObject page{{"version"_L1, 1}, {"userId"_L1, account->id}, {"phrases"_L1, phrases}};
    if (more)
        page.insert("nextCursor"_L1, encodeCursor(rows.constLast().sequence));
    return HttpResponse::json(200, page);
}

HttpResponse CompanionApi::lookup(const QHttpServerRequest &request)
{
    const std::optional<Database::Account> account = m_sessions.account(request);
    if (!account)
        return HttpResponse::error(401, notSignedIn);

    const std::optional<QJsonObject> body = jsonObject(request.body());
    QString expectedUserID;
    QString query;
    if (!body || !PhraseJson::readString(*body, "expectedUserId"_L1, expectedUserID)
        || !PhraseJson::readString(*body, "query"_L1, query))
        return HttpResponse::error(400, badBody);
    if (expectedUserID != account->id)
        return HttpResponse::error(409, otherAccount);

    if (TextLength::isBlank(query))
        return HttpResponse::error(400, u"Type an English phrase, some Malay words or a situation to look up."_s);
    if (query.size() > maxQueryLength)
        return HttpResponse::error(400, u"That is too long to look up. Keep it under 500 characters."_s);
    if (!m_allowance.take(account->id, m_clock.elapsed()))
        return HttpResponse::error(
            429, u"You\u2019ve looked up a lot of phrases in the last minute. Try again in a moment."_s);

    const std::optional<qsizetype> match = m_collection.bestMatch(query);
    if (!match)
        return HttpResponse::error(
            400, u"No phrase card matches that yet. Try other English words, Malay words or a situation."_s);
    const LookupEnvelope envelope{1, account->id, m_collection.cards().at(*match)};
    return HttpResponse::json(200, envelope.toJson());
}

HttpResponse CompanionApi::save(const QHttpServerRequest &request)
{
    const std::optional<Database::Account> account = m_sessions.account(request);
    if (!account)
        return HttpResponse::error(401, notSignedIn);

    const std::optional<QJsonObject> body = jsonObject(request.body());
    QString expectedUserID;
    if (!body || !PhraseJson::readString(*body, "expectedUserId"_L1, expectedUserID))
        return HttpResponse::error(400, badBody);
    if (expectedUserID != account->id)
        return HttpResponse::error(409, otherAccount);

    const std::optional<LookupPhrase> card = LookupPhrase::fromJson(body->value("phrase"_L1));
    if (!card || !card->isValid())
        return HttpResponse::error(400, u"That phrase card is incomplete, so it wasn\u2019t saved."_s);

    const SavedPhrases::Outcome outcome = SavedPhrases::save(m_database, account->id, *card);
    switch (outcome.kind) {
    case SavedPhrases::Outcome::Kind::created:
    case SavedPhrases::Outcome::Kind::existing:
        // A repeated save answers with the phrase already in the library.
        return HttpResponse::json(outcome.kind == SavedPhrases::Outcome::Kind::created ? 201 : 200,
                                  QJsonObject{{"version"_L1, 1}, {"userId"_L1, account->id}, {"id"_L1, outcome.id}});
    case SavedPhrases::Outcome::Kind::full:
        return HttpResponse::error(
            400, u"Your phrasebook holds 5,000 phrases, the most the companion can sync. Delete some to make room."_s);
    case SavedPhrases::Outcome::Kind::failed:
        break;
    }
    return HttpResponse::error(500, u"The phrase couldn\u2019t be saved. Try again."_s);
}

HttpResponse CompanionApi::updateFeed(const QHttpServerRequest &request) const
{
    QString url = m_update.url;
    if (url.isEmpty()) {
        QUrl own = request.url();
        own.setPath(u"/companion/download"_s);
        own.setQuery(QString());
        url = own.toString();
    }
    return HttpResponse::json(
        200,
        QJsonObject{{"version"_L1, m_update.version},
                    {"url"_L1, url},
                    {"notes"_L1, u"Pelora Companion %1 from the stand-in web app."_s.arg(m_update.version)}});
}
