// The stand-in web app over HTTP against the real server: sign-in, sessions and the companion API.
#include "devserver_harness.h"
#include "library/phrase_feed.h"
#include "lookup/lookup_phrase.h"

#include <QFile>
#include <QJsonArray>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString feedPath = u"/api/companion/phrases"_s, lookupPath = u"/api/companion/lookup"_s;
const QString learnerEmail = u"learner@pelora.test"_s, learnerPassword = u"selamat-pagi"_s;

QByteArray body(const QString &userId, const char *key, const QJsonValue &value)
{
    return QJsonDocument(QJsonObject{{"expectedUserId"_L1, userId}, {QLatin1StringView(key), value}})
        .toJson(QJsonDocument::Compact);
}

// The attributes of a Set-Cookie value but its Expires date (Max-Age says the same), sorted.
QByteArrayList cookieAttributes(const QByteArray &setCookie)
{
    QByteArrayList attributes;
    for (const QByteArray &attribute : setCookie.split(';').mid(1))
        if (!attribute.trimmed().startsWith("Expires="))
            attributes.append(attribute.trimmed());
    std::sort(attributes.begin(), attributes.end());
    return attributes;
}

QStringList idsOf(const std::optional<PhraseFeed> &page)
{
    QStringList ids;
    for (const Phrase &phrase : page ? page->phrases : QList<Phrase>())
        ids.append(phrase.id);
    return ids;
}

} // namespace

class DevServerTest : public QObject {
    Q_OBJECT

private:
    DevServerProcess m_server;
    HttpClient m_client;
    QJsonArray m_cards;
    QByteArray m_learner; // Cookie header of the seeded learner
    QString m_learnerId;

    // A fresh account with its own empty library.
    QPair<QByteArray, QString> newAccount()
    {
        static int count = 0;
        const QByteArray cookie = signUp(m_client, m_server, u"reader%1@pelora.test"_s.arg(++count), u"kopi-susu"_s);
        return {cookie, accountId(m_client, m_server, cookie)};
    }
    HttpReply save(const QByteArray &cookie, const QString &userId, const QJsonValue &card)
    {
        return m_client.post(m_server.url(feedPath), body(userId, "phrase", card), "application/json", cookie);
    }
    HttpReply signInForm(const QString &email, const QString &password, const Headers &headers = {})
    {
        return m_client.postForm(m_server.url(u"/sign-in"_s), {{"email", email}, {"password", password}}, {}, headers);
    }
    int status(const QString &path, const QByteArray &cookie) { return m_client.get(m_server.url(path), cookie).status; }
    // The companion's own decoder is the judge of the format.
    std::optional<PhraseFeed> feedPage(const QByteArray &cookie, const QString &cursor = {})
    {
        const QString query = cursor.isNull() ? QString() : u"?cursor="_s + QUrl::toPercentEncoding(cursor);
        const HttpReply reply = m_client.get(m_server.url(feedPath + query), cookie);
        Result<PhraseFeed, PhraseFeed::Error> page = PhraseFeed::decode(reply.body);
        return reply.status == 200 && page.ok() ? std::optional(std::move(page).value()) : std::nullopt;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QFile file(qEnvironmentVariable("PELORA_SOURCE_DIR") + u"/devserver/phrase_cards.json"_s);
        QVERIFY(file.open(QIODevice::ReadOnly) && m_server.start());
        m_cards = QJsonDocument::fromJson(file.readAll()).array();
        m_learner = signIn(m_client, m_server, learnerEmail, learnerPassword);
        m_learnerId = accountId(m_client, m_server, m_learner);
        QVERIFY(m_cards.size() >= 150 && !m_learnerId.isEmpty());
    }

