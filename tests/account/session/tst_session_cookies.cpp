#include "account/companion_session.h"
#include "account/cookie_record.h"
#include "account/navigation_policy.h"
#include "account/session_cookie_rules.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace SessionCookieRules;
using Action = NavigationPolicy::Action;

namespace {

const QDateTime now = QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);

QNetworkCookie sessionCookie(const QString &domain, const QByteArray &value = "v", const QDateTime &expires = {})
{
    QNetworkCookie cookie(cookieName, value);
    cookie.setDomain(domain);
    cookie.setPath(QStringLiteral("/"));
    cookie.setExpirationDate(expires);
    return cookie;
}

QList<QNetworkReply::RawHeaderPair> setCookies(const QList<QByteArray> &lines)
{
    // Qt hands repeated Set-Cookie fields over as one, joined by line breaks.
    return {{"Content-Type", "application/json"}, {"Set-Cookie", lines.join('\n')}};
}

} // namespace

class SessionCookiesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void domainMatching()
    {
        const struct { const char *domain, *url; bool sent; } cases[] = {
            {".example.org", "https://app.example.org/x", true}, {".example.org", "https://example.org", true},
            {"example.org", "https://example.org", true}, {"example.org", "https://app.example.org", false},
            {".example.org", "https://badexample.org", false}, {".app.example.org", "https://example.org", false},
            {"localhost", "http://127.0.0.1:3000", false}, {"localhost", "http://localhost:3000", true},
            {"example.org", "file:///tmp/x", false}};
        for (const auto &c : cases)
            QVERIFY2(applicable({sessionCookie(c.domain)}, QUrl(c.url), now).size() == (c.sent ? 1 : 0), c.url);
    }

    void nameSecurityExpiryAndAnswers()
    {
        QNetworkCookie secure = sessionCookie("localhost", "secure");
        secure.setSecure(true);
        QNetworkCookie plain = sessionCookie("localhost", "plain");
        plain.setPath("/elsewhere"); // the path plays no part
        QNetworkCookie other("theme", "dark");
        other.setDomain("localhost");
        const QNetworkCookie later = sessionCookie("localhost", "later", now.addSecs(1));
        const QList<QNetworkCookie> stored{secure, other, plain, sessionCookie("localhost", "expired", now), later};
        QCOMPARE(applicable(stored, QUrl("http://localhost:3000"), now), (QList<QNetworkCookie>{plain, later}));
        QCOMPARE(applicable(stored, QUrl("https://localhost"), now), (QList<QNetworkCookie>{secure, plain, later}));

        // Of an answer only the session cookie is taken.
        const QUrl origin("https://app.example.org");
        const QList<QNetworkCookie> taken = fromAnswer(
            setCookies({"theme=dark; Path=/", "auth.session-token=abc; Path=/; HttpOnly; Secure", "csrf=1"}), origin);
        QCOMPARE(taken.size(), 1);
        QCOMPARE(taken[0].value(), QByteArray("abc"));
        QCOMPARE(taken[0].domain(), QStringLiteral("app.example.org")); // the origin's host by default
        QVERIFY(taken[0].isSecure());
        // A parent domain is fine, a foreign one is refused; only Set-Cookie fields count.
        QCOMPARE(fromAnswer(setCookies({"auth.session-token=a; Domain=example.org"}), origin).value(0).domain(),
                 QStringLiteral(".example.org"));
        QVERIFY(fromAnswer(setCookies({"auth.session-token=a; Domain=elsewhere.net"}), origin).isEmpty());
        QVERIFY(fromAnswer(setCookies({"auth.session-token=a; Domain=other.app.example.org"}), origin).isEmpty());
        QVERIFY(fromAnswer({{"X-Set-Cookie", "auth.session-token=a"}}, origin).isEmpty());
    }

    void recordSurvivesARestartStaysPrivateAndToleratesDamage()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("nested/record.json");
        QNetworkCookie expiring = sessionCookie(".example.org", "one;two=\xff", now.addDays(30));
        expiring.setSecure(true);
        expiring.setHttpOnly(true);
        {
            CookieRecord record(path);
            record.put(expiring);
            record.put(sessionCookie("localhost", "first"));
            record.put(sessionCookie("localhost", "replaced")); // same name, domain and path
        }
        // Owner-only, and written whole through a renamed temporary file: nothing else is left beside it.
        const QFileDevice::Permissions ownerGroupOther(0x7077); // Qt's "user" bits repeat the owner's
        QCOMPARE(QFile::permissions(path) & ownerGroupOther, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(QFile::permissions(folder.filePath("nested")) & ownerGroupOther,
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(QDir(folder.filePath("nested")).entryList(QDir::Files | QDir::Hidden), QStringList{"record.json"});

        CookieRecord reread(path);
        reread.load();
        QCOMPARE(reread.cookies(), (QList<QNetworkCookie>{expiring, sessionCookie("localhost", "replaced")}));
        QVERIFY(reread.cookies()[0].isHttpOnly()); // not part of a cookie's ==
        reread.drop(sessionCookie("localhost"));
        CookieRecord afterDrop(path);
        afterDrop.load();
        QCOMPARE(afterDrop.cookies(), QList<QNetworkCookie>{expiring});
        afterDrop.erase();
        QVERIFY(!QFile::exists(path) && afterDrop.cookies().isEmpty());

        // A damaged record reads as signed out.
        for (const QByteArray &content : {QByteArray("not json"), QByteArray("{\"name\":1}"),
                                          QByteArray("[{\"name\":\"x\"}, 5, {\"name\":\"YQ==\",\"value\":\"\","
                                                     "\"domain\":\"h\",\"expires\":\"soon\"}]")}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size());
            file.close();
            CookieRecord record(path);
            record.load();
            QVERIFY2(record.cookies().isEmpty(), content.constData());
        }
    }

    // Who is signed in is answered from the record, without starting the web engine.
    void sessionAnswersWithoutTheEngine()
    {
        QTemporaryDir folder;
        const QUrl origin("http://localhost:3000");
        CompanionSession session(folder.path(), nullptr);
        QCoro::waitFor(session.acceptCookies(setCookies({"auth.session-token=abc; HttpOnly", "x=1"}), origin));
        QCOMPARE(QCoro::waitFor(session.cookies(origin)).value(0).value(), QByteArray("abc"));
        // A server ends the session with an expiry in the past.
        QCoro::waitFor(session.acceptCookies(
            setCookies({"auth.session-token=; Max-Age=0; Expires=Thu, 01 Jan 1970 00:00:00 GMT"}), origin));
        QVERIFY(QCoro::waitFor(session.cookies(origin)).isEmpty());
        QVERIFY(!session.engineRunning());
    }

    void navigationPolicy()
    {
        const struct { const char *url; bool link, mainFrame; Action action; } cases[] = {
            {"https://example.org/sign-in/x?y", false, true, Action::allow},
            {"https://example.org:8443/x", false, true, Action::warnRedirect},
            {"https://example.org:443/", false, true, Action::warnRedirect}, // default port written out
            {"http://example.org/", false, true, Action::warnRedirect},
            {"http://news.example.net/a", true, false, Action::openInBrowser}, // a link in a sub-frame
            {"mailto:help@example.org", true, true, Action::warnRedirect},
            {"about:blank", false, true, Action::cancelQuietly},
            {"", true, true, Action::cancelQuietly}};
        for (const auto &c : cases) {
            QVERIFY2(NavigationPolicy::decide(QUrl(c.url), QUrl("https://example.org"), c.link, c.mainFrame) == c.action,
                     c.url);
            // Before any sign-in was shown there is nothing to compare with.
            QVERIFY2(NavigationPolicy::decide(QUrl(c.url), std::nullopt, c.link, c.mainFrame) == Action::cancelQuietly,
                     c.url);
        }
        // The redirect warning names the host.
        QCOMPARE(NavigationPolicy::redirectHost(QUrl("https://evil.example.net:8443/x")), QStringLiteral("evil.example.net"));
        QCOMPARE(NavigationPolicy::redirectHost(QUrl("data:text/html,hi")), QStringLiteral("another host"));
    }
};

QTEST_MAIN(SessionCookiesTest)
#include "tst_session_cookies.moc"
