#pragma once

#include <QString>
#include <QUrl>
#include <optional>

// An accepted web app origin. QUrl lower-cases hosts, so the text exactly as
// the learner typed it is kept beside the URL: it is what gets stored and
// compared, and what the address dialog shows again.
class WebOrigin {
public:
    WebOrigin() = default;
    WebOrigin(QString text, QUrl url) : m_text(std::move(text)), m_url(std::move(url)) {}

    const QString &text() const { return m_text; } // as typed (trimmed)
    const QUrl &url() const { return m_url; }      // for requests
    bool isEmpty() const { return m_text.isEmpty(); }

    // Two origins are the same when their texts are the same.
    bool operator==(const WebOrigin &other) const { return m_text == other.m_text; }

private:
    QString m_text;
    QUrl m_url;
};

// The one web app origin the companion talks to: scheme, host and an optional
// port, nothing else.
namespace WebAddress {

// The default origin, built once from the configured constant.
const WebOrigin &production();

// The bare domain of the default origin (its host without the leading "www.").
QString bareDomain();

// Accepts "https" with any host, or "http" on a loopback host, with no
// credentials, query, fragment or path beyond "/". Scheme and loopback hosts
// are compared exactly as typed.
std::optional<WebOrigin> parse(const QString &text);

// The origin with a path appended as path components ("sign-in",
// "api/companion/phrases"), whether or not the origin ends in "/".
QUrl appending(const QUrl &origin, const QString &path);

} // namespace WebAddress
