#include "saved_phrases.h"

#include <QUuid>

using namespace Qt::StringLiterals;

namespace SavedPhrases {

QString malayKey(const QString &malay)
{
    return malay.simplified().toCaseFolded();
}

QString category(const std::optional<QString> &scenario)
{
    const QString name = scenario.value_or(u"general"_s);
    if (name == "hawker"_L1)
        return u"Hawker stalls"_s;
    if (name == "kopitiam"_L1)
        return u"Kopitiam"_s;
    if (name == "transit"_L1)
        return u"Getting around"_s;
    if (name == "office"_L1)
        return u"At work"_s;
    if (name == "errands"_L1)
        return u"Errands"_s;
    if (name == "signs"_L1)
        return u"Signs"_s;
    return u"Everyday"_s;
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
