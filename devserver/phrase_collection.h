#pragma once

#include "lookup/lookup_phrase.h"
#include "search_terms.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <optional>

// The built-in phrase cards that lookups are answered from, and the search
// over them. A query finds a card only when the card means what was asked:
// whole words (stemmed, with synonyms), weighted by how rare they are and by
// where on the card they are found, and no meaning-changing word disagreeing.
// How the scores and bars work is in match_scores.h. Equal answers go to the
// card that adds least to the query, then to the card listed first, so the
// same query always gets the same card.
class PhraseCollection {
public:
    // Every card must decode and be complete; otherwise `error` names the first bad one.
    static std::optional<PhraseCollection> fromJson(const QByteArray &json, QString *error);

    const QList<LookupPhrase> &cards() const { return m_cards; }

    // The index of the card that answers the query, or nullopt when none does.
    std::optional<qsizetype> bestMatch(const QString &query) const;

private:
    struct Index {
        QHash<QString, double> quality; // each term of the card: how much it says what the card is
        QList<QSet<QString>> wordings;  // content terms of the meaning, the phrase and each related phrase
        QSet<int> sides;                // contrast sides of the meaning and the phrase
        QByteArray englishPersons;      // of the meaning
        QByteArray englishPossessives;  // of the meaning
        QByteArray malayPersons;        // of the phrase
    };

    static Index indexCard(const LookupPhrase &card);
    double weight(const SearchTerms::Term &term, bool weakOnly) const;

    QList<LookupPhrase> m_cards;
    QList<Index> m_index;
    QHash<QString, int> m_cardsWithTerm; // in a card's meaning, phrase, related phrases or glosses
    SpellingVocabulary m_vocabulary;
};