    void signInSetsTheSessionCookieAndSignOutEndsIt()
    {
        const HttpReply reply = signInForm(learnerEmail, learnerPassword);
        QVERIFY(reply.status == 303 && reply.header("Location") == "/signed-in");
        const QByteArray setCookie = reply.header("Set-Cookie"), cookie = setCookie.left(setCookie.indexOf(';'));
        // 256 random bits, base64url without padding; host-only, and over plain http not secure.
        QVERIFY2(QRegularExpression(u"^auth\\.session-token=[A-Za-z0-9_-]{43}$"_s).match(QString::fromLatin1(cookie)).hasMatch(),
                 setCookie.constData());
        QCOMPARE(cookieAttributes(setCookie), (QByteArrayList{"HttpOnly", "Max-Age=2592000", "Path=/", "SameSite=Lax"}));
        QVERIFY(cookieAttributes(signInForm(learnerEmail, learnerPassword, {{"X-Forwarded-Proto", "https"}})
                                     .header("Set-Cookie")).contains("Secure")); // behind an https proxy
        // The e-mail address is matched without case or surrounding blanks; every sign-in gets a fresh token.
        const QByteArray otherSession = signIn(m_client, m_server, u" Learner@Pelora.TEST "_s, learnerPassword);
        QVERIFY(!otherSession.isEmpty() && otherSession != cookie);
        // Signing out ends that session on the server, not only in the browser; another site cannot sign one out.
        QCOMPARE(m_client.postForm(m_server.url(u"/sign-out"_s), {}, otherSession, {{"Origin", "http://evil.example"}}).status, 403);
        const HttpReply out = m_client.postForm(m_server.url(u"/sign-out"_s), {}, cookie);
        QVERIFY(out.status == 303 && cookieAttributes(out.header("Set-Cookie")).contains("Max-Age=0"));
        QVERIFY(status(feedPath, cookie) == 401 && status(feedPath, otherSession) == 200);

        // Wrong credentials get 401 and the form again, escaping what was typed; another site's forms 403; neither a cookie.
        const struct { QString email, password; QByteArray origin; int status; } cases[] = {
            {learnerEmail, u"Selamat-pagi"_s, {}, 401}, {learnerEmail, QString(), {}, 401},
            {u"nobody@pelora.test"_s, learnerPassword, {}, 401}, {learnerEmail, QString(5000, u'x'), {}, 401},
            {learnerEmail, learnerPassword, "https://evil.example", 403}, {learnerEmail, learnerPassword, "null", 403}};
        for (const auto &c : cases) {
            const HttpReply refused = signInForm(c.email, c.password, {{"Origin", c.origin}});
            QVERIFY2(refused.status == c.status && refused.header("Set-Cookie").isEmpty(), qPrintable(c.password.left(20)));
            QVERIFY(c.status == 403 || QString::fromUtf8(refused.body).contains(u"don’t match"_s));
        }
        QVERIFY(!signInForm(u"\"><img src=x>"_s, u"x"_s).body.contains("\"><img"));
    }

    // The companion syncs at most 100 pages of 50, so a library stops growing there rather than
    // becoming one that can never sync. Pages run newest first, each cursor leading to the next.
    void pagesUpToTheLibraryLimit()
    {
        const auto [cookie, userId] = newAccount();
        const std::optional<PhraseFeed> empty = feedPage(cookie); // an empty library is one empty page
        QVERIFY(empty && empty->phrases.isEmpty() && !empty->nextCursor && empty->userId == userId);
        QJsonObject card = m_cards.at(0).toObject();
        const QString malay = card.value("malay"_L1).toString();
        const auto numbered = [&](int i) { return card.insert("malay"_L1, malay + u" "_s + QString::number(i)), card; };
        QStringList newestFirst;
        for (int i = 0; i < 5000; ++i) {
            const HttpReply saved = save(cookie, userId, numbered(i));
            QCOMPARE(saved.status, 201);
            newestFirst.prepend(saved.json().value("id"_L1).toString());
        }
        const HttpReply full = save(cookie, userId, numbered(5000));
        QVERIFY(full.status == 400 && full.json().value("error"_L1).toString().contains(u"5,000"_s));
        // Saving one already there still answers with its id.
        QCOMPARE(save(cookie, userId, numbered(0)).json().value("id"_L1).toString(), newestFirst.last());

        QStringList cursors{QString()}; // null: the first page
        for (int page = 0; page < 100; ++page) {
            const std::optional<PhraseFeed> got = feedPage(cookie, cursors.last());
            QVERIFY(got && got->userId == userId && got->nextCursor.has_value() == (page < 99));
            QCOMPARE(idsOf(got), newestFirst.mid(page * 50, 50));
            cursors.append(got->nextCursor.value_or(QString()));
        }
        // The last page has no "nextCursor" key at all, not a null.
        const QUrl lastPage = m_server.url(feedPath + u"?cursor="_s + QString::fromLatin1(QUrl::toPercentEncoding(cursors[99])));
        QVERIFY(!m_client.get(lastPage, cookie).json().contains("nextCursor"_L1));
        // Another account's cursor pages through one's own library only.
        const std::optional<PhraseFeed> crossed = feedPage(cookie, feedPage(m_learner).value().nextCursor.value());
        QVERIFY(crossed && crossed->userId == userId);
        QVERIFY(std::ranges::all_of(idsOf(crossed), [&](const QString &id) { return newestFirst.contains(id); }));
    }

