#include "account/companion_session.h"
#include "account/cookie_record.h"
#include "account/navigation_policy.h"
#include "account/session_cookie_rules.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace SessionCookieRules;
using Action = NavigationPolicy::Action;

namespace {

QNetworkCookie sessionCookie(const QString &domain, const QByteArray &value = "v")
{
    QNetworkCookie cookie(cookieName, value);
    cookie.setDomain(domain);
    cookie.setPath(QStringLiteral("/"));
    return cookie;
}

QList<QNetworkReply::RawHeaderPair> setCookies(const QList<QByteArray> &lines)
{
    // Qt hands repeated Set-Cookie fields over as one, joined by line breaks.
    return {{"Content-Type", "application/json"}, {"Set-Cookie", lines.join('\n')}};
}

// Owner, group and other bits; Qt's "user" bits repeat the owner's for us.
const QFileDevice::Permissions ownerGroupOther = QFileDevice::Permissions(0x7077);

const QDateTime now = QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);

} // namespace

class SessionCookiesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void domainMatching_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("sent");
        QTest::newRow("dot, sub-domain") << ".example.org" << "https://app.example.org/x" << true;
        QTest::newRow("dot, the domain itself") << ".example.org" << "https://example.org" << true;
        QTest::newRow("no dot, the host") << "example.org" << "https://example.org" << true;
        QTest::newRow("no dot, sub-domain") << "example.org" << "https://app.example.org" << false;
        QTest::newRow("suffix is not a sub-domain") << ".example.org" << "https://badexample.org" << false;
        QTest::newRow("parent of the cookie's domain") << ".app.example.org" << "https://example.org" << false;
        QTest::newRow("other host") << "localhost" << "http://127.0.0.1:3000" << false;
        QTest::newRow("loopback with port") << "localhost" << "http://localhost:3000" << true;
        QTest::newRow("no host in url") << "example.org" << "file:///tmp/x" << false;
    }

    void domainMatching()
    {
        QFETCH(QString, domain);
        QFETCH(QString, url);
        QFETCH(bool, sent);
        QCOMPARE(applicable({sessionCookie(domain)}, QUrl(url), now).size(), sent ? 1 : 0);
    }

    void nameSecurityAndExpiry()
    {
        QNetworkCookie secure = sessionCookie("localhost", "secure");
        secure.setSecure(true);
        QNetworkCookie plain = sessionCookie("localhost", "plain");
        plain.setPath("/elsewhere"); // the path plays no part
        QNetworkCookie other("theme", "dark");
        other.setDomain("localhost");
        QNetworkCookie expired = sessionCookie("localhost", "expired");
        expired.setExpirationDate(now);
        QNetworkCookie later = sessionCookie("localhost", "later");
        later.setExpirationDate(now.addSecs(1));
        const QList<QNetworkCookie> stored{secure, other, plain, expired, later};

        const QList<QNetworkCookie> overHttp = applicable(stored, QUrl("http://localhost:3000"), now);
        QCOMPARE(overHttp.size(), 2);
        QCOMPARE(overHttp[0].value(), QByteArray("plain"));
        QCOMPARE(overHttp[1].value(), QByteArray("later"));

        const QList<QNetworkCookie> overHttps = applicable(stored, QUrl("https://localhost"), now);
        QCOMPARE(overHttps.size(), 3);
        QCOMPARE(overHttps[0].value(), QByteArray("secure"));
    }

    void takesOnlyTheSessionCookieFromAnAnswer()
    {
        const QUrl origin("https://app.example.org");
        const QList<QNetworkCookie> taken = fromAnswer(
            setCookies({"theme=dark; Path=/", "auth.session-token=abc; Path=/; HttpOnly; Secure", "csrf=1"}), origin);
        QCOMPARE(taken.size(), 1);
        QCOMPARE(taken[0].value(), QByteArray("abc"));
        QCOMPARE(taken[0].domain(), QStringLiteral("app.example.org")); // the origin's host by default
        QVERIFY(taken[0].isSecure());

        // A parent domain is fine, a foreign one is refused.
        QCOMPARE(fromAnswer(setCookies({"auth.session-token=a; Domain=example.org"}), origin).value(0).domain(),
                 QStringLiteral(".example.org"));
        QVERIFY(fromAnswer(setCookies({"auth.session-token=a; Domain=elsewhere.net"}), origin).isEmpty());
        QVERIFY(fromAnswer(setCookies({"auth.session-token=a; Domain=other.app.example.org"}), origin).isEmpty());
        // Only Set-Cookie fields count.
        QVERIFY(fromAnswer({{"X-Set-Cookie", "auth.session-token=a"}}, origin).isEmpty());
    }

    void recordSurvivesARestartAndStaysPrivate()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("nested/record.json");
        QNetworkCookie expiring = sessionCookie(".example.org", "one;two=\xff");
        expiring.setExpirationDate(now.addDays(30));
        expiring.setSecure(true);
        expiring.setHttpOnly(true);
        {
            CookieRecord record(path);
            record.put(expiring);
            record.put(sessionCookie("localhost", "first"));
            record.put(sessionCookie("localhost", "replaced")); // same name, domain and path
        }
        QCOMPARE(QFile::permissions(path) & ownerGroupOther, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(QFile::permissions(folder.filePath("nested")) & ownerGroupOther,
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

        CookieRecord reread(path);
        reread.load();
        QCOMPARE(reread.cookies().size(), 2);
        QCOMPARE(reread.cookies()[0].value(), expiring.value());
        QCOMPARE(reread.cookies()[0].domain(), QStringLiteral(".example.org"));
        QCOMPARE(reread.cookies()[0].expirationDate(), expiring.expirationDate());
        QVERIFY(reread.cookies()[0].isSecure() && reread.cookies()[0].isHttpOnly());
        QCOMPARE(reread.cookies()[1].value(), QByteArray("replaced"));
        QVERIFY(reread.cookies()[1].isSessionCookie());

        reread.drop(sessionCookie("localhost"));
        CookieRecord afterDrop(path);
        afterDrop.load();
        QCOMPARE(afterDrop.cookies().size(), 1);

        afterDrop.erase();
        QVERIFY(!QFile::exists(path));
        QVERIFY(afterDrop.cookies().isEmpty());
    }

    void damagedRecordReadsAsSignedOut()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("record.json");
        for (const QByteArray &content : {QByteArray("not json"), QByteArray("{\"name\":1}"),
                                          QByteArray("[{\"name\":\"x\"}, 5, {\"name\":\"YQ==\",\"value\":\"\","
                                                     "\"domain\":\"h\",\"expires\":\"soon\"}]")}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(content);
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
        {
            CompanionSession session(folder.path(), nullptr);
            QVERIFY(QCoro::waitFor(session.cookies(origin)).isEmpty());
            QCoro::waitFor(session.acceptCookies(
                setCookies({"auth.session-token=abc; Path=/; HttpOnly", "other=1"}), origin));
            const QList<QNetworkCookie> cookies = QCoro::waitFor(session.cookies(origin));
            QCOMPARE(cookies.size(), 1);
            QCOMPARE(cookies[0].value(), QByteArray("abc"));
            QVERIFY(!session.engineRunning());
        }
        {
            CompanionSession restarted(folder.path(), nullptr);
            QCOMPARE(QCoro::waitFor(restarted.cookies(origin)).value(0).value(), QByteArray("abc"));
            QVERIFY(QCoro::waitFor(restarted.cookies(QUrl("http://127.0.0.1:3000"))).isEmpty());

            // A server ends the session with an expiry in the past.
            QCoro::waitFor(restarted.acceptCookies(
                setCookies({"auth.session-token=; Max-Age=0; Expires=Thu, 01 Jan 1970 00:00:00 GMT"}), origin));
            QVERIFY(QCoro::waitFor(restarted.cookies(origin)).isEmpty());

            QCoro::waitFor(restarted.acceptCookies(setCookies({"auth.session-token=again"}), origin));
            QCoro::waitFor(restarted.clear());
            QVERIFY(QCoro::waitFor(restarted.cookies(origin)).isEmpty());
            QVERIFY(!restarted.engineRunning());
            QVERIFY(!QFile::exists(folder.filePath("session-cookie.json")));
        }
    }

    void navigationPolicy_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("link");
        QTest::addColumn<bool>("mainFrame");
        QTest::addColumn<int>("action");
        QTest::newRow("same origin, other path") << "https://example.org/sign-in/x?y" << false << true << int(Action::allow);
        QTest::newRow("same origin in a sub-frame") << "https://example.org/frame" << false << false << int(Action::allow);
        QTest::newRow("port differs") << "https://example.org:8443/x" << false << true << int(Action::warnRedirect);
        QTest::newRow("default port written out") << "https://example.org:443/" << false << true << int(Action::warnRedirect);
        QTest::newRow("scheme differs") << "http://example.org/" << false << true << int(Action::warnRedirect);
        QTest::newRow("link elsewhere") << "https://news.example.net/a" << true << true << int(Action::openInBrowser);
        QTest::newRow("link in a sub-frame") << "http://news.example.net/a" << true << false << int(Action::openInBrowser);
        QTest::newRow("mail link") << "mailto:help@example.org" << true << true << int(Action::warnRedirect);
        QTest::newRow("about page") << "about:blank" << false << true << int(Action::cancelQuietly);
        QTest::newRow("sub-frame elsewhere") << "https://ads.example.net/" << false << false << int(Action::cancelQuietly);
        QTest::newRow("empty") << "" << true << true << int(Action::cancelQuietly);
    }

    void navigationPolicy()
    {
        QFETCH(QString, url);
        QFETCH(bool, link);
        QFETCH(bool, mainFrame);
        QFETCH(int, action);
        const QUrl origin("https://example.org");
        QCOMPARE(int(NavigationPolicy::decide(QUrl(url), origin, link, mainFrame)), action);
        // Before any sign-in was shown there is nothing to compare with.
        QCOMPARE(NavigationPolicy::decide(QUrl(url), std::nullopt, link, mainFrame), Action::cancelQuietly);
    }

    void redirectWarningNamesTheHost()
    {
        QCOMPARE(NavigationPolicy::redirectHost(QUrl("https://evil.example.net:8443/x")), QStringLiteral("evil.example.net"));
        QCOMPARE(NavigationPolicy::redirectHost(QUrl("data:text/html,hi")), QStringLiteral("another host"));
    }
};

QTEST_MAIN(SessionCookiesTest)
#include "tst_session_cookies.moc"
