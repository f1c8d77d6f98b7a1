#pragma once

#include "library/phrase.h"

#include <QList>
#include <functional>
#include <optional>

// Deals the library like a shuffled deck: every phrase once per cycle, a new
// shuffle each cycle, never the same phrase twice in a row across cycles.
class PhraseDeck {
public:
    // Returns a uniformly distributed integer in [0, bound).
    using RandomBelow = std::function<quint32(quint32 bound)>;

    PhraseDeck(); // draws from the system random generator
    explicit PhraseDeck(RandomBelow random);

    std::optional<Phrase> next(const QList<Phrase> &library);
    void reconcile(const QList<Phrase> &library);

    const QList<Phrase> &remaining() const { return m_remaining; }
    const std::optional<QString> &lastID() const { return m_lastID; }

private:
    RandomBelow m_random;
    QList<Phrase> m_remaining;
    std::optional<QString> m_lastID;
};
