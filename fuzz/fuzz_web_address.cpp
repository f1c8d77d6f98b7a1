// Any text through the origin parser: never a crash, and every accepted
// origin is "https", or "http" on a loopback host, with a host, without
// credentials, query or fragment, and with no path beyond "/".
#include "account/web_address.h"
#include "fuzz_check.h"

using namespace Qt::StringLiterals;

static bool isLoopback(const QString &host)
{
    return host == u"localhost" || host == u"127.0.0.1" || host == u"::1" || host == u"[::1]";
}

static void checkOrigin(const QString &input, const WebOrigin &origin)
{
    const QUrl &url = origin.url();
    FUZZ_CHECK(url.isValid());
    FUZZ_CHECK(!url.host().isEmpty());
    FUZZ_CHECK(url.scheme() == u"https" || (url.scheme() == u"http" && isLoopback(url.host())));
    FUZZ_CHECK(url.userName().isEmpty());
    FUZZ_CHECK(url.password().isEmpty());
    FUZZ_CHECK(url.userInfo().isEmpty());
    FUZZ_CHECK(!url.hasQuery());
    FUZZ_CHECK(!url.hasFragment());
    FUZZ_CHECK(url.path().isEmpty() || url.path() == u"/");

    // The kept text is the trimmed input (or the default origin) and says
    // the same as the URL that requests are sent to.
    FUZZ_CHECK(origin.text() == input.trimmed() || origin == WebAddress::production());
    FUZZ_CHECK(QUrl(origin.text(), QUrl::StrictMode) == url);
    FUZZ_CHECK(origin.text().startsWith(url.scheme() + u"://"_s));

    // QUrl forgets an empty query or fragment, so the text is checked too:
    // after the scheme comes an authority without credentials and at most a
    // closing "/".
    const QString afterScheme = origin.text().mid(url.scheme().size() + 3);
    FUZZ_CHECK(!afterScheme.contains(u'?'));
    FUZZ_CHECK(!afterScheme.contains(u'#'));
    FUZZ_CHECK(!afterScheme.contains(u'@'));
    const qsizetype slash = afterScheme.indexOf(u'/');
    FUZZ_CHECK(slash < 0 || slash == afterScheme.size() - 1);

    // Accepting is stable: the kept text parses to the same origin.
    const std::optional<WebOrigin> again = WebAddress::parse(origin.text());
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(*again == origin);
    FUZZ_CHECK(again->url() == url);

    // Paths appended by readers stay on the same origin.
    const QUrl api = WebAddress::appending(url, u"api/companion/phrases"_s);
    FUZZ_CHECK(api.scheme() == url.scheme());
    FUZZ_CHECK(api.host() == url.host());
    FUZZ_CHECK(api.port() == url.port());
    FUZZ_CHECK(api.path() == u"/api/companion/phrases");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4096)
        return 0; // a typed address; longer inputs only slow the search down
    const QString input = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const std::optional<WebOrigin> origin = WebAddress::parse(input))
        checkOrigin(input, *origin);
    return 0;
}
