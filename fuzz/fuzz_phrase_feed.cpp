// Any bytes through the feed decoder: never a crash, and every accepted page
// keeps the format's rules and survives writing and reading back unchanged.
#include "fuzz_check.h"
#include "library/phrase_feed.h"
#include "library/text_length.h"

#include <QJsonDocument>
#include <QSet>

static void checkRules(const PhraseFeed &feed)
{
    FUZZ_CHECK(feed.version == 1);
    FUZZ_CHECK(!feed.userId.isEmpty());
    FUZZ_CHECK(feed.phrases.size() <= PhraseFeed::maxPhrases);
    QSet<QString> ids;
    for (const Phrase &phrase : feed.phrases) {
        ids.insert(phrase.id);
        FUZZ_CHECK(!phrase.id.isEmpty() && !phrase.malay.isEmpty() && !phrase.english.isEmpty());
        FUZZ_CHECK(TextLength::graphemes(phrase.malay) <= PhraseFeed::maxMalay);
        FUZZ_CHECK(TextLength::graphemes(phrase.english) <= PhraseFeed::maxEnglish);
        FUZZ_CHECK(TextLength::graphemes(phrase.context) <= PhraseFeed::maxContext);
        FUZZ_CHECK(phrase.words.size() <= PhraseFeed::maxWords);
    }
    FUZZ_CHECK(ids.size() == feed.phrases.size());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto result = PhraseFeed::decode(bytes);
    if (!result)
        return 0;
    checkRules(result.value());

    const QByteArray written = QJsonDocument(result.value().toJson()).toJson(QJsonDocument::Compact);
    const auto again = PhraseFeed::decode(written);
    FUZZ_CHECK(again.ok());
    FUZZ_CHECK(again.value() == result.value());
    return 0;
}
