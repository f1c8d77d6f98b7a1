#include "account/navigation_policy.h"

namespace NavigationPolicy {

Action decide(const QUrl &url, const std::optional<QUrl> &origin, bool linkActivated, bool mainFrame)
{
    if (url.isEmpty() || !origin)
        return Action::cancelQuietly;
    // A port counts only when written: https://host and https://host:443 differ.
    if (url.scheme() == origin->scheme() && url.host() == origin->host() && url.port() == origin->port())
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
