#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// The small hand-made word lists that lookups read text with. Words are
// written as people type them, in lower case; search_terms.cpp brings them to
// the same stems and canonical words as the text they are compared with.
namespace WordTables {

// Words that say nothing about which phrase is meant ("how do I say … in Malay").
const QSet<QString> &stopWords();
// Question words, pronouns and light verbs: they count, but little.
const QSet<QString> &weakWords();
// Number words of both languages; cards are templates ("a table for two"), so
// the number asked for never decides the card.
const QSet<QString> &numberWords();
// Chat spellings and contractions typed without an apostrophe, and words that
// stand for two ("headache": head pain), each with what it stands for.
const QHash<QString, QString> &expansions();
// Irregular English forms and their base word ("bought": buy).
const QHash<QString, QString> &irregularForms();
// Words that mean the same here, each with the one word used for all of them.
const QHash<QString, QString> &synonyms();

// Word sequences that mean one thing ("sick leave", "check in"), read as one term.
struct Compound {
    QStringList words;
    QString term;
};
const QList<Compound> &compounds();

// Words whose disagreement changes the meaning: a query that says one side of
// a group is never answered by a card that says only another side of it
// ("open" is not "close", "less sweet" is not "no sugar").
using ContrastGroup = QList<QStringList>; // the sides
const QList<ContrastGroup> &contrastGroups();

// Person words: who does what to whom must agree ("can you help me" is not
// "can I help you", "my name" is not "your name"). English possessives are
// apart from the pronouns, as whose thing it is says nothing of who acts
// ("send me your location"); Malay has one word for both.
struct PersonWords {
    QSet<QString> first;  // the speaker ('1')
    QSet<QString> second; // the listener ('2')
};
const PersonWords &englishPronouns();
const PersonWords &englishPossessives();
const PersonWords &malayPronouns();

} // namespace WordTables
