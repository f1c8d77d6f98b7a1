#include "library/phrase_feed.h"
#include "library/text_length.h"

#include <QJsonDocument>
#include <QSet>
#include <algorithm>
#include <climits>
#include <cmath>

namespace {

using Error = PhraseFeed::Error;

// A JSON number that is a whole number; 1.0 counts as 1. A whole number
// beyond int's range is still an integer (a wrong version, not a wrong type),
// so it is clamped, which keeps it different from every supported version.
bool readInteger(const QJsonObject &object, QLatin1StringView key, int &out)
{
    const QJsonValue value = object.value(key);
    if (!value.isDouble())
        return false;
    const double number = value.toDouble();
    if (!std::isfinite(number) || number != std::floor(number))
        return false;
    out = int(std::clamp(number, double(INT_MIN), double(INT_MAX)));
    return true;
}

bool readPhrase(const QJsonValue &value, Phrase &out)
{
    if (!value.isObject())
        return false;
    const QJsonObject object = value.toObject();
    using namespace PhraseJson;
    return readString(object, QLatin1StringView("id"), out.id)
        && readString(object, QLatin1StringView("malay"), out.malay)
        && readString(object, QLatin1StringView("english"), out.english)
        && readString(object, QLatin1StringView("category"), out.category)
        && readString(object, QLatin1StringView("context"), out.context)
        && readWords(object, QLatin1StringView("words"), out.words)
        && readStringList(object, QLatin1StringView("notes"), out.notes)
        && readExamples(object, QLatin1StringView("usageExamples"), out.usageExamples);
}

// The shape of the page: every required key present with its JSON type.
bool readFeed(const QByteArray &bytes, PhraseFeed &out)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonObject object = document.object();

    if (!readInteger(object, QLatin1StringView("version"), out.version)
        || !PhraseJson::readString(object, QLatin1StringView("userId"), out.userId))
        return false;

    const QJsonValue phrases = object.value(QLatin1StringView("phrases"));
    if (!phrases.isArray())
        return false;
    const QJsonArray array = phrases.toArray();
    out.phrases.reserve(array.size());
    for (const QJsonValue &element : array) {
        Phrase phrase;
        if (!readPhrase(element, phrase))
            return false;
        out.phrases.append(std::move(phrase));
    }

    const QJsonValue cursor = object.value(QLatin1StringView("nextCursor"));
    if (cursor.isString())
        out.nextCursor = cursor.toString();
    else if (!cursor.isUndefined() && !cursor.isNull())
        return false;
    return true;
}

// Grapheme clusters never outnumber UTF-16 code units, so only a text longer
// than the limit in code units needs to be segmented.
bool longerThan(const QString &text, qsizetype limit)
{
    return text.size() > limit && TextLength::graphemes(text) > limit;
}

bool phraseBreaksLimits(const Phrase &phrase)
{
    return phrase.id.isEmpty() || phrase.malay.isEmpty() || phrase.english.isEmpty()
        || longerThan(phrase.malay, PhraseFeed::maxMalay)
        || longerThan(phrase.english, PhraseFeed::maxEnglish)
        || longerThan(phrase.context, PhraseFeed::maxContext)
        || phrase.words.size() > PhraseFeed::maxWords;
}

} // namespace

Result<PhraseFeed, PhraseFeed::Error> PhraseFeed::decode(const QByteArray &bytes)
{
    PhraseFeed feed;
    if (!readFeed(bytes, feed))
        return Error::decoding;
    if (feed.version != 1 || feed.userId.isEmpty() || feed.phrases.size() > maxPhrases)
        return Error::invalidResponse;

    QSet<QString> ids;
    for (const Phrase &phrase : std::as_const(feed.phrases))
        ids.insert(phrase.id);
    if (ids.size() < feed.phrases.size())
        return Error::invalidResponse;

    for (const Phrase &phrase : std::as_const(feed.phrases)) {
        if (phraseBreaksLimits(phrase))
            return Error::invalidResponse;
    }
    return feed;
}

QJsonObject PhraseFeed::toJson() const
{
    QJsonArray array;
    for (const Phrase &phrase : phrases)
        array.append(phrase.toJson());
    QJsonObject object{{QStringLiteral("version"), version},
                       {QStringLiteral("userId"), userId},
                       {QStringLiteral("phrases"), array}};
    if (nextCursor)
        object.insert(QStringLiteral("nextCursor"), *nextCursor);
    return object;
}