    // What each kind of refused request gets, always with an error text.
    void statusCodes()
    {
        const auto query = [this](const QJsonValue &value) { return body(m_learnerId, "query", value); };
        const QString emoji = u"\U0001F375"_s.repeated(249); // with "teh" 501 UTF-16 units, only 252 characters
        const QByteArray megabyte = query(u"kopi"_s).leftJustified(1024 * 1024, ' '); // JSON allows trailing blanks
        const QByteArray me = m_learner, made = "auth.session-token=made-up", blank = "auth.session-token=";
        const auto card = [this](const char *key, const QJsonValue &value) {
            QJsonObject card = m_cards.at(0).toObject();
            value.isUndefined() ? card.remove(QLatin1StringView(key)) : void(card.insert(QLatin1StringView(key), value));
            return body(m_learnerId, "phrase", card);
        };
        const QString feed = feedPath, lookup = lookupPath;
        const struct { QByteArray method; QString path; QByteArray body, cookie; int status; } cases[] = {
            {"GET", feed, {}, {}, 401}, {"GET", feed, {}, made, 401}, {"GET", feed, {}, blank, 401},
            {"POST", lookup, query(u"teh"_s), made, 401}, {"POST", feed, body(m_learnerId, "phrase", m_cards.at(0)), blank, 401},
            {"POST", lookup, body(u"someone-else"_s, "query", u"teh"_s), me, 409},
            {"POST", lookup, body(m_learnerId.toUpper(), "query", u"teh"_s), me, 409}, // ids keep their case
            {"POST", feed, body(u"someone-else"_s, "phrase", m_cards.at(0)), me, 409},
            {"POST", lookup, query(u" \t\n\u00a0"_s), me, 400},
            {"POST", lookup, query(u"teh tarik"_s + QString(491, u' ')), me, 200}, // 500 units
            {"POST", lookup, query(u"teh tarik"_s + QString(492, u' ')), me, 400}, {"POST", lookup, query(u"teh"_s + emoji), me, 400},
            {"POST", lookup, query(u"zzxqv"_s), me, 400}, {"POST", lookup, query(42), me, 400},
            {"POST", lookup, "expectedUserId=1&query=teh", me, 400}, {"POST", lookup, query(u"teh"_s).chopped(2), me, 400},
            {"POST", lookup, megabyte, me, 200}, {"POST", lookup, megabyte + ' ', me, 413},
            {"POST", feed, card("notes", QJsonArray()), me, 400}, {"POST", feed, card("malay", u"   "_s), me, 400},
            {"POST", feed, card("register", u"Casual"_s), me, 400}, {"POST", feed, card("words", QJsonValue::Undefined), me, 400},
            {"POST", feed, body(m_learnerId, "phrase", u"Terima kasih"_s), me, 400},
            // Cursors that the server never gave out are refused, not read as "from the start".
            {"GET", feed + u"?cursor="_s, {}, me, 400}, {"GET", feed + u"?cursor=garbage"_s, {}, me, 400},
            {"GET", feed + u"?cursor=YWZ0ZXI6MA"_s /* after:0 */, {}, me, 400}, {"GET", feed + u"?cursor=YWZ0ZXI6LTU"_s, {}, me, 400},
            {"GET", feed + u"/"_s, {}, me, 404}, {"GET", u"/no/such/page"_s, {}, {}, 404},
            {"GET", lookup, {}, me, 405}, {"DELETE", feed, {}, {}, 405}};
        for (const auto &c : cases) {
            const HttpReply reply = m_client.send(c.method, m_server.url(c.path), c.body,
                                                  {{"Content-Type", "application/json"}, {"Cookie", c.cookie}});
            QVERIFY2(reply.status == c.status, qPrintable(c.path + u" "_s + QString::fromUtf8(c.body.left(60))));
            if (c.status == 400 || c.status == 401 || c.status == 413)
                QVERIFY2(!reply.json().value("error"_L1).toString().trimmed().isEmpty(), reply.body.constData());
        }
        QCOMPARE(m_client.get(m_server.url(lookupPath), m_learner).header("Allow"), QByteArray("POST"));
        // Far past the size limit the connection may be cut instead; either way the server lives on.
        const HttpReply huge = m_client.post(m_server.url(lookupPath), QByteArray(16 << 20, 'x'), "application/json", me);
        QVERIFY2(huge.status == 413 || huge.status == 0, QByteArray::number(huge.status).constData());
        QCOMPARE(status(feedPath, m_learner), 200);
    }

