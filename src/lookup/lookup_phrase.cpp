#include "lookup/lookup_phrase.h"

#include "library/text_length.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <array>
#include <climits>
#include <cmath>

using namespace Qt::StringLiterals;

QString LookupError::description() const
{
    switch (m_kind) {
    case Kind::rejected:
        return m_message;
    case Kind::signedOut:
        return u"Your session expired. Sign in to look up a phrase."_s;
    case Kind::accountChanged:
        return u"Your account changed. Reopen phrase lookup to continue."_s;
    case Kind::unavailable:
        return u"Phrase lookup is not available at this web app address yet."_s;
    case Kind::invalidResponse:
        return u"Pelora couldn\u2019t return a complete phrase card. Try looking it up again."_s;
    }
    return m_message;
}

namespace {

// A filled text: something besides white space, and at most `limit` UTF-16 units long
// (the untrimmed text is measured).
bool isFilled(const QString &text, qsizetype limit)
{
    return !TextLength::isBlank(text) && text.size() <= limit;
}

bool isKnownRegister(const QString &value)
{
    return value == "casual"_L1 || value == "polite"_L1 || value == "formal"_L1;
}

bool isKnownScenario(const QString &value)
{
    static const std::array<QLatin1StringView, 7> known{"hawker"_L1,  "kopitiam"_L1, "transit"_L1, "office"_L1,
                                                        "errands"_L1, "signs"_L1,    "general"_L1};
    for (QLatin1StringView name : known)
        if (value == name)
            return true;
    return false;
}

// A JSON number that is a whole number within int range; a fraction is a decoding failure.
bool readInteger(const QJsonObject &object, QLatin1StringView key, int &out)
{
    const QJsonValue value = object.value(key);
    if (!value.isDouble())
        return false;
    const double number = value.toDouble();
    if (!std::isfinite(number) || std::trunc(number) != number || number < INT_MIN || number > INT_MAX)
        return false;
    out = static_cast<int>(number);
    return true;
}

bool readRelated(const QJsonValue &value, LookupPhrase::Related &out)
{
    if (!value.isObject())
        return false;
    const QJsonObject object = value.toObject();
    return PhraseJson::readString(object, "malay"_L1, out.malay)
        && PhraseJson::readString(object, "english"_L1, out.english);
}

bool readRelatedList(const QJsonObject &object, QLatin1StringView key, QList<LookupPhrase::Related> &out)
{
    const QJsonValue value = object.value(key);
    if (!value.isArray())
        return false;
    const QJsonArray array = value.toArray();
    out.clear();
    out.reserve(array.size());
    for (const QJsonValue &element : array) {
        LookupPhrase::Related related;
        if (!readRelated(element, related))
            return false;
        out.append(std::move(related));
    }
    return true;
}

} // namespace

bool LookupPhrase::isValid() const
{
    if (!isFilled(malay, 240) || !isFilled(english, 400))
        return false;
    if (!isKnownRegister(register_))
        return false;
    if (!isFilled(context, 800))
        return false;

    if (usageExamples.isEmpty() || usageExamples.size() > 4)
        return false;
    for (const Phrase::Example &example : usageExamples)
        if (!isFilled(example.malay, 10000) || !isFilled(example.english, 10000) || !isFilled(example.situation, 10000))
            return false;

    if (notes.isEmpty() || notes.size() > 6)
        return false;
    for (const QString &note : notes)
        if (!isFilled(note, 400))
            return false;

    if (relatedPhrases.size() > 4)
        return false;
    for (const Related &related : relatedPhrases)
        if (!isFilled(related.malay, 10000) || !isFilled(related.english, 10000))
            return false;

    if (words.isEmpty() || words.size() > 80)
        return false;
    for (const Phrase::Word &word : words)
        if (!isFilled(word.malay, 80) || !isFilled(word.english, 120))
            return false;

    return !scenario.has_value() || isKnownScenario(*scenario);
}

QJsonObject LookupPhrase::toJson() const
{
    QJsonArray related;
    for (const Related &entry : relatedPhrases)
        related.append(QJsonObject{{"malay"_L1, entry.malay}, {"english"_L1, entry.english}});

    QJsonObject object{
        {"malay"_L1, malay},
        {"english"_L1, english},
        {"register"_L1, register_},
        {"context"_L1, context},
        {"usageExamples"_L1, PhraseJson::writeExamples(usageExamples)},
        {"notes"_L1, QJsonArray::fromStringList(notes)},
        {"relatedPhrases"_L1, related},
        {"words"_L1, PhraseJson::writeWords(words)},
    };
    if (scenario)
        object.insert("scenario"_L1, *scenario);
    return object;
}

std::optional<LookupPhrase> LookupPhrase::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();

    LookupPhrase card;
    const bool complete = PhraseJson::readString(object, "malay"_L1, card.malay)
        && PhraseJson::readString(object, "english"_L1, card.english)
        && PhraseJson::readString(object, "register"_L1, card.register_)
        && PhraseJson::readString(object, "context"_L1, card.context)
        && PhraseJson::readExamples(object, "usageExamples"_L1, card.usageExamples)
        && PhraseJson::readStringList(object, "notes"_L1, card.notes)
        && readRelatedList(object, "relatedPhrases"_L1, card.relatedPhrases)
        && PhraseJson::readWords(object, "words"_L1, card.words);
    if (!complete)
        return std::nullopt;

    // "scenario" is the one optional key: missing or null both mean no scenario.
    const QJsonValue scenario = object.value("scenario"_L1);
    if (scenario.isString())
        card.scenario = scenario.toString();
    else if (!scenario.isUndefined() && !scenario.isNull())
        return std::nullopt;
    return card;
}

Result<LookupPhrase, LookupEnvelope::Failure> LookupEnvelope::decode(const QByteArray &bytes, const QString &userID)
{
    const Failure decodingFailure{std::nullopt};

    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return decodingFailure;
    const QJsonObject object = document.object();

    LookupEnvelope envelope;
    if (!readInteger(object, "version"_L1, envelope.version)
        || !PhraseJson::readString(object, "userId"_L1, envelope.userID))
        return decodingFailure;
    std::optional<LookupPhrase> card = LookupPhrase::fromJson(object.value("phrase"_L1));
    if (!card)
        return decodingFailure;

    // The account check comes first: an answer for someone else is an account
    // change even when its card is also unusable.
    if (envelope.userID != userID)
        return Failure{LookupError::accountChanged()};
    if (envelope.version != 1 || !card->isValid())
        return Failure{LookupError::invalidResponse()};
    return std::move(*card);
}

QJsonObject LookupEnvelope::toJson() const
{
    return QJsonObject{{"version"_L1, version}, {"userId"_L1, userID}, {"phrase"_L1, phrase.toJson()}};
}
