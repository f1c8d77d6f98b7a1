// Any bytes through the feed decoder: never a crash; every accepted page keeps
// the format's rules and survives writing and reading back unchanged; and the
// decoder never reads a value differently from Qt's own JSON parser.
#include "fuzz_check.h"
#include "library/phrase_feed.h"
#include "library/text_length.h"

#include <QJsonDocument>
#include <QSet>
#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;

static void checkRules(const PhraseFeed &feed)
{
    FUZZ_CHECK(feed.version == 1);
    FUZZ_CHECK(!feed.userID.isEmpty());
    FUZZ_CHECK(feed.phrases.size() <= PhraseFeed::maxPhrases);
    QSet<QString> ids;
    for (const Phrase &phrase : feed.phrases) {
        ids.insert(phrase.id);
        FUZZ_CHECK(!phrase.id.isEmpty());
        FUZZ_CHECK(!phrase.malay.isEmpty());
        FUZZ_CHECK(!phrase.english.isEmpty());
        FUZZ_CHECK(TextLength::graphemes(phrase.malay) <= PhraseFeed::maxMalay);
        FUZZ_CHECK(TextLength::graphemes(phrase.english) <= PhraseFeed::maxEnglish);
        FUZZ_CHECK(TextLength::graphemes(phrase.context) <= PhraseFeed::maxContext);
        FUZZ_CHECK(phrase.words.size() <= PhraseFeed::maxWords);
    }
    FUZZ_CHECK(ids.size() == feed.phrases.size());
}

static bool readPhrase(const QJsonValue &value, Phrase &out)
{
    const QJsonObject object = value.toObject();
    using namespace PhraseJson;
    return value.isObject() && readString(object, "id"_L1, out.id) && readString(object, "malay"_L1, out.malay)
        && readString(object, "english"_L1, out.english) && readString(object, "category"_L1, out.category)
        && readString(object, "context"_L1, out.context) && readWords(object, "words"_L1, out.words)
        && readStringList(object, "notes"_L1, out.notes) && readExamples(object, "usageExamples"_L1, out.usageExamples);
}

// The page's shape as read through QJsonDocument, which is more lenient than
// the decoder (it takes raw control characters, unknown escapes, "1." and
// repeated keys), so only what the decoder takes can be compared with it.
static std::optional<PhraseFeed> readWithQt(const QByteArray &bytes)
{
    const QJsonObject object = QJsonDocument::fromJson(bytes).object();
    const QJsonValue version = object.value("version"_L1);
    const QJsonValue phrases = object.value("phrases"_L1);
    const QJsonValue cursor = object.value("nextCursor"_L1);
    PhraseFeed feed;
    if (!version.isDouble() || version.toDouble() != std::floor(version.toDouble()))
        return std::nullopt;
    if (!PhraseJson::readString(object, "userId"_L1, feed.userID))
        return std::nullopt;
    if (!phrases.isArray())
        return std::nullopt;
    if (!cursor.isString() && !cursor.isNull() && !cursor.isUndefined())
        return std::nullopt;
    feed.version = version.toDouble() == 1 ? 1 : 0;
    if (cursor.isString())
        feed.nextCursor = cursor.toString();
    for (const QJsonValue &element : phrases.toArray()) {
        Phrase phrase;
        if (!readPhrase(element, phrase))
            return std::nullopt;
        feed.phrases.append(phrase);
    }
    return feed;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto result = PhraseFeed::decode(bytes);
    if (!result && result.error() == PhraseFeed::Error::decoding)
        return 0;
    // Qt drops a U+FEFF that opens a string (even a key); the decoder keeps
    // the text as sent, so such pages cannot be compared.
    if (bytes.indexOf("\xEF\xBB\xBF", 1) >= 0)
        return 0;

    // What the decoder took, Qt must take too and read the same: written
    // back out, Qt's reading decodes to the same page or the same rejection.
    const std::optional<PhraseFeed> qtReading = readWithQt(bytes);
    FUZZ_CHECK(qtReading.has_value());
    const auto fromQtReading = PhraseFeed::decode(QJsonDocument(qtReading->toJson()).toJson(QJsonDocument::Compact));
    FUZZ_CHECK(fromQtReading.ok() == result.ok());
    if (!result) {
        FUZZ_CHECK(fromQtReading.error() == PhraseFeed::Error::invalidResponse);
        return 0;
    }
    checkRules(result.value());
    FUZZ_CHECK(fromQtReading.value() == result.value());

    const QByteArray written = QJsonDocument(result.value().toJson()).toJson(QJsonDocument::Compact);
    const auto again = PhraseFeed::decode(written);
    FUZZ_CHECK(again.ok());
    FUZZ_CHECK(again.value() == result.value());
    return 0;
}
