#pragma once

#include "lookup/lookup_phrase.h"

#include <QList>
#include <QSet>
#include <QString>
#include <optional>

// The built-in phrase cards that lookups are answered from, and the search
// over them: case- and accent-insensitive, word by word, scored by where a
// query word is found. Equal scores go to the card listed first, so the same
// query always gets the same card.
class PhraseCollection {
public:
    // Every card must decode and be complete; otherwise `error` names the first bad one.
    static std::optional<PhraseCollection> fromJson(const QByteArray &json, QString *error);

    const QList<LookupPhrase> &cards() const { return m_cards; }

    // The index of the best card for the query, or nullopt when nothing matches.
    std::optional<qsizetype> bestMatch(const QString &query) const;

    // Lower case, accents removed, split into words.
    static QStringList searchWords(const QString &text);

private:
    struct Index {
        QSet<QString> english;    // meaning and related meanings
        QSet<QString> malay;      // the phrase and related phrasings
        QSet<QString> words;      // word-by-word glosses, both languages
        QSet<QString> situations; // context and usage examples
        QString englishPhrase;    // whole meaning, folded
        QString malayPhrase;      // whole phrase, folded
    };

    int score(const Index &index, const QStringList &queryWords, const QString &queryPhrase,
              int *matchedWords) const;

    QList<LookupPhrase> m_cards;
    QList<Index> m_index;
};
