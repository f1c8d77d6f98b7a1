#include "library/phrase_deck.h"

#include <QHash>
#include <QRandomGenerator>
#include <utility>

PhraseDeck::PhraseDeck() : PhraseDeck([](quint32 bound) { return QRandomGenerator::system()->bounded(bound); }) {}

PhraseDeck::PhraseDeck(RandomBelow random) : m_random(std::move(random)) {}

std::optional<Phrase> PhraseDeck::next(const QList<Phrase> &library)
{
    if (library.isEmpty())
        return std::nullopt;

    if (m_remaining.isEmpty()) {
        // A new cycle: an unbiased Fisher–Yates shuffle of the whole library.
        m_remaining = library;
        for (qsizetype i = m_remaining.size() - 1; i > 0; --i) {
            // The modulo leaves a correct draw unchanged and keeps a faulty
            // injected source inside the list.
            const quint32 bound = quint32(i + 1);
            const auto j = qsizetype(m_random(bound) % bound);
            m_remaining.swapItemsAt(i, j);
        }
        // Never open a cycle with the phrase that closed the last one.
        if (m_remaining.size() >= 2 && m_lastID && m_remaining.last().id == *m_lastID)
            m_remaining.swapItemsAt(0, m_remaining.size() - 1);
    }

    Phrase dealt = m_remaining.takeLast();
    m_lastID = dealt.id;
    return dealt;
}

void PhraseDeck::reconcile(const QList<Phrase> &library)
{
    QHash<QString, const Phrase *> byID;
    byID.reserve(library.size());
    for (const Phrase &phrase : library)
        byID.insert(phrase.id, &phrase); // a later duplicate id wins

    QList<Phrase> kept;
    kept.reserve(m_remaining.size());
    for (const Phrase &waiting : std::as_const(m_remaining)) {
        if (const Phrase *current = byID.value(waiting.id))
            kept.append(*current); // edited phrases come with their new content
    }
    m_remaining = std::move(kept);
}
