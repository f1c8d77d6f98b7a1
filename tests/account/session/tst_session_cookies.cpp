#include "account/cookie_record.h"
#include "account/navigation_policy.h"
#include "account/session_cookie_rules.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace SessionCookieRules;
using Action = NavigationPolicy::Action;

namespace {

const QDateTime now = QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);

QNetworkCookie sessionCookie(const QString &domain, const QByteArray &value = "v"_ba, const QDateTime &expires = {})
{
    QNetworkCookie cookie(cookieName, value);
    cookie.setDomain(domain);
    cookie.setPath(u"/"_s);
    cookie.setExpirationDate(expires);
    return cookie;
}

// The values of the cookies, in order: "plain later".
QString values(const QList<QNetworkCookie> &cookies)
{
    QStringList list;
    for (const QNetworkCookie &cookie : cookies)
        list.append(QString::fromLatin1(cookie.value()));
    return list.join(u' ');
}

// The session cookies an answer from https://app.example.org sets with these Set-Cookie lines.
// Qt hands repeated Set-Cookie fields over as one, joined by line breaks.
QList<QNetworkCookie> taken(const QByteArray &lines)
{
    return fromAnswer({{"Set-Cookie"_ba, lines}}, QUrl(u"https://app.example.org"_s));
}

} // namespace

class SessionCookiesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void domainMatching_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("sent");
        QTest::newRow("domain cookie to a sub-domain") << u".example.org"_s << u"https://app.example.org/x"_s << true;
        QTest::newRow("domain cookie to the domain") << u".example.org"_s << u"https://example.org"_s << true;
        QTest::newRow("host cookie to a sub-domain") << u"example.org"_s << u"https://app.example.org"_s << false;
        QTest::newRow("domain cookie to a name ending alike")
            << u".example.org"_s << u"https://badexample.org"_s << false;
        QTest::newRow("sub-domain cookie to the parent") << u".app.example.org"_s << u"https://example.org"_s << false;
        QTest::newRow("localhost cookie to 127.0.0.1") << u"localhost"_s << u"http://127.0.0.1:3000"_s << false;
        QTest::newRow("to a file") << u"example.org"_s << u"file:///tmp/x"_s << false;
    }

    void domainMatching()
    {
        QFETCH(QString, domain);
        QFETCH(QString, url);
        QFETCH(bool, sent);
        QCOMPARE(applicable({sessionCookie(domain)}, QUrl(url), now).size(), sent ? 1 : 0);
    }

    // Only the session cookie, secure ones only over https, none that has expired; the path plays no part.
    void securityAndExpiry_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("sent");
        QTest::newRow("http") << u"http://localhost:3000"_s << u"plain later"_s;
        QTest::newRow("https") << u"https://localhost"_s << u"secure plain later"_s;
    }

    void securityAndExpiry()
    {
        QFETCH(QString, url);
        QFETCH(QString, sent);
        QNetworkCookie secure = sessionCookie(u"localhost"_s, "secure"_ba);
        secure.setSecure(true);
        QNetworkCookie plain = sessionCookie(u"localhost"_s, "plain"_ba);
        plain.setPath(u"/elsewhere"_s);
        QNetworkCookie other("theme"_ba, "dark"_ba);
        other.setDomain(u"localhost"_s);
        const QNetworkCookie expired = sessionCookie(u"localhost"_s, "expired"_ba, now);
        const QNetworkCookie later = sessionCookie(u"localhost"_s, "later"_ba, now.addSecs(1));
        const QList<QNetworkCookie> stored{secure, other, plain, expired, later};
        QCOMPARE(values(applicable(stored, QUrl(url), now)), sent);
    }

    // Of an answer only the session cookie is taken, and only for the origin's host or a parent domain.
    void answerSetsTheSessionCookie_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("domain");
        QTest::newRow("among other cookies")
            << "theme=dark\nauth.session-token=abc; HttpOnly; Secure\ncsrf=1"_ba << u"abc"_s << u"app.example.org"_s;
        QTest::newRow("host only") << "auth.session-token=a"_ba << u"a"_s << u"app.example.org"_s;
        QTest::newRow("parent domain") << "auth.session-token=a; Domain=example.org"_ba << u"a"_s << u".example.org"_s;
    }

    void answerSetsTheSessionCookie()
    {
        QFETCH(QByteArray, lines);
        QFETCH(QString, value);
        QFETCH(QString, domain);
        const QList<QNetworkCookie> cookies = taken(lines);
        QCOMPARE(cookies.size(), 1);
        QCOMPARE(QString::fromLatin1(cookies.at(0).value()), value);
        QCOMPARE(cookies.at(0).domain(), domain);
    }

    void answerCannotSetForeignDomains_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::newRow("another domain") << "auth.session-token=a; Domain=elsewhere.net"_ba;
        QTest::newRow("a sub-domain of the host") << "auth.session-token=a; Domain=other.app.example.org"_ba;
        QTest::newRow("a name ending alike") << "auth.session-token=a; Domain=le.org"_ba;
        QTest::newRow("no session cookie") << "theme=dark"_ba;
    }

    void answerCannotSetForeignDomains()
    {
        QFETCH(QByteArray, lines);
        QCOMPARE(taken(lines).size(), 0);
    }

    // Owner-only, written whole through a renamed temporary file, and read back as written.
    void recordSurvivesARestartAndStaysPrivate()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(u"nested/record.json"_s);
        QNetworkCookie expiring = sessionCookie(u".example.org"_s, "one;two=\xff"_ba, now.addDays(30));
        expiring.setHttpOnly(true);
        {
            CookieRecord record(path);
            record.put(expiring);
            record.put(sessionCookie(u"localhost"_s, "first"_ba));
            record.put(sessionCookie(u"localhost"_s, "replaced"_ba)); // same name, domain and path
        }
        const QFileDevice::Permissions ownerGroupOther(0x7077); // Qt's "user" bits repeat the owner's
        QCOMPARE(QFile::permissions(path) & ownerGroupOther, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(QFile::permissions(folder.filePath(u"nested"_s)) & ownerGroupOther,
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(QDir(folder.filePath(u"nested"_s)).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"record.json"_s});

        CookieRecord reread(path);
        reread.load();
        QCOMPARE(reread.cookies().size(), 2);
        QCOMPARE(reread.cookies().at(0), expiring);
        QCOMPARE(reread.cookies().at(0).isHttpOnly(), true); // not part of a cookie's ==
        QCOMPARE(reread.cookies().at(1), sessionCookie(u"localhost"_s, "replaced"_ba));
    }

    // A server ends a session by setting the cookie again, already expired.
    void takingAnExpiredCookieDropsIt()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(u"record.json"_s);
        CookieRecord record(path);
        record.take(sessionCookie(u"localhost"_s, "fresh"_ba, now.addDays(1)), now);
        QCOMPARE(values(record.cookies()), u"fresh"_s);
        record.take(sessionCookie(u"localhost"_s, ""_ba, now.addSecs(-1)), now);
        QCOMPARE(values(record.cookies()), u""_s);
        CookieRecord reread(path);
        reread.load();
        QCOMPARE(reread.cookies().size(), 0);
    }

    // A damaged file reads as signed out.
    void damagedRecordReadsAsSignedOut_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("entries without value, not objects, with a bad date")
            << R"([{"name":"x"}, 5, {"name":"YQ==","value":"","domain":"h","expires":"soon"}])"_ba;
        QTest::newRow("not JSON") << "\x00\xff garbage"_ba;
        QTest::newRow("an object") << R"({"name":"YQ=="})"_ba;
    }

    void damagedRecordReadsAsSignedOut()
    {
        QFETCH(QByteArray, contents);
        QTemporaryDir folder;
        const QString path = folder.filePath(u"record.json"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(contents), contents.size());
        file.close();
        CookieRecord record(path);
        record.load();
        QCOMPARE(record.cookies().size(), 0);
    }

    // Links elsewhere, redirects, foreign frames and pop-ups are checked in the real window; these are the odd
    // addresses.
    void navigationPolicy_data()
    {
        QTest::addColumn<QString>("origin");
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("link");
        QTest::addColumn<bool>("mainFrame");
        QTest::addColumn<Action>("action");
        // The engine reports URLs without their default port, whichever way the origin was typed.
        QTest::newRow("https default port typed")
            << u"https://pelora.example:443/"_s << u"https://pelora.example/sign-in"_s << false << true
            << Action::allow;
        QTest::newRow("default port in the page")
            << u"https://example.org"_s << u"https://example.org:443/"_s << false << true << Action::allow;
        QTest::newRow("other port") << u"https://example.org"_s << u"https://example.org:8443/x"_s << false << true
                                    << Action::warnRedirect;
        QTest::newRow("https port on http")
            << u"http://localhost:443"_s << u"http://localhost/"_s << false << true << Action::warnRedirect;
        QTest::newRow("other scheme") << u"https://example.org"_s << u"http://example.org/"_s << false << true
                                      << Action::warnRedirect;
        QTest::newRow("mail link") << u"https://example.org"_s << u"mailto:a@example.org"_s << true << true
                                   << Action::warnRedirect;
        QTest::newRow("link in a sub-frame")
            << u"https://example.org"_s << u"http://news.example.net/a"_s << true << false << Action::openInBrowser;
        QTest::newRow("no address") << u"https://example.org"_s << u""_s << true << true << Action::cancelQuietly;
    }

    void navigationPolicy()
    {
        QFETCH(QString, origin);
        QFETCH(QString, url);
        QFETCH(bool, link);
        QFETCH(bool, mainFrame);
        QFETCH(Action, action);
        QCOMPARE(NavigationPolicy::decide(QUrl(url), QUrl(origin), link, mainFrame), action);
    }

    // Before any sign-in was shown there is nothing to compare with.
    void navigationPolicyWithoutAnOrigin_data() { navigationPolicy_data(); }

    void navigationPolicyWithoutAnOrigin()
    {
        QFETCH(QString, url);
        QFETCH(bool, link);
        QFETCH(bool, mainFrame);
        QCOMPARE(NavigationPolicy::decide(QUrl(url), std::nullopt, link, mainFrame), Action::cancelQuietly);
    }
};

QTEST_MAIN(SessionCookiesTest)
#include "tst_session_cookies.moc"
