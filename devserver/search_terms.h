#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// The words of the card collection, for reading misspelt query words as the
// known word they are one or two letters from ("restuarant", "tommorow").
class SpellingVocabulary {
public:
    void add(const QString &word);
    bool contains(const QString &word) const { return m_counts.contains(word); }
    // The closest known word with the same first letter, the most common on a
    // tie; empty when none is close enough (see MatchScores).
    QString nearest(const QString &word) const;

private:
    QHash<QString, int> m_counts;
    QHash<QChar, QStringList> m_byFirstLetter;
};

// A text read into the terms that lookups compare: case and accents folded,
// contractions and chat spellings expanded, English endings stemmed, synonyms
// and compounds brought to one canonical term, stop words and numbers dropped.
// Cards and queries are read the same way, so only whole words ever match
// ("dead" never finds "deadline").
struct SearchTerms {
    struct Term {
        QString text;
        bool weak = false;      // a question word, pronoun or light verb
        bool corrected = false; // read as a known word near a misspelling
    };
    QList<Term> terms; // in order, each once
    // Person words in order of first appearance: '1' speaker, '2' listener.
    QByteArray englishPersons;
    QByteArray englishPossessives;
    QByteArray malayPersons;

    // With a vocabulary, unknown words are corrected towards it.
    static SearchTerms read(const QString &text, const SpellingVocabulary *vocabulary = nullptr);
    // The words of a text before stemming, as the vocabulary holds them.
    static QStringList surfaceWords(const QString &text);
    // The canonical term of one word ("Bookings" → "book").
    static QString termOf(const QString &word);

    QStringList texts() const;
};

// The contrast sides (see WordTables::contrastGroups) that terms say; a side
// is group * sidesPerGroup + side.
namespace ContrastSides {
constexpr int sidesPerGroup = 16;
QSet<int> of(const QList<SearchTerms::Term> &terms);
// True when some group is said on both sides and they share no side.
bool disagree(const QSet<int> &query, const QSet<int> &card);
} // namespace ContrastSides

// True when the person words contradict each other: no person in common
// ("my name" against "your name"), or, when `ordered`, both say speaker and
// listener the other way round ("can you help me" against "can I help you").
bool personsDisagree(const QByteArray &query, const QByteArray &card, bool ordered);
