#include "saved_phrases.h"

#include <QHash>
#include <QUuid>

using namespace Qt::StringLiterals;

namespace SavedPhrases {

QString malayKey(const QString &malay)
{
    return malay.simplified().toCaseFolded();
}

QString category(const std::optional<QString> &scenario)
{
    // The library category a card saved from each scenario joins; "general" and any other, Everyday.
    static const QHash<QString, QString> categories{
        {u"hawker"_s, u"Hawker stalls"_s}, {u"kopitiam"_s, u"Kopitiam"_s}, {u"transit"_s, u"Getting around"_s},
        {u"office"_s, u"At work"_s},       {u"errands"_s, u"Errands"_s},   {u"signs"_s, u"Signs"_s},
    };
    return categories.value(scenario.value_or(QString()), u"Everyday"_s);
}

Phrase fromCard(const LookupPhrase &card)
{
    return Phrase{u"ph_"_s + QUuid::createUuid().toString(QUuid::Id128),
                  card.malay,
                  card.english,
                  category(card.scenario),
                  card.context,
                  card.words,
                  card.notes,
                  card.usageExamples};
}

Outcome save(Database &database, const QString &accountID, const LookupPhrase &card)
{
    const QString key = malayKey(card.malay);
    if (const std::optional<QString> existing = database.phraseIDForKey(accountID, key))
        return {Outcome::Kind::existing, *existing};
    if (database.phraseCount(accountID) >= maxPerAccount)
        return {Outcome::Kind::full, {}};
    const Phrase phrase = fromCard(card);
    const std::optional<QString> id = database.insertPhrase(accountID, phrase, key);
    if (!id)
        return {Outcome::Kind::failed, {}};
    return {*id == phrase.id ? Outcome::Kind::created : Outcome::Kind::existing, *id};
}

} // namespace SavedPhrases
