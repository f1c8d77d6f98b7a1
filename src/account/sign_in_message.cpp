#include "account/sign_in_message.h"

#include <QCborArray>
#include <QCborValue>
#include <QtEndian>

namespace {

using Kind = SignInMessage::Kind;

enum class Shape { bare, count, url, urlAndFields };

std::optional<Shape> shapeOf(qint64 kind)
{
    switch (Kind(kind)) {
    case Kind::hide:
    case Kind::clear:
    case Kind::quit:
    case Kind::sessionChanged:
    case Kind::cookiesAccepted:
    case Kind::cleared:
        return Shape::bare;
    case Kind::windowClosed:
        return Shape::count;
    case Kind::show:
        return Shape::url;
    case Kind::acceptCookies:
        return Shape::urlAndFields;
    }
    return std::nullopt;
}

std::optional<QUrl> webUrl(const QCborValue &value)
{
    if (!value.isString())
        return std::nullopt;
    const QString text = value.toString();
    if (text.size() > SignInMessage::maxUrl)
        return std::nullopt;
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || (url.scheme() != u"https" && url.scheme() != u"http"))
        return std::nullopt;
    // A sender writes the fully encoded form; any other spelling (a second
    // `#`, a raw space) could read back as a different address.
    if (url.toString(QUrl::FullyEncoded) != text)
        return std::nullopt;
    return url;
}

} // namespace

QByteArray SignInMessage::framed() const
{
    QCborArray array{int(kind)};
    switch (*shapeOf(int(kind))) {
    case Shape::bare:
        break;
    case Shape::count:
        array.append(qint64(count));
        break;
    case Shape::url:
        array.append(url.toString(QUrl::FullyEncoded));
        break;
    case Shape::urlAndFields: {
        array.append(url.toString(QUrl::FullyEncoded));
        QCborArray list;
        for (const QByteArray &field : fields)
            list.append(field);
        array.append(list);
        break;
    }
    }
    const QByteArray body = QCborValue(array).toCbor();
    QByteArray frame(4, Qt::Uninitialized);
    qToBigEndian(quint32(body.size()), frame.data());
    return frame + body;
}

std::optional<SignInMessage> SignInMessageReader::decode(const QByteArray &body)
{
    QCborParserError error;
    const QCborValue value = QCborValue::fromCbor(body, &error);
    if (error.error != QCborError::NoError || error.offset != body.size() || !value.isArray())
        return std::nullopt;
    const QCborArray array = value.toArray();
    if (array.isEmpty() || !array.at(0).isInteger())
        return std::nullopt;
    const std::optional<Shape> shape = shapeOf(array.at(0).toInteger());
    if (!shape)
        return std::nullopt;
    SignInMessage message;
    message.kind = Kind(array.at(0).toInteger());
    switch (*shape) {
    case Shape::bare:
        return array.size() == 1 ? std::optional(message) : std::nullopt;
    case Shape::count: {
        const qint64 count = array.at(1).toInteger(-1);
        if (array.size() != 2 || !array.at(1).isInteger() || count < 0 || count > std::numeric_limits<quint32>::max())
            return std::nullopt;
        message.count = quint32(count);
        return message;
    }
    case Shape::url:
    case Shape::urlAndFields:
        break;
    }
    const qsizetype expected = *shape == Shape::url ? 2 : 3;
    const std::optional<QUrl> url = array.size() == expected ? webUrl(array.at(1)) : std::nullopt;
    if (!url)
        return std::nullopt;
    message.url = *url;
    if (*shape == Shape::url)
        return message;
    if (!array.at(2).isArray())
        return std::nullopt;
    const QCborArray fields = array.at(2).toArray();
    if (fields.size() > SignInMessage::maxFields)
        return std::nullopt;
    for (const QCborValue &field : fields) {
        if (!field.isByteArray() || field.toByteArray().size() > SignInMessage::maxField)
            return std::nullopt;
        message.fields.append(field.toByteArray());
    }
    return message;
}

QList<SignInMessage> SignInMessageReader::read(const QByteArray &bytes)
{
    QList<SignInMessage> messages;
    if (m_failed)
        return messages;
    m_pending += bytes;
    while (m_pending.size() >= 4) {
        const quint32 length = qFromBigEndian<quint32>(m_pending.constData());
        // Refused from its length alone: nothing waits for an oversized body.
        if (length == 0 || length > quint32(SignInMessage::maxFrame)) {
            m_failed = true;
            break;
        }
        if (m_pending.size() < 4 + qsizetype(length))
            break;
        std::optional<SignInMessage> message = decode(m_pending.mid(4, length));
        if (!message) {
            m_failed = true;
            break;
        }
        messages.append(std::move(*message));
        m_pending.remove(0, 4 + length);
    }
    if (m_failed)
        m_pending.clear();
    return messages;
}
