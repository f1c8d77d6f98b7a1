// The stand-in web app's pages and sessions, over HTTP against the real server.
#include "devserver_harness.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString learnerEmail = u"learner@pelora.test"_s;
const QString learnerPassword = u"selamat-pagi"_s;

// The attributes of a Set-Cookie value, names lower-cased ("httponly" → "").
QMap<QByteArray, QByteArray> cookieAttributes(const QByteArray &setCookie)
{
    QMap<QByteArray, QByteArray> attributes;
    const QList<QByteArray> parts = setCookie.split(';');
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray part = parts.at(i).trimmed();
        const qsizetype equals = part.indexOf('=');
        attributes.insert((equals < 0 ? part : part.left(equals)).toLower(),
                          equals < 0 ? QByteArray() : part.mid(equals + 1));
    }
    return attributes;
}

int phraseCount(HttpClient &client, const DevServerProcess &server, const QByteArray &cookie)
{
    int count = 0;
    QString cursor;
    for (int page = 0; page < 200; ++page) {
        const QString path = page == 0 ? u"/api/companion/phrases"_s : u"/api/companion/phrases?cursor="_s + cursor;
        const QJsonObject json = client.get(server.url(path), cookie).json();
        count += json.value("phrases"_L1).toArray().size();
        if (!json.contains("nextCursor"_L1))
            return count;
        cursor = json.value("nextCursor"_L1).toString();
    }
    return -1;
}

} // namespace

class DevServerWebTest : public QObject {
    Q_OBJECT

private:
    DevServerProcess m_server;
    HttpClient m_client;

    HttpReply signInForm(const QString &email, const QString &password, const HttpClient::Headers &headers = {})
    {
        return m_client.postForm(m_server.url(u"/sign-in"_s), {{u"email"_s, email}, {u"password"_s, password}}, {},
                                 headers);
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(m_server.start({u"--seed"_s}), qPrintable(m_server.errorOutput())); }

    void signInSetsTheSessionCookie()
    {
        const HttpReply reply = signInForm(learnerEmail, learnerPassword);
        QCOMPARE(reply.status, 303);
        QCOMPARE(reply.header("Location"), QByteArray("/signed-in"));

        const QByteArray setCookie = reply.header("Set-Cookie");
        QVERIFY(setCookie.startsWith("auth.session-token="));
        const QByteArray token = setCookie.mid(19, setCookie.indexOf(';') - 19);
        // 256 random bits, base64url without padding.
        QVERIFY2(QRegularExpression(u"^[A-Za-z0-9_-]{43}$"_s).match(QString::fromLatin1(token)).hasMatch(),
                 token.constData());
        const QMap<QByteArray, QByteArray> attributes = cookieAttributes(setCookie);
        QVERIFY(attributes.contains("httponly"));
        QCOMPARE(attributes.value("samesite"), QByteArray("Lax"));
        QCOMPARE(attributes.value("path"), QByteArray("/"));
        QCOMPARE(attributes.value("max-age"), QByteArray("2592000"));
        QVERIFY(!attributes.contains("secure")); // plain http
        QVERIFY(!attributes.contains("domain"));  // host-only
        // Behind an https proxy the cookie is marked secure.
        QVERIFY(cookieAttributes(signInForm(learnerEmail, learnerPassword, {{"X-Forwarded-Proto", "https"}})
                                     .header("Set-Cookie")).contains("secure"));

        // The signed-in page names the account; every sign-in gets a fresh token.
        const QByteArray cookie = "auth.session-token=" + token;
        const HttpReply signedIn = m_client.get(m_server.url(u"/signed-in"_s), cookie);
        QCOMPARE(signedIn.status, 200);
        QVERIFY(signedIn.body.contains(learnerEmail.toUtf8()));
        QVERIFY(signIn(m_client, m_server, learnerEmail, learnerPassword) != cookie);
        // The e-mail address is matched without case or surrounding blanks.
        QVERIFY(!signIn(m_client, m_server, u" Learner@Pelora.TEST "_s, learnerPassword).isEmpty());
    }

    void badCredentialsSetNoCookie_data()
    {
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("password");
        QTest::newRow("wrong password") << learnerEmail << u"selamat-malam"_s;
        QTest::newRow("password case") << learnerEmail << u"Selamat-pagi"_s;
        QTest::newRow("empty password") << learnerEmail << QString();
        QTest::newRow("unknown email") << u"nobody@pelora.test"_s << learnerPassword;
        QTest::newRow("huge password") << learnerEmail << QString(5000, u'x');
    }

