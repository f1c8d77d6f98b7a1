#include "schedule/preferences.h"

#include <QDateTime>
#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

// The file is a JSON object whose members are tagged values:
//   { "pausedUntil": { "type": "date", "value": "2026-01-02T03:04:05.678Z" }, … }
// Each value says what it is, so the next run reads back exactly the type
// that was written (QSettings' INI format reads everything back as text).
namespace {

// Integers beyond ±2^53 are written as decimal text so no digit is lost.
constexpr qint64 exactDoubleLimit = qint64(1) << 53;

bool isInteger(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return value.toULongLong() <= quint64(std::numeric_limits<qint64>::max());
    default:
        return false;
    }
}

QJsonValue writeInteger(qint64 n)
{
    if (n >= -exactDoubleLimit && n <= exactDoubleLimit)
        return double(n);
    return QString::number(n);
}

QJsonValue writeDouble(double d)
{
    if (std::isfinite(d))
        return d;
    return std::isnan(d) ? u"nan"_s : d > 0 ? u"inf"_s : u"-inf"_s;
}

// One stored value as a tagged JSON object; null when the value has no stored form.
QJsonValue encode(const QVariant &value)
{
    QString type;
    QJsonValue json;
    if (value.typeId() == QMetaType::Bool) {
        type = u"bool"_s;
        json = value.toBool();
    } else if (isInteger(value)) {
        type = u"integer"_s;
        json = writeInteger(value.toLongLong());
    } else if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        type = u"double"_s;
        json = writeDouble(value.toDouble());
    } else if (value.typeId() == QMetaType::QDateTime) {
        const QDateTime date = value.toDateTime();
        if (!date.isValid())
            return QJsonValue();
        type = u"date"_s;
        json = date.toUTC().toString(Qt::ISODateWithMs);
    } else if (value.typeId() == QMetaType::QStringList) {
        type = u"textList"_s;
        json = QJsonArray::fromStringList(value.toStringList());
    } else if (value.typeId() == QMetaType::QByteArray) {
        type = u"bytes"_s;
        json = QString::fromLatin1(value.toByteArray().toBase64());
    } else if (value.canConvert<QString>()) {
        // Text, and values whose only lasting form is their text (a URL, a number as text).
        type = u"text"_s;
        json = value.toString();
    } else {
        return QJsonValue();
    }
    return QJsonObject{{u"type"_s, type}, {u"value"_s, json}};
}

std::optional<qint64> readInteger(const QJsonValue &json)
{
    if (json.isDouble()) {
        const double d = json.toDouble();
        if (d != std::trunc(d) || d < -double(exactDoubleLimit) || d > double(exactDoubleLimit))
            return std::nullopt;
        return qint64(d);
    }
    if (json.isString()) {
        bool ok = false;
        const qint64 n = json.toString().toLongLong(&ok);
        if (ok)
            return n;
    }
    return std::nullopt;
}

std::optional<double> readDouble(const QJsonValue &json)
{
    if (json.isDouble())
        return json.toDouble();
    const QString text = json.toString();
    if (text == u"nan")
        return std::numeric_limits<double>::quiet_NaN();
    if (text == u"inf")
        return std::numeric_limits<double>::infinity();
    if (text == u"-inf")
        return -std::numeric_limits<double>::infinity();
    return std::nullopt;
}

