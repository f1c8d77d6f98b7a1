#include "account/navigation_policy.h"

namespace {

// The port a URL reaches: the engine reports https://host:443/ as
// https://host/, so a default port written out and one left off are the same.
int effectivePort(const QUrl &url)
{
    if (url.scheme() == QLatin1String("https"))
        return url.port(443);
    if (url.scheme() == QLatin1String("http"))
        return url.port(80);
    return url.port();
}

} // namespace

namespace NavigationPolicy {

Action decide(const QUrl &url, const std::optional<QUrl> &origin, bool linkActivated, bool mainFrame)
{
    if (url.isEmpty() || !origin)
        return Action::cancelQuietly;
    if (url.scheme() == origin->scheme() && url.host() == origin->host()
        && effectivePort(url) == effectivePort(*origin))
        return Action::allow;
    const bool webScheme = url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http");
    if (linkActivated && webScheme)
        return Action::openInBrowser;
    if (mainFrame)
        return url.scheme() == QLatin1String("about") ? Action::cancelQuietly : Action::warnRedirect;
    return Action::cancelQuietly;
}

QString redirectHost(const QUrl &url)
{
    const QString host = url.host();
    return host.isEmpty() ? QStringLiteral("another host") : host;
}

} // namespace NavigationPolicy
