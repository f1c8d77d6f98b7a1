#pragma once

#include "library/phrase.h"
#include "library/result.h"

#include <QByteArray>
#include <optional>

// One page of the saved-phrase feed.
struct PhraseFeed {
    // decoding: not JSON, or a required key missing, null or of the wrong type.
    // invalidResponse: the right shape, but a rule of the format is broken.
    enum class Error { decoding, invalidResponse };

    static constexpr int maxPhrases = 50;
    static constexpr int maxMalay = 300;
    static constexpr int maxEnglish = 500;
    static constexpr int maxContext = 2000;
    static constexpr int maxWords = 80;

    int version = 1;
    QString userID;
    QList<Phrase> phrases;
    std::optional<QString> nextCursor;

    bool operator==(const PhraseFeed &) const = default;

    static Result<PhraseFeed, Error> decode(const QByteArray &bytes);
    QJsonObject toJson() const; // omits "nextCursor" when there is none
};
