#include "account/navigation_policy.h"

using namespace Qt::StringLiterals;

namespace {

// The port a URL reaches: the engine reports https://host:443/ as
// https://host/, so a default port written out and one left off are the same.
int effectivePort(const QUrl &url)
{
    if (url.scheme() == "https"_L1)
        return url.port(443);
    if (url.scheme() == "http"_L1)
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
    const bool webScheme = url.scheme() == "https"_L1 || url.scheme() == "http"_L1;
    if (linkActivated && webScheme)
        return Action::openInBrowser;
    if (mainFrame)
        return url.scheme() == "about"_L1 ? Action::cancelQuietly : Action::warnRedirect;
    return Action::cancelQuietly;
}

QString redirectHost(const QUrl &url)
{
    const QString host = url.host();
    return host.isEmpty() ? u"another host"_s : host;
}

} // namespace NavigationPolicy
