#pragma once

#include "lookup/lookup_phrase.h"

#include <QJsonDocument>
#include <QJsonObject>

// A complete lookup card, as the web app would send it.
inline LookupPhrase sampleCard()
{
    LookupPhrase card;
    card.malay = QStringLiteral("Kurang manis, ya.");
    card.english = QStringLiteral("Less sugar, please.");
    card.register_ = QStringLiteral("casual");
    card.context = QStringLiteral("Said when ordering a drink at a kopitiam or hawker stall.");
    card.usageExamples = {{QStringLiteral("Teh tarik satu, kurang manis, ya."), QStringLiteral("One teh tarik, less sugar."),
                           QStringLiteral("Ordering at the counter")}};
    card.notes = {QStringLiteral("Kurang means less; manis means sweet.")};
    card.relatedPhrases = {{QStringLiteral("Tak nak manis."), QStringLiteral("No sugar.")}};
    card.words = {{QStringLiteral("kurang"), QStringLiteral("less")}, {QStringLiteral("manis"), QStringLiteral("sweet")}};
    card.scenario = QStringLiteral("kopitiam");
    return card;
}

// A lookup answer body carrying `card`.
inline QByteArray envelopeBody(const LookupPhrase &card, const QString &userId, int version = 1)
{
    return QJsonDocument(QJsonObject{{"version", version}, {"userId", userId}, {"phrase", card.toJson()}})
        .toJson(QJsonDocument::Compact);
}
