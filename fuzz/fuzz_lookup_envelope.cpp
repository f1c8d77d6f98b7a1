// Any bytes through the lookup answer decoder: never a crash, and an accepted
// card is complete and reads back unchanged from its own JSON.
#include "fuzz_check.h"
#include "lookup/lookup_phrase.h"

using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto result = LookupEnvelope::decode(bytes, u"user-1"_s);
    if (!result)
        return 0;
    const LookupPhrase &card = result.value();
    FUZZ_CHECK(card.isValid());
    const std::optional<LookupPhrase> again = LookupPhrase::fromJson(card.toJson());
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(*again == card);
    return 0;
}
