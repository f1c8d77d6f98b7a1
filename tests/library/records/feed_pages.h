#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

// Builders of saved-phrase feed pages in their JSON form, valid unless a test
// changes them.
namespace FeedPages {

inline QJsonObject phrase(const QString &id)
{
    return QJsonObject{
        {"id", id},
        {"malay", "Terima kasih " + id},
        {"english", "Thank you " + id},
        {"category", "Greetings"},
        {"context", "Said to anyone who helps you."},
        {"words", QJsonArray{QJsonObject{{"malay", "terima"}, {"english", "receive"}},
                             QJsonObject{{"malay", "kasih"}, {"english", "love"}}}},
        {"notes", QJsonArray{"Polite in every setting.", "Reply: sama-sama."}},
        {"usageExamples",
         QJsonArray{QJsonObject{{"malay", "Terima kasih, cikgu."},
                                {"english", "Thank you, teacher."},
                                {"situation", "At school"}}}},
    };
}

inline QJsonArray phrases(int count)
{
    QJsonArray array;
    for (int i = 0; i < count; ++i)
        array.append(phrase(QStringLiteral("p%1").arg(i)));
    return array;
}

inline QJsonObject page(const QJsonArray &phrases)
{
    return QJsonObject{{"version", 1}, {"userId", "user-1"}, {"phrases", phrases}};
}

inline QJsonObject page(int count = 2)
{
    return page(phrases(count));
}

inline QByteArray bytes(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// A page whose first phrase has `key` set to `value` (or removed when `value`
// is undefined).
inline QJsonObject pageWithPhraseField(const QString &key, const QJsonValue &value)
{
    QJsonArray array = phrases(2);
    QJsonObject first = array.at(0).toObject();
    if (value.isUndefined())
        first.remove(key);
    else
        first.insert(key, value);
    array.replace(0, first);
    return page(array);
}

} // namespace FeedPages
