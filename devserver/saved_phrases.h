#pragma once

#include "database.h"
#include "lookup/lookup_phrase.h"

#include <optional>

// Saving lookup cards into an account's library.
namespace SavedPhrases {

// The companion syncs at most 100 pages of 50; a bigger library could never sync.
inline constexpr int maxPerAccount = 5000;

// One Malay phrase is saved once per account, whatever its case or spacing.
QString malayKey(const QString &malay);

// The library category shown for a card's setting.
QString category(const std::optional<QString> &scenario);

// The saved form of a card, under a fresh id.
Phrase fromCard(const LookupPhrase &card);

struct Outcome {
    enum class Kind { created, existing, full, failed } kind;
    QString id;
};

Outcome save(Database &database, const QString &accountID, const LookupPhrase &card);

} // namespace SavedPhrases