    void badCredentialsSetNoCookie()
    {
        QFETCH(QString, email);
        QFETCH(QString, password);
        const HttpReply reply = signInForm(email, password);
        QCOMPARE(reply.status, 401);
        QVERIFY(reply.header("Set-Cookie").isEmpty());
        const QString html = QString::fromUtf8(reply.body);
        QVERIFY(html.contains(u"id=\"sign-in-form\""_s));
        QVERIFY(html.contains(u"don’t match"_s));
    }

    void signOutEndsTheSession()
    {
        const QByteArray cookie = signIn(m_client, m_server, learnerEmail, learnerPassword);
        const QByteArray otherSession = signIn(m_client, m_server, learnerEmail, learnerPassword);
        QCOMPARE(m_client.get(m_server.url(u"/api/companion/phrases"_s), cookie).status, 200);

        const HttpReply out = m_client.postForm(m_server.url(u"/sign-out"_s), {}, cookie);
        QCOMPARE(out.status, 303);
        const QByteArray setCookie = out.header("Set-Cookie");
        QVERIFY(setCookie.startsWith("auth.session-token=;"));
        QCOMPARE(cookieAttributes(setCookie).value("max-age"), QByteArray("0"));

        // The token is dead on the server, not only in the browser.
        QCOMPARE(m_client.get(m_server.url(u"/api/companion/phrases"_s), cookie).status, 401);
        QCOMPARE(m_client.get(m_server.url(u"/phrasebook"_s), cookie).status, 303);
        // Only that session ended.
        QCOMPARE(m_client.get(m_server.url(u"/api/companion/phrases"_s), otherSession).status, 200);
        // Signing out without a session is harmless.
        QCOMPARE(m_client.postForm(m_server.url(u"/sign-out"_s), {}).status, 303);
    }

    void signUp()
    {
        const QUrl url = m_server.url(u"/sign-up"_s);
        QVERIFY(m_client.get(url).body.contains("name=\"email\""));

        const HttpReply created = m_client.postForm(url, {{u"email"_s, u"siti@pelora.test"_s},
                                                          {u"password"_s, u"nasi-goreng"_s}});
        QCOMPARE(created.status, 303);
        QCOMPARE(created.header("Location"), QByteArray("/signed-in"));
        QVERIFY(created.header("Set-Cookie").startsWith("auth.session-token="));
        QVERIFY(!::signIn(m_client, m_server, u"siti@pelora.test"_s, u"nasi-goreng"_s).isEmpty());

        const auto refused = [&](const QString &email, const QString &password) {
            const HttpReply reply = m_client.postForm(url, {{u"email"_s, email}, {u"password"_s, password}});
            return reply.status == 400 && reply.header("Set-Cookie").isEmpty();
        };
        QVERIFY(refused(u"SITI@pelora.test"_s, u"another-one"_s)); // taken, whatever the case
        QVERIFY(refused(u"not-an-email"_s, u"long-enough"_s));
        QVERIFY(refused(u"short@pelora.test"_s, u"1234567"_s));
        // The first account's password still holds.
        QVERIFY(::signIn(m_client, m_server, u"siti@pelora.test"_s, u"another-one"_s).isEmpty());
    }

    void pagesEscapeWhatLearnersType()
    {
        const QString email = u"<script>alert(1)</script>@pelora.test"_s;
        const QByteArray cookie = ::signUp(m_client, m_server, email, u"long-enough"_s);
        QVERIFY(!cookie.isEmpty());
        const QByteArray page = m_client.get(m_server.url(u"/signed-in"_s), cookie).body;
        QVERIFY(!page.contains("<script>"));
        QVERIFY(page.contains("&lt;script&gt;"));

        const HttpReply refused = m_client.postForm(m_server.url(u"/sign-in"_s),
                                                    {{u"email"_s, u"\"><img src=x>"_s}, {u"password"_s, u"x"_s}});
        QVERIFY(!refused.body.contains("\"><img"));
    }

    void crossSiteFormsAreRefused()
    {
        for (const QByteArray &origin : {QByteArray("https://evil.example"), QByteArray("null")}) {
            const HttpReply reply = signInForm(learnerEmail, learnerPassword, {{"Origin", origin}});
            QCOMPARE(reply.status, 403);
            QVERIFY(reply.header("Set-Cookie").isEmpty());
        }
        const QByteArray cookie = signIn(m_client, m_server, learnerEmail, learnerPassword);
        QCOMPARE(m_client.postForm(m_server.url(u"/sign-out"_s), {}, cookie, {{"Origin", "http://evil.example"}})
                     .status, 403);
        QCOMPARE(m_client.get(m_server.url(u"/api/companion/phrases"_s), cookie).status, 200);
        const QByteArray ownOrigin = "http://127.0.0.1:" + QByteArray::number(m_server.port());
        QCOMPARE(signInForm(learnerEmail, learnerPassword, {{"Origin", ownOrigin}}).status, 303);
    }