    // Saving again, even with other case and spacing, answers with the same phrase; another account
    // gets its own. The phrasebook page escapes what was saved; its delete removes only one's own phrases.
    void repeatedSavePhrasebookAndDelete()
    {
        QCOMPARE(status(u"/phrasebook"_s, {}), 303); // signed out: to the sign-in page
        const auto [cookie, userId] = newAccount();
        LookupPhrase card = *LookupPhrase::fromJson(m_cards.at(5));
        card.malay = u"Teh <b>tarik</b> satu."_s;
        const HttpReply saved = save(cookie, userId, card.toJson());
        const QString id = saved.json().value("id"_L1).toString();
        QVERIFY(saved.status == 201 && saved.json().value("version"_L1) == 1 && saved.json().value("userId"_L1) == userId);
        const HttpReply again = save(cookie, userId, card.toJson());
        QVERIFY((again.status == 200 || again.status == 201) && again.json().value("id"_L1) == id && again.json().value("version"_L1) == 1);
        LookupPhrase spaced = card;
        spaced.malay = u"  "_s + card.malay.toUpper().replace(u' ', u"  "_s) + u" "_s;
        QCOMPARE(save(cookie, userId, spaced.toJson()).json().value("id"_L1).toString(), id);
        const auto [otherCookie, otherId] = newAccount();
        const QString otherPhraseId = save(otherCookie, otherId, card.toJson()).json().value("id"_L1).toString();
        QVERIFY(!otherPhraseId.isEmpty() && otherPhraseId != id);

        const std::optional<PhraseFeed> page = feedPage(cookie);
        QVERIFY(page && page->phrases.size() == 1 && page->phrases[0].malay == card.malay && page->phrases[0].notes == card.notes);
        QVERIFY(m_client.get(m_server.url(u"/phrasebook"_s), cookie).body.contains("Teh &lt;b&gt;tarik&lt;/b&gt; satu."));
        const auto remove = [&](const QByteArray &who) {
            return m_client.postForm(m_server.url(u"/phrasebook/delete"_s), {{u"id"_s, id}}, who).status;
        };
        QCOMPARE(remove(otherCookie), 303);
        QCOMPARE(idsOf(feedPage(cookie)), QStringList{id});
        QCOMPARE(remove(cookie), 303);
        QVERIFY(idsOf(feedPage(cookie)).isEmpty());
    }
};

QTEST_GUILESS_MAIN(DevServerTest)
#include "test_devserver_api.moc"
