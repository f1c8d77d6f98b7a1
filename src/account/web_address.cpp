#include "account/web_address.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

// Loopback hosts, compared exactly as typed.
const QStringList &loopbackHosts()
{
    static const QStringList hosts{u"localhost"_s, u"127.0.0.1"_s, u"::1"_s, u"[::1]"_s};
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
    const qsizetype colon = text.indexOf(u':');
    if (colon <= 0 || text.mid(colon + 1, 2) != "//"_L1)
        return std::nullopt; // no scheme, or no authority and so no host

    TypedParts parts;
    parts.scheme = text.left(colon);
    const QString rest = text.mid(colon + 3);
    qsizetype authorityEnd = rest.size();
    for (qsizetype i = 0; i < rest.size(); ++i) {
        const QChar c = rest.at(i);
        if (c == u'/' || c == u'?' || c == u'#') {
            authorityEnd = i;
            break;
        }
    }
    QString authority = rest.left(authorityEnd);
    const QString tail = rest.mid(authorityEnd);

    parts.hasCredentials = authority.contains(u'@');
    parts.hasQueryOrFragment = tail.contains(u'?') || tail.contains(u'#');
    parts.path = tail;

    if (authority.startsWith(u'[')) {
        const qsizetype close = authority.indexOf(u']');
        if (close < 0)
            return std::nullopt;
        parts.host = authority.left(close + 1);
    } else {
        const qsizetype portColon = authority.indexOf(u':');
        parts.host = portColon < 0 ? authority : authority.left(portColon);
    }
    return parts;
}

} // namespace

namespace WebAddress {

const WebOrigin &production()
{
    static const WebOrigin origin(QString::fromLatin1(PELORA_DEFAULT_ORIGIN),
                                  QUrl(QString::fromLatin1(PELORA_DEFAULT_ORIGIN)));
    return origin;
}

QString bareDomain()
{
    const QString host = production().url().host();
    return host.startsWith("www."_L1) ? host.mid(4) : host;
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
    if (!parts->path.isEmpty() && parts->path != "/"_L1)
        return std::nullopt;

    if (parts->scheme == "http"_L1) {
        if (!loopbackHosts().contains(parts->host))
            return std::nullopt;
    } else if (parts->scheme != "https"_L1) {
        return std::nullopt;
    }

    // The web app's bare domain means its www origin, unless a port is named.
    if (parts->scheme == "https"_L1 && url.port() == -1 && parts->host == bareDomain())
        return production();
    return WebOrigin(text, url);
}

QUrl appending(const QUrl &origin, const QString &path)
{
    QUrl url = origin;
    QString base = url.path();
    if (!base.endsWith(u'/'))
        base += u'/';
    url.setPath(base + path);
    return url;
}

} // namespace WebAddress
