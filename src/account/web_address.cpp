#include "account/web_address.h"

#include <QStringList>

namespace {

// Loopback hosts, compared exactly as typed.
const QStringList &loopbackHosts()
{
    static const QStringList hosts{QStringLiteral("localhost"), QStringLiteral("127.0.0.1"), QStringLiteral("::1"),
                                   QStringLiteral("[::1]")};
    return hosts;
}

// The parts of an absolute URL as the learner typed them. QUrl validates the
// text, but it lower-cases the scheme and the host and drops an empty query,
// so the decisions below are taken on the text itself.
struct TypedParts {
    QString scheme;
    QString host;
    bool hasCredentials = false;
    bool hasQueryOrFragment = false;
    QString path;
};

std::optional<TypedParts> splitTyped(const QString &text)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon <= 0 || text.mid(colon + 1, 2) != QLatin1String("//"))
        return std::nullopt; // no scheme, or no authority and so no host

    TypedParts parts;
    parts.scheme = text.left(colon);
    const QString rest = text.mid(colon + 3);
    qsizetype authorityEnd = rest.size();
    for (qsizetype i = 0; i < rest.size(); ++i) {
        const QChar c = rest.at(i);
        if (c == QLatin1Char('/') || c == QLatin1Char('?') || c == QLatin1Char('#')) {
            authorityEnd = i;
            break;
        }
    }
    QString authority = rest.left(authorityEnd);
    const QString tail = rest.mid(authorityEnd);

    parts.hasCredentials = authority.contains(QLatin1Char('@'));
    parts.hasQueryOrFragment = tail.contains(QLatin1Char('?')) || tail.contains(QLatin1Char('#'));
    parts.path = tail;

    if (authority.startsWith(QLatin1Char('['))) {
        const qsizetype close = authority.indexOf(QLatin1Char(']'));
        if (close < 0)
            return std::nullopt;
        parts.host = authority.left(close + 1);
    } else {
        const qsizetype portColon = authority.indexOf(QLatin1Char(':'));
        parts.host = portColon < 0 ? authority : authority.left(portColon);
    }
    return parts;
}

} // namespace

namespace WebAddress {

const WebOrigin &production()
{
    static const WebOrigin origin(QStringLiteral(PELORA_DEFAULT_ORIGIN), QUrl(QStringLiteral(PELORA_DEFAULT_ORIGIN)));
    return origin;
}

QString bareDomain()
{
    const QString host = production().url().host();
    return host.startsWith(QLatin1String("www.")) ? host.mid(4) : host;
}

std::optional<WebOrigin> parse(const QString &input)
{
    const QString text = input.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;

    const std::optional<TypedParts> parts = splitTyped(text);
    if (!parts || parts->host.isEmpty() || url.host().isEmpty())
        return std::nullopt;
    if (parts->hasCredentials || parts->hasQueryOrFragment)
        return std::nullopt;
    if (!parts->path.isEmpty() && parts->path != QLatin1String("/"))
        return std::nullopt;

    if (parts->scheme == QLatin1String("http")) {
        if (!loopbackHosts().contains(parts->host))
            return std::nullopt;
    } else if (parts->scheme != QLatin1String("https")) {
        return std::nullopt;
    }

    // The web app's bare domain means its www origin, unless a port is named.
    if (parts->scheme == QLatin1String("https") && url.port() == -1 && parts->host == bareDomain())
        return production();
    return WebOrigin(text, url);
}

QUrl appending(const QUrl &origin, const QString &path)
{
    QUrl url = origin;
    QString base = url.path();
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    url.setPath(base + path);
    return url;
}

} // namespace WebAddress
