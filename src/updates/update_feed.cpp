#include "updates/update_feed.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace {
constexpr qsizetype maxVersionLength = 40;
constexpr qsizetype maxNotesLength = 2000;
} // namespace

bool UpdateFeed::isAllowedAddress(const QUrl &url)
{
    if (!url.isValid() || url.isRelative() || url.host().isEmpty() || !url.userInfo().isEmpty())
        return false;
    if (url.scheme() == u"https")
        return true;
    if (url.scheme() != u"http")
        return false;
    const QString host = url.host();
    return host == u"localhost" || QHostAddress(host).isLoopback();
}

std::optional<UpdateFeed> UpdateFeed::decode(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();

    const QJsonValue version = object.value(u"version"_s);
    const QJsonValue url = object.value(u"url"_s);
    const QJsonValue notes = object.value(u"notes"_s);
    if (!version.isString() || version.toString().size() > maxVersionLength || !url.isString())
        return std::nullopt;
    if (!notes.isUndefined() && !notes.isNull() && !notes.isString())
        return std::nullopt;

    const std::optional<VersionNumber> number = VersionNumber::parse(version.toString());
    const QUrl page(url.toString(), QUrl::StrictMode);
    if (!number || !isAllowedAddress(page))
        return std::nullopt;

    QString text = notes.toString().trimmed();
    if (text.size() > maxNotesLength) {
        text.truncate(maxNotesLength - 1);
        if (text.back().isHighSurrogate())
            text.chop(1);
        text += QChar(0x2026); // …
    }
    return UpdateFeed{version.toString(), *number, page, text};
}
