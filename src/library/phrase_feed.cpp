#include "library/phrase_feed.h"
#include "library/text_length.h"

#include "library/json_reader.h"

#include <QSet>
#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>

using namespace Qt::StringLiterals;

namespace {

using Error = PhraseFeed::Error;

// Reads an object whose members are listed in `keys`: the first `required`
// of them must be present, each known key at most once (a repeated key would
// leave it unclear which value counts), and keys not listed are skipped.
// `readMember(index)` reads the value of keys[index].
template <std::size_t count, typename ReadMember>
bool readObject(JsonReader &json, const std::array<QByteArrayView, count> &keys, std::size_t required,
                ReadMember readMember)
{
    static_assert(count <= 32);
    if (!json.beginObject())
        return false;
    std::uint32_t seen = 0;
    QByteArrayView key;
    while (json.nextMember(key)) {
        const auto found = std::find(keys.begin(), keys.end(), key);
        if (found == keys.end()) {
            if (!json.skipValue())
                return false;
            continue;
        }
        const auto index = std::size_t(found - keys.begin());
        if (seen & (1u << index) || !readMember(index))
            return false;
        seen |= 1u << index;
    }
    const std::uint32_t allRequired = (std::uint32_t(1) << required) - 1;
    return !json.failed() && (seen & allRequired) == allRequired;
}

template <typename Item, typename ReadItem> bool readArray(JsonReader &json, QList<Item> &out, ReadItem readItem)
{
    if (!json.beginArray())
        return false;
    QList<Item> items;
    while (json.nextElement()) {
        Item item;
        if (!readItem(item))
            return false;
        items.append(std::move(item));
    }
    out = std::move(items);
    return !json.failed();
}

bool readWord(JsonReader &json, Phrase::Word &out)
{
    static constexpr std::array<QByteArrayView, 2> keys{"malay", "english"};
    return readObject(json, keys, keys.size(),
                      [&](std::size_t index) { return json.readString(index == 0 ? out.malay : out.english); });
}

bool readExample(JsonReader &json, Phrase::Example &out)
{
    static constexpr std::array<QByteArrayView, 3> keys{"malay", "english", "situation"};
    return readObject(json, keys, keys.size(), [&](std::size_t index) {
        QString *const fields[] = {&out.malay, &out.english, &out.situation};
        return json.readString(*fields[index]);
    });
}

bool readPhrase(JsonReader &json, Phrase &out)
{
    static constexpr std::array<QByteArrayView, 8> keys{"id",      "malay", "english", "category",
                                                        "context", "words", "notes",   "usageExamples"};
    return readObject(json, keys, keys.size(), [&](std::size_t index) {
        switch (index) {
        case 5:
            return readArray(json, out.words, [&](Phrase::Word &word) { return readWord(json, word); });
        case 6:
            return readArray(json, out.notes, [&](QString &note) { return json.readString(note); });
        case 7:
            return readArray(json, out.usageExamples,
                             [&](Phrase::Example &example) { return readExample(json, example); });
        default:
            QString *const texts[] = {&out.id, &out.malay, &out.english, &out.category, &out.context};
            return json.readString(*texts[index]);
        }
    });
}

// A JSON number that is a whole number; 1.0 counts as 1. A whole number
// beyond int's range is still an integer (a wrong version, not a wrong type),
// so it is clamped, which keeps it different from every supported version.
bool readInteger(JsonReader &json, int &out)
{
    double number = 0;
    if (!json.readNumber(number) || number != std::floor(number))
        return false;
    out = int(std::clamp(number, double(INT_MIN), double(INT_MAX)));
    return true;
}

bool readCursor(JsonReader &json, std::optional<QString> &out)
{
    if (json.peek() == JsonReader::Kind::null) {
        out.reset();
        return json.skipValue();
    }
    QString cursor;
    if (!json.readString(cursor))
        return false;
    out = std::move(cursor);
    return true;
}

// The shape of the page: every required key present once with its JSON type.
bool readFeed(const QByteArray &bytes, PhraseFeed &out)
{
    JsonReader json(bytes);
    static constexpr std::array<QByteArrayView, 4> keys{"version", "userId", "phrases", "nextCursor"};
    const bool read = readObject(json, keys, 3, [&](std::size_t index) {
        switch (index) {
        case 0:
            return readInteger(json, out.version);
        case 1:
            return json.readString(out.userID);
        case 2:
            return readArray(json, out.phrases, [&](Phrase &phrase) { return readPhrase(json, phrase); });
        default:
            return readCursor(json, out.nextCursor);
        }
    });
    return read && json.finish();
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
        || longerThan(phrase.malay, PhraseFeed::maxMalay) || longerThan(phrase.english, PhraseFeed::maxEnglish)
        || longerThan(phrase.context, PhraseFeed::maxContext) || phrase.words.size() > PhraseFeed::maxWords;
}

} // namespace

Result<PhraseFeed, PhraseFeed::Error> PhraseFeed::decode(const QByteArray &bytes)
{
    PhraseFeed feed;
    if (!readFeed(bytes, feed))
        return Error::decoding;
    if (feed.version != 1 || feed.userID.isEmpty() || feed.phrases.size() > maxPhrases)
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
    QJsonObject object{{u"version"_s, version}, {u"userId"_s, userID}, {u"phrases"_s, array}};
    if (nextCursor)
        object.insert(u"nextCursor"_s, *nextCursor);
    return object;
}
