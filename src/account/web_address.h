#pragma once

#include <QString>
#include <QUrl>
#include <optional>

// The one web app origin the companion talks to: scheme, host and an optional
// port, nothing else.
namespace WebAddress {

// The default origin, built once from the configured constant.
const QUrl &production();

// The bare domain of the default origin (its host without the leading "www.").
QString bareDomain();

// Accepts "https" with any host, or "http" on a loopback host, with no
// credentials, query, fragment or path beyond "/". Returns the URL as typed.
std::optional<QUrl> parse(const QString &text);

// The origin with a path appended as path components ("sign-in",
// "api/companion/phrases"), whether or not the origin ends in "/".
QUrl appending(const QUrl &origin, const QString &path);

} // namespace WebAddress
