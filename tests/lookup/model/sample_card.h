#pragma once

#include "lookup/lookup_phrase.h"

#include <QJsonDocument>
#include <QJsonObject>

// A complete lookup card, as the web app would send it.
inline LookupPhrase sampleCard()
{
    using namespace Qt::StringLiterals;
    return {.malay = u"Kurang manis, ya."_s,
            .english = u"Less sugar, please."_s,
            .register_ = u"casual"_s,
            .context = u"Said when ordering a drink at a kopitiam or hawker stall."_s,
            .usageExamples = {{u"Teh tarik satu, kurang manis, ya."_s, u"One teh tarik, less sugar."_s,
                               u"Ordering at the counter"_s}},
            .notes = {u"Kurang means less; manis means sweet."_s},
            .relatedPhrases = {{u"Tak nak manis."_s, u"No sugar."_s}},
            .words = {{u"kurang"_s, u"less"_s}, {u"manis"_s, u"sweet"_s}},
            .scenario = u"kopitiam"_s};
}

// A lookup answer body carrying `card`.
inline QByteArray envelopeBody(const LookupPhrase &card, const QString &userID, int version = 1)
{
    using namespace Qt::StringLiterals;
    return QJsonDocument(QJsonObject{{"version"_L1, version}, {"userId"_L1, userID}, {"phrase"_L1, card.toJson()}})
        .toJson(QJsonDocument::Compact);
}
