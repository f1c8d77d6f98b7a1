#include "demo_accounts.h"

#include "database.h"
#include "phrase_collection.h"
#include "saved_phrases.h"

#include <QMap>
#include <QUuid>

using namespace Qt::StringLiterals;

namespace {

std::optional<QString> ensureAccount(Database &database, const QString &email, const QString &password, bool *created)
{
    *created = false;
    if (const std::optional<Database::Account> existing = database.accountByEmail(email))
        return existing->id;
    const Database::Account account{u"user_"_s + QUuid::createUuid().toString(QUuid::Id128), email,
                                    Credentials::hashPassword(password)};
    if (!database.createAccount(account))
        return std::nullopt;
    *created = true;
    return account.id;
}

// Cards taken in turn from each setting, so the library spans every category.
QList<LookupPhrase> spreadOverSettings(const PhraseCollection &collection, int count)
{
    QMap<QString, QList<LookupPhrase>> bySetting;
    for (const LookupPhrase &card : collection.cards())
        bySetting[card.scenario.value_or(u"general"_s)].append(card);
    QList<LookupPhrase> picked;
    for (int round = 0; picked.size() < count; ++round) {
        bool tookAny = false;
        for (const QList<LookupPhrase> &cards : std::as_const(bySetting)) {
            if (round < cards.size() && picked.size() < count) {
                picked.append(cards.at(round));
                tookAny = true;
            }
        }
        if (!tookAny)
            break;
    }
    return picked;
}

} // namespace

namespace DemoAccounts {

bool ensure(Database &database, const PhraseCollection &collection)
{
    bool created = false;
    const std::optional<QString> learner =
        ensureAccount(database, u"learner@pelora.test"_s, u"selamat-pagi"_s, &created);
    if (!learner)
        return false;
    if (created) {
        for (const LookupPhrase &card : spreadOverSettings(collection, learnerLibrarySize))
            SavedPhrases::save(database, *learner, card);
    }
    return ensureAccount(database, u"new@pelora.test"_s, u"selamat-datang"_s, &created).has_value();
}

} // namespace DemoAccounts
