#pragma once

#include <QUrl>
#include <optional>

// What the sign-in window does with a navigation it is about to make: it stays
// on the web app's origin, sends web links to the browser, and tells the
// learner when the page itself tries to leave.
namespace NavigationPolicy {

enum class Action {
    allow,         // same scheme, host and port (default ports included) as the origin
    openInBrowser, // a web link the learner activated
    warnRedirect,  // the main frame is being taken elsewhere
    cancelQuietly, // sub-frames, "about:" pages, anything else
};

Action decide(const QUrl &url, const std::optional<QUrl> &origin, bool linkActivated, bool mainFrame);

// The host the redirect warning names.
QString redirectHost(const QUrl &url);

} // namespace NavigationPolicy
