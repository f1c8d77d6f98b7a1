#pragma once

#include "library/phrase_store.h"

#include <QString>

// What the message card says for a library state.
struct CardMessage {
    QString shortTitle; // the collapsed card's line
    QString longTitle;  // the expanded card's headline
    QString body;
    QString actionLabel;

    bool operator==(const CardMessage &) const = default;
};

// The texts for a state; `detail` (the store's status line) is the body of
// the states that have no fixed one.
CardMessage cardMessage(PhraseStore::State state, const QString &detail);
