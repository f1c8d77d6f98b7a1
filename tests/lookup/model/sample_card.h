#pragma once

#include "lookup/lookup_phrase.h"

#include <QJsonDocument>
#include <QJsonObject>

// A complete lookup card, as the web app would send it.
inline LookupPhrase sampleCard()
{
    return {
        .malay = QStringLiteral("Kurang manis, ya."),
        .english = QStringLiteral("Less sugar, please."),
        .register_ = QStringLiteral("casual"),
        .context = QStringLiteral("Said when ordering a drink at a kopitiam or hawker stall."),
        .usageExamples = {{QStringLiteral("Teh tarik satu, kurang manis, ya."),
                           QStringLiteral("One teh tarik, less sugar."), QStringLiteral("Ordering at the counter")}},
        .notes = {QStringLiteral("Kurang means less; manis means sweet.")},
        .relatedPhrases = {{QStringLiteral("Tak nak manis."), QStringLiteral("No sugar.")}},
        .words = {{QStringLiteral("kurang"), QStringLiteral("less")},
                  {QStringLiteral("manis"), QStringLiteral("sweet")}},
        .scenario = QStringLiteral("kopitiam")};
}

// A lookup answer body carrying `card`.
inline QByteArray envelopeBody(const LookupPhrase &card, const QString &userID, int version = 1)
{
    return QJsonDocument(QJsonObject{{QLatin1StringView("version"), version},
                                     {QLatin1StringView("userId"), userID},
                                     {QLatin1StringView("phrase"), card.toJson()}})
        .toJson(QJsonDocument::Compact);
}
