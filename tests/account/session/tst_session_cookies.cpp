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

} // namespace

class SessionCookiesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void domainSecurityAndExpiry()
    {
        const struct { const char *domain, *url; bool sent; } cases[] = {
            {".example.org", "https://app.example.org/x", true}, {".example.org", "https://example.org", true},
            {"example.org", "https://example.org", true}, {"example.org", "https://app.example.org", false},
            {".example.org", "https://badexample.org", false}, {".app.example.org", "https://example.org", false},
            {"localhost", "http://127.0.0.1:3000", false}, {"example.org", "file:///tmp/x", false}};
        for (const auto &c : cases)
            QVERIFY2(applicable({sessionCookie(c.domain)}, QUrl(c.url), now).size() == (c.sent ? 1 : 0), c.url);

        QNetworkCookie secure = sessionCookie("localhost", "secure"), plain = sessionCookie("localhost", "plain");
        secure.setSecure(true);
        plain.setPath("/elsewhere"); // the path plays no part
        QNetworkCookie other("theme", "dark");
        other.setDomain("localhost");
        const QNetworkCookie later = sessionCookie("localhost", "later", now.addSecs(1));
        const QList<QNetworkCookie> stored{secure, other, plain, sessionCookie("localhost", "expired", now), later};
        QCOMPARE(applicable(stored, QUrl("http://localhost:3000"), now), (QList<QNetworkCookie>{plain, later}));
        QCOMPARE(applicable(stored, QUrl("https://localhost"), now), (QList<QNetworkCookie>{secure, plain, later}));

        // Of an answer only the session cookie is taken, and only for the origin's host or a parent domain.
        // Qt hands repeated Set-Cookie fields over as one, joined by line breaks.
        const QUrl origin("https://app.example.org");
        const auto taken = [&](const QByteArray &lines) { return fromAnswer({{"Set-Cookie", lines}}, origin); };
        QCOMPARE(taken("theme=dark\nauth.session-token=abc; HttpOnly; Secure\ncsrf=1").value(0).value(), "abc");
        QCOMPARE(taken("auth.session-token=a").value(0).domain(), QStringLiteral("app.example.org"));
        QCOMPARE(taken("auth.session-token=a; Domain=example.org").value(0).domain(), QStringLiteral(".example.org"));
        QVERIFY(taken("auth.session-token=a; Domain=elsewhere.net").isEmpty());
        QVERIFY(taken("auth.session-token=a; Domain=other.app.example.org").isEmpty());
    }

    void recordSurvivesARestartStaysPrivateAndToleratesDamage()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("nested/record.json");
        QNetworkCookie expiring = sessionCookie(".example.org", "one;two=\xff", now.addDays(30));
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

        // Damaged entries read as signed out.
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                file.write("[{\"name\":\"x\"}, 5, {\"name\":\"YQ==\",\"value\":\"\",\"domain\":\"h\",\"expires\":\"soon\"}]") > 0);
        file.close();
        reread.load();
        QVERIFY(reread.cookies().isEmpty());
    }

    // Links elsewhere, redirects and foreign frames are checked in the real window; these are the odd addresses.
    void navigationPolicy_data()
    {
        QTest::addColumn<QString>("origin");
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("link");
        QTest::addColumn<bool>("mainFrame");
        QTest::addColumn<Action>("action");
        // The engine reports URLs without their default port, whichever way the origin was typed.
        QTest::newRow("https default port typed") << "https://pelora.example:443/" << "https://pelora.example/sign-in" << false << true << Action::allow;
        QTest::newRow("http default port typed") << "http://localhost:80/" << "http://localhost/sign-in" << false << true << Action::allow;
        QTest::newRow("default port in the page") << "https://example.org" << "https://example.org:443/" << false << true << Action::allow;
        QTest::newRow("other port") << "https://example.org" << "https://example.org:8443/x" << false << true << Action::warnRedirect;
        QTest::newRow("https port on http") << "http://localhost:443" << "http://localhost/" << false << true << Action::warnRedirect;
        QTest::newRow("dev port left off") << "http://localhost:3000" << "http://localhost/sign-in" << false << true << Action::warnRedirect;
        QTest::newRow("other scheme") << "https://example.org" << "http://example.org/" << false << true << Action::warnRedirect;
        QTest::newRow("mail link") << "https://example.org" << "mailto:a@example.org" << true << true << Action::warnRedirect;
        QTest::newRow("link in a sub-frame") << "https://example.org" << "http://news.example.net/a" << true << false << Action::openInBrowser;
        QTest::newRow("script in a sub-frame") << "https://example.org" << "http://news.example.net/a" << false << false << Action::cancelQuietly;
        QTest::newRow("about page") << "https://example.org" << "about:blank" << false << true << Action::cancelQuietly;
        QTest::newRow("no address") << "https://example.org" << "" << true << true << Action::cancelQuietly;
    }

    void navigationPolicy()
    {
        QFETCH(QString, origin);
        QFETCH(QString, url);
        QFETCH(bool, link);
        QFETCH(bool, mainFrame);
        QFETCH(Action, action);
        QCOMPARE(NavigationPolicy::decide(QUrl(url), QUrl(origin), link, mainFrame), action);
        // Before any sign-in was shown there is nothing to compare with.
        QCOMPARE(NavigationPolicy::decide(QUrl(url), std::nullopt, link, mainFrame), Action::cancelQuietly);
    }
};

QTEST_MAIN(SessionCookiesTest)
#include "tst_session_cookies.moc"