// A tagged value back to its QVariant; an invalid QVariant when the entry is
// malformed (such an entry is skipped, the rest of the file still counts).
QVariant decode(const QJsonValue &entry)
{
    const QJsonObject object = entry.toObject();
    const QString type = object.value(u"type"_s).toString();
    const QJsonValue json = object.value(u"value"_s);
    if (type == u"bool" && json.isBool())
        return json.toBool();
    if (type == u"integer") {
        if (const auto n = readInteger(json))
            return QVariant::fromValue<qint64>(*n);
    } else if (type == u"double") {
        if (const auto d = readDouble(json))
            return *d;
    } else if (type == u"date" && json.isString()) {
        const QDateTime date = QDateTime::fromString(json.toString(), Qt::ISODateWithMs);
        if (date.isValid())
            return date;
    } else if (type == u"text" && json.isString()) {
        return json.toString();
    } else if (type == u"textList" && json.isArray()) {
        QStringList list;
        for (const QJsonValue &item : json.toArray()) {
            if (!item.isString())
                return {};
            list.append(item.toString());
        }
        return list;
    } else if (type == u"bytes" && json.isString()) {
        auto bytes =
            QByteArray::fromBase64Encoding(json.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (bytes)
            return *bytes;
    }
    return {};
}

bool readTyped(QIODevice &device, QSettings::SettingsMap &map)
{
    const QByteArray bytes = device.readAll();
    if (bytes.trimmed().isEmpty())
        return true; // a new, empty file
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QVariant value = decode(it.value());
        if (value.isValid())
            map.insert(it.key(), value);
    }
    return true;
}

bool writeTyped(QIODevice &device, const QSettings::SettingsMap &map)
{
    QJsonObject object;
    for (auto it = map.begin(); it != map.end(); ++it) {
        const QJsonValue entry = encode(it.value());
        if (!entry.isNull())
            object.insert(it.key(), entry);
    }
    const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Indented);
    return device.write(bytes) == bytes.size();
}

} // namespace

QSettings::Format Preferences::typedFormat()
{
    static const QSettings::Format format =
        QSettings::registerFormat(u"json"_s, readTyped, writeTyped, Qt::CaseSensitive);
    return format;
}

Preferences &Preferences::standard()
{
    // Ask QSettings where the learner's store lives ($XDG_CONFIG_HOME/Pelora/
    // PeloraCompanion.json) but open that one file alone, without the
    // organisation-wide and system-wide fallbacks.
    static Preferences preferences(
        QSettings(typedFormat(), QSettings::UserScope, u"Pelora"_s, u"PeloraCompanion"_s).fileName());
    return preferences;
}

Preferences::Preferences(const QString &filePath) : m_settings(std::make_unique<QSettings>(filePath, typedFormat()))
{
    // QSettings replaces the file through QSaveFile, so a crash mid-write
    // leaves the previous file intact.
    m_settings->setAtomicSyncRequired(true);
}

int Preferences::integer(const QString &key) const
{
    const QVariant stored = m_settings->value(key);
    if (stored.typeId() == QMetaType::Bool)
        return stored.toBool() ? 1 : 0;
    qint64 n = 0;
    if (isInteger(stored)) {
        n = stored.toLongLong();
    } else if (stored.typeId() == QMetaType::Double) {
        const double d = stored.toDouble();
        if (!std::isfinite(d) || d != std::trunc(d) || std::abs(d) > double(exactDoubleLimit))
            return 0;
        n = qint64(d);
    } else {
        return 0;
    }
    // Out of int's range is "no usable integer", never a wrapped-around value.
    if (n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
        return 0;
    return int(n);
}

QVariant Preferences::value(const QString &key) const
{
    return m_settings->value(key);
}

QString Preferences::text(const QString &key) const
{
    const QVariant stored = m_settings->value(key);
    return stored.typeId() == QMetaType::QString ? stored.toString() : QString();
}

void Preferences::setInteger(const QString &key, qint64 value)
{
    setValue(key, QVariant::fromValue(value));
}

void Preferences::setBoolean(const QString &key, bool value)
{
    setValue(key, value);
}

void Preferences::setValue(const QString &key, const QVariant &value)
{
    if (!value.isValid()) {
        remove(key);
        return;
    }
    m_settings->setValue(key, value);
    m_settings->sync(); // on disk at once: a crash or kill loses no choice
}

void Preferences::remove(const QString &key)
{
    m_settings->remove(key);
    m_settings->sync();
}

QString Preferences::filePath() const
{
    return m_settings->fileName();
}