    void phrasebook()
    {
        const QUrl url = m_server.url(u"/phrasebook"_s);
        const HttpReply signedOut = m_client.get(url);
        QCOMPARE(signedOut.status, 303);
        QCOMPARE(signedOut.header("Location"), QByteArray("/sign-in"));

        const QByteArray cookie = ::signUp(m_client, m_server, u"book@pelora.test"_s, u"long-enough"_s);
        QVERIFY(m_client.get(url, cookie).body.contains("No saved phrases yet"));

        const QString userId = accountId(m_client, m_server, cookie);
        QFile cards(qEnvironmentVariable("PELORA_SOURCE_DIR") + u"/devserver/phrase_cards.json"_s);
        QVERIFY(cards.open(QIODevice::ReadOnly));
        QJsonObject older = QJsonDocument::fromJson(cards.readAll()).array().at(0).toObject();
        older.insert("malay"_L1, u"Kopi O kosong satu."_s);
        QJsonObject newer = older;
        newer.insert("malay"_L1, u"Teh <b>tarik</b> satu."_s);
        QString olderId;
        for (const QJsonObject &card : {older, newer}) {
            const HttpReply saved = m_client.postJson(m_server.url(u"/api/companion/phrases"_s),
                                                      {{"expectedUserId"_L1, userId}, {"phrase"_L1, card}}, cookie);
            QCOMPARE(saved.status, 201);
            if (olderId.isEmpty())
                olderId = saved.json().value("id"_L1).toString();
        }

        const QByteArray page = m_client.get(url, cookie).body;
        const qsizetype newerAt = page.indexOf("Teh &lt;b&gt;tarik&lt;/b&gt; satu.");
        const qsizetype olderAt = page.indexOf("Kopi O kosong satu.");
        QVERIFY(newerAt > 0 && olderAt > newerAt); // newest first, and escaped
        QCOMPARE(page.count("action=\"/phrasebook/delete\""), 2);

        // Delete buttons remove only one's own phrases.
        const QByteArray intruder = ::signIn(m_client, m_server, learnerEmail, learnerPassword);
        QCOMPARE(m_client.postForm(m_server.url(u"/phrasebook/delete"_s), {{u"id"_s, olderId}}, intruder).status, 303);
        QVERIFY(m_client.get(url, cookie).body.contains("Kopi O kosong satu."));

        const HttpReply deleted = m_client.postForm(m_server.url(u"/phrasebook/delete"_s), {{u"id"_s, olderId}}, cookie);
        QCOMPARE(deleted.status, 303);
        QCOMPARE(deleted.header("Location"), QByteArray("/phrasebook"));
        const QByteArray after = m_client.get(url, cookie).body;
        QVERIFY(!after.contains("Kopi O kosong satu."));
        QVERIFY(after.contains("Teh &lt;b&gt;tarik"));
        QCOMPARE(phraseCount(m_client, m_server, cookie), 1);
    }

    void demoAccountsAndRestart()
    {
        DevServerProcess first;
        QVERIFY(first.start({u"--seed"_s}));
        HttpClient client;
        const QByteArray learner = ::signIn(client, first, learnerEmail, learnerPassword);
        const int seeded = phraseCount(client, first, learner);
        QVERIFY2(seeded >= 60, qPrintable(QString::number(seeded)));
        const QByteArray newcomer = ::signIn(client, first, u"new@pelora.test"_s, u"selamat-datang"_s);
        QCOMPARE(phraseCount(client, first, newcomer), 0);
        const QString folder = first.dataFolder();

        // Restarted on the same data with --seed again: nothing doubled,
        // the session still valid.
        DevServerProcess second;
        first.stop();
        QVERIFY(second.start({u"--seed"_s}, folder));
        QCOMPARE(phraseCount(client, second, learner), seeded);
        QCOMPARE(client.get(second.url(u"/api/companion/phrases"_s), newcomer).status, 200);
        second.stop();

        // A data folder that cannot be used is reported, not crashed on.
        DevServerProcess broken;
        QVERIFY(!broken.start({}, u"/proc/pelora-cannot-write-here"_s));
    }
};

QTEST_GUILESS_MAIN(DevServerWebTest)
#include "test_devserver_web.moc"
