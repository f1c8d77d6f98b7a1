#include "account/no_redirects.h"

#include <QNetworkCookie>
#include <QNetworkCookieJar>

namespace {

// Cookies travel only in the explicit Cookie header the callers build from
// the sign-in session; the client itself neither keeps nor adds any.
class RefusingCookieJar : public QNetworkCookieJar {
public:
    using QNetworkCookieJar::QNetworkCookieJar;
    QList<QNetworkCookie> cookiesForUrl(const QUrl &) const override { return {}; }
    bool setCookiesFromUrl(const QList<QNetworkCookie> &, const QUrl &) override { return false; }
};

} // namespace

namespace NoRedirects {

std::unique_ptr<QNetworkAccessManager> makeClient()
{
    auto client = std::make_unique<QNetworkAccessManager>();
    client->setCookieJar(new RefusingCookieJar(client.get()));
    client->setCache(nullptr);
    client->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    client->setAutoDeleteReplies(false);
    return client;
}

void apply(QNetworkRequest &request)
{
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // The cookie load/save attributes stay automatic: set to manual, Qt sends
    // the request without credentials and drops the explicit Cookie header.
    // The client's refusing jar already keeps cookies out of its own hands.
}

} // namespace NoRedirects
