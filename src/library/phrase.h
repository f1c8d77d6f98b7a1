#pragma once

#include "library/result.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

// One entry of the learner's saved library, as the web app sends it.
struct Phrase {
    struct Word {
        QString malay;
        QString english;

        bool operator==(const Word &) const = default;
        QJsonObject toJson() const;
    };

    struct Example {
        QString malay;
        QString english;
        QString situation;

        bool operator==(const Example &) const = default;
        QJsonObject toJson() const;
    };

    QString id;
    QString malay;
    QString english;
    QString category;
    QString context;
    QList<Word> words;
    QStringList notes;
    QList<Example> usageExamples;

    bool operator==(const Phrase &) const = default;
    QJsonObject toJson() const;
};

// Strict JSON readers shared by the feed and the lookup card: a missing key,
// null or a value of the wrong type is a decoding failure, never a default.
namespace PhraseJson {
bool readString(const QJsonObject &object, QLatin1StringView key, QString &out);
bool readStringList(const QJsonObject &object, QLatin1StringView key, QStringList &out);
bool readWord(const QJsonValue &value, Phrase::Word &out);
bool readExample(const QJsonValue &value, Phrase::Example &out);
bool readWords(const QJsonObject &object, QLatin1StringView key, QList<Phrase::Word> &out);
bool readExamples(const QJsonObject &object, QLatin1StringView key, QList<Phrase::Example> &out);
QJsonArray writeWords(const QList<Phrase::Word> &words);
QJsonArray writeExamples(const QList<Phrase::Example> &examples);
} // namespace PhraseJson
