#pragma once

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <memory>

// HTTP clients for the companion API: no cookie storage, no cache, and every
// redirect refused so that a 3xx answer comes back as the result itself.
namespace NoRedirects {

// A fresh client with a cookie jar that never stores or sends, no cache and
// the manual redirect policy.
std::unique_ptr<QNetworkAccessManager> makeClient();

// Applies the same policy to one request (manual redirects, always network).
void apply(QNetworkRequest &request);

} // namespace NoRedirects
