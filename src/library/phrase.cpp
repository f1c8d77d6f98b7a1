#include "library/phrase.h"

using namespace Qt::StringLiterals;

namespace {

QJsonArray toArray(const QStringList &texts)
{
    QJsonArray array;
    for (const QString &text : texts)
        array.append(text);
    return array;
}

} // namespace

QJsonObject Phrase::Word::toJson() const
{
    return {{u"malay"_s, malay}, {u"english"_s, english}};
}

QJsonObject Phrase::Example::toJson() const
{
    return {{u"malay"_s, malay}, {u"english"_s, english}, {u"situation"_s, situation}};
}

QJsonObject Phrase::toJson() const
{
    return {{u"id"_s, id},
            {u"malay"_s, malay},
            {u"english"_s, english},
            {u"category"_s, category},
            {u"context"_s, context},
            {u"words"_s, PhraseJson::writeWords(words)},
            {u"notes"_s, toArray(notes)},
            {u"usageExamples"_s, PhraseJson::writeExamples(usageExamples)}};
}

namespace PhraseJson {

bool readString(const QJsonObject &object, QLatin1StringView key, QString &out)
{
    const QJsonValue value = object.value(key);
    if (!value.isString())
        return false;
    out = value.toString();
    return true;
}

bool readStringList(const QJsonObject &object, QLatin1StringView key, QStringList &out)
{
    const QJsonValue value = object.value(key);
    if (!value.isArray())
        return false;
    const QJsonArray array = value.toArray();
    QStringList texts;
    texts.reserve(array.size());
    for (const QJsonValue &element : array) {
        if (!element.isString())
            return false;
        texts.append(element.toString());
    }
    out = std::move(texts);
    return true;
}

bool readWord(const QJsonValue &value, Phrase::Word &out)
{
    if (!value.isObject())
        return false;
    const QJsonObject object = value.toObject();
    return readString(object, "malay"_L1, out.malay) && readString(object, "english"_L1, out.english);
}

bool readExample(const QJsonValue &value, Phrase::Example &out)
{
    if (!value.isObject())
        return false;
    const QJsonObject object = value.toObject();
    return readString(object, "malay"_L1, out.malay) && readString(object, "english"_L1, out.english)
        && readString(object, "situation"_L1, out.situation);
}

template <typename T, typename Reader>
static bool readList(const QJsonObject &object, QLatin1StringView key, QList<T> &out, Reader read)
{
    const QJsonValue value = object.value(key);
    if (!value.isArray())
        return false;
    const QJsonArray array = value.toArray();
    QList<T> items;
    items.reserve(array.size());
    for (const QJsonValue &element : array) {
        T item;
        if (!read(element, item))
            return false;
        items.append(std::move(item));
    }
    out = std::move(items);
    return true;
}

bool readWords(const QJsonObject &object, QLatin1StringView key, QList<Phrase::Word> &out)
{
    return readList(object, key, out, readWord);
}

bool readExamples(const QJsonObject &object, QLatin1StringView key, QList<Phrase::Example> &out)
{
    return readList(object, key, out, readExample);
}

QJsonArray writeWords(const QList<Phrase::Word> &words)
{
    QJsonArray array;
    for (const Phrase::Word &word : words)
        array.append(word.toJson());
    return array;
}

QJsonArray writeExamples(const QList<Phrase::Example> &examples)
{
    QJsonArray array;
    for (const Phrase::Example &example : examples)
        array.append(example.toJson());
    return array;
}

} // namespace PhraseJson
