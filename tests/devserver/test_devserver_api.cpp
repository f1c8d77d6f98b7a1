// The stand-in web app over HTTP against the real server: sign-in, sessions and the companion API.
#include "devserver_harness.h"
#include "library/phrase_feed.h"
#include "lookup/lookup_phrase.h"

#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString feedPath = u"/api/companion/phrases"_s;
const QString lookupPath = u"/api/companion/lookup"_s;
const QString learnerEmail = u"learner@pelora.test"_s;
const QString learnerPassword = u"selamat-pagi"_s;

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

    HttpReply post(const QString &path, const QByteArray &json, const QByteArray &cookie)
    {
        return m_client.post(m_server.url(path), json, "application/json", cookie);
    }
    HttpReply save(const QByteArray &cookie, const QString &userId, const QJsonValue &card)
    {
        return post(feedPath, body(userId, "phrase", card), cookie);
    }
    HttpReply feed(const QByteArray &cookie, const QString &cursor)
    {
        const QString query = cursor.isNull() ? QString() : u"?cursor="_s + QUrl::toPercentEncoding(cursor);
        return m_client.get(m_server.url(feedPath + query), cookie);
    }

    HttpReply form(const char *path, const QString &email, const QString &password, const Headers &headers = {})
    {
        return m_client.postForm(m_server.url(QLatin1StringView(path)), {{"email", email}, {"password", password}}, {},
                                 headers);
    }
    int status(const QString &path, const QByteArray &cookie) { return m_client.get(m_server.url(path), cookie).status; }

    // The companion's own decoder is the judge of the format.
    std::optional<PhraseFeed> feedPage(const QByteArray &cookie, const QString &cursor = {})
    {
        const HttpReply reply = feed(cookie, cursor);
        Result<PhraseFeed, PhraseFeed::Error> page = PhraseFeed::decode(reply.body);
        if (reply.status != 200 || !page.ok())
            return std::nullopt;
        return std::move(page).value();
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

    void signInSetsTheSessionCookie()
    {
        const HttpReply reply = form("/sign-in", learnerEmail, learnerPassword);
        QCOMPARE(reply.status, 303);
        QCOMPARE(reply.header("Location"), QByteArray("/signed-in"));
        const QByteArray setCookie = reply.header("Set-Cookie");
        // 256 random bits, base64url without padding; host-only, and over plain http not secure.
        QVERIFY2(QRegularExpression(u"^auth\\.session-token=[A-Za-z0-9_-]{43};"_s).match(QString::fromLatin1(setCookie)).hasMatch(),
                 setCookie.constData());
        QCOMPARE(cookieAttributes(setCookie), (QByteArrayList{"HttpOnly", "Max-Age=2592000", "Path=/", "SameSite=Lax"}));
        QVERIFY(cookieAttributes(form("/sign-in", learnerEmail, learnerPassword, {{"X-Forwarded-Proto", "https"}})
                                     .header("Set-Cookie")).contains("Secure")); // behind an https proxy

        // Every sign-in gets a fresh token; the e-mail address is matched without case or surrounding blanks.
        const QByteArray cookie = setCookie.left(setCookie.indexOf(';'));
        const QByteArray otherSession = signIn(m_client, m_server, u" Learner@Pelora.TEST "_s, learnerPassword);
        QVERIFY(!otherSession.isEmpty() && otherSession != cookie);
        const QByteArray ownOrigin = "http://127.0.0.1:" + QByteArray::number(m_server.port());
        QCOMPARE(form("/sign-in", learnerEmail, learnerPassword, {{"Origin", ownOrigin}}).status, 303);

        // Signing out ends that session on the server, not only in the browser.
        const HttpReply out = m_client.postForm(m_server.url(u"/sign-out"_s), {}, cookie);
        QCOMPARE(out.status, 303);
        QVERIFY(out.header("Set-Cookie").startsWith("auth.session-token=;"));
        QVERIFY(cookieAttributes(out.header("Set-Cookie")).contains("Max-Age=0"));
        QCOMPARE(status(feedPath, cookie), 401);
        QCOMPARE(status(u"/phrasebook"_s, cookie), 303);
        QCOMPARE(status(feedPath, otherSession), 200);
        QCOMPARE(m_client.postForm(m_server.url(u"/sign-out"_s), {}).status, 303); // harmless without a session
    }

    // Wrong credentials get 401 and the form again, another site's forms 403; neither a cookie.
    void refusedSignIns()
    {
        const struct { QString email, password; QByteArray origin; int status; } cases[] = {
            {learnerEmail, u"selamat-malam"_s, {}, 401}, {learnerEmail, u"Selamat-pagi"_s, {}, 401},
            {learnerEmail, QString(), {}, 401}, {u"nobody@pelora.test"_s, learnerPassword, {}, 401},
            {learnerEmail, QString(5000, u'x'), {}, 401}, {learnerEmail, learnerPassword, "https://evil.example", 403},
            {learnerEmail, learnerPassword, "null", 403}};
        for (const auto &c : cases) {
            const HttpReply reply = form("/sign-in", c.email, c.password, {{"Origin", c.origin}});
            QVERIFY2(reply.status == c.status && reply.header("Set-Cookie").isEmpty(), qPrintable(c.password.left(20)));
            QVERIFY(c.status == 403 || (reply.body.contains("id=\"sign-in-form\"") &&
                                        QString::fromUtf8(reply.body).contains(u"don’t match"_s)));
        }
        const QByteArray cookie = signIn(m_client, m_server, learnerEmail, learnerPassword);
        QCOMPARE(m_client.postForm(m_server.url(u"/sign-out"_s), {}, cookie, {{"Origin", "http://evil.example"}}).status, 403);
        QCOMPARE(status(feedPath, cookie), 200);
    }

    // The companion syncs at most 100 pages of 50, so a library stops growing
    // there rather than becoming one that can never sync. Pages run newest
    // first, each cursor leading exactly to the next; the full last page has none.
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
        QVERIFY(!cursors[1].isEmpty() && cursors[1] != cursors[2]);
        // A cursor stays good; the last page has no "nextCursor" key at all, not a null.
        QCOMPARE(idsOf(feedPage(cookie, cursors[1])), newestFirst.mid(50, 50));
        QVERIFY(!feed(cookie, cursors[99]).json().contains("nextCursor"_L1));
        // Cursors that the server never gave out are refused, not read as "from the start".
        for (const QString &bad : {u""_s, u"garbage"_s, u"YWZ0ZXI6MA"_s /* after:0 */, u"YWZ0ZXI6LTU"_s}) {
            const HttpReply reply = feed(cookie, bad);
            QVERIFY2(reply.status == 400 && reply.json().value("error"_L1).isString(), qPrintable(bad));
        }
        // Another account's cursor pages through one's own library only.
        const std::optional<PhraseFeed> crossed = feedPage(cookie, feedPage(m_learner).value().nextCursor.value());
        QVERIFY(crossed && crossed->userId == userId);
        for (const QString &id : idsOf(crossed))
            QVERIFY(newestFirst.contains(id));
    }

    // What each kind of refused request gets, always with an error text.
    void statusCodes()
    {
        const auto query = [this](const QJsonValue &value) { return body(m_learnerId, "query", value); };
        QString emoji; // 249 emoji and "teh" make 501 UTF-16 units though only 252 characters
        for (int i = 0; i < 249; ++i)
            emoji += u"\U0001F375"_s;
        const QByteArray megabyte = query(u"kopi"_s).leftJustified(1024 * 1024, ' '); // JSON allows trailing blanks
        const QByteArray learner = m_learner, made = "auth.session-token=made-up", blank = "auth.session-token=";
        const auto card = [this](const char *key, const QJsonValue &value) {
            QJsonObject card = m_cards.at(0).toObject();
            value.isUndefined() ? card.remove(QLatin1StringView(key)) : void(card.insert(QLatin1StringView(key), value));
            return body(m_learnerId, "phrase", card);
        };
        const struct { QByteArray method; QString path; QByteArray body, cookie; int status; } cases[] = {
            {"GET", feedPath, {}, {}, 401}, {"GET", feedPath, {}, made, 401}, {"GET", feedPath, {}, blank, 401},
            {"POST", lookupPath, query(u"teh"_s), made, 401},
            {"POST", feedPath, body(m_learnerId, "phrase", m_cards.at(0)), blank, 401},
            {"POST", lookupPath, body(u"someone-else"_s, "query", u"teh"_s), learner, 409},
            {"POST", lookupPath, body(m_learnerId.toUpper(), "query", u"teh"_s), learner, 409}, // ids keep their case
            {"POST", feedPath, body(u"someone-else"_s, "phrase", m_cards.at(0)), learner, 409},
            {"POST", lookupPath, query(u" \t\n\u00a0"_s), learner, 400},
            {"POST", lookupPath, query(u"teh tarik"_s + QString(491, u' ')), learner, 200}, // 500 units
            {"POST", lookupPath, query(u"teh tarik"_s + QString(492, u' ')), learner, 400},
            {"POST", lookupPath, query(u"teh"_s + emoji), learner, 400},
            {"POST", lookupPath, query(u"zzxqv"_s), learner, 400}, {"POST", lookupPath, query(42), learner, 400},
            {"POST", lookupPath, "expectedUserId=1&query=teh", learner, 400},
            {"POST", lookupPath, query(u"teh"_s).chopped(2), learner, 400},
            {"POST", lookupPath, megabyte, learner, 200}, {"POST", lookupPath, megabyte + ' ', learner, 413},
            {"POST", feedPath, card("notes", QJsonArray()), learner, 400},
            {"POST", feedPath, card("malay", u"   "_s), learner, 400},
            {"POST", feedPath, card("register", u"Casual"_s), learner, 400},
            {"POST", feedPath, card("words", QJsonValue::Undefined), learner, 400},
            {"POST", feedPath, body(m_learnerId, "phrase", u"Terima kasih"_s), learner, 400},
            {"GET", feedPath + u"/"_s, {}, learner, 404}, {"GET", u"/no/such/page"_s, {}, {}, 404},
            {"GET", lookupPath, {}, learner, 405}, {"DELETE", feedPath, {}, {}, 405}};
        for (const auto &c : cases) {
            const HttpReply reply = m_client.send(c.method, m_server.url(c.path), c.body,
                                                  {{"Content-Type", "application/json"}, {"Cookie", c.cookie}});
            QVERIFY2(reply.status == c.status, qPrintable(c.path + u" "_s + QString::fromUtf8(c.body.left(60))));
            if (c.status == 400 || c.status == 401 || c.status == 413)
                QVERIFY2(!reply.json().value("error"_L1).toString().trimmed().isEmpty(), reply.body.constData());
        }
        QCOMPARE(m_client.get(m_server.url(lookupPath), m_learner).header("Allow"), QByteArray("POST"));
        // Far past the size limit the connection may be cut instead; either way the server lives on.
        const HttpReply huge = post(lookupPath, QByteArray(16 * 1024 * 1024, 'x'), m_learner);
        QVERIFY2(huge.status == 413 || huge.status == 0, QByteArray::number(huge.status).constData());
        QCOMPARE(m_client.get(m_server.url(feedPath), m_learner).status, 200);
    }

    void lookupAnswersWithACompleteCard()
    {
        for (const QString &query : {u"T\u00c9H TARIK"_s, u"te\u0301h tarik"_s}) { // accents and case do not matter
            const HttpReply reply = post(lookupPath, body(m_learnerId, "query", query), m_learner);
            QCOMPARE(reply.status, 200);
            const Result<LookupPhrase, LookupEnvelope::Failure> card = LookupEnvelope::decode(reply.body, m_learnerId);
            QVERIFY2(card.ok(), qPrintable(query));
            QCOMPARE(card.value().malay, u"Teh tarik satu."_s);
        }
    }

    // The phrasebook page escapes what was saved, and its delete button
    // removes only one's own phrases; a refused sign-in form escapes what was typed.
    void phrasebookEscapesAndGuardsEachLibrary()
    {
        const QUrl url = m_server.url(u"/phrasebook"_s);
        QCOMPARE(m_client.get(url).status, 303); // signed out: to the sign-in page
        const auto [cookie, userId] = newAccount();
        LookupPhrase card = *LookupPhrase::fromJson(m_cards.at(5));
        card.malay = u"Teh <b>tarik</b> satu."_s;
        const QString id = save(cookie, userId, card.toJson()).json().value("id"_L1).toString();
        QVERIFY(m_client.get(url, cookie).body.contains("Teh &lt;b&gt;tarik&lt;/b&gt; satu."));

        const auto remove = [&](const QByteArray &who) {
            return m_client.postForm(m_server.url(u"/phrasebook/delete"_s), {{u"id"_s, id}}, who).status;
        };
        QCOMPARE(remove(m_learner), 303);
        QCOMPARE(idsOf(feedPage(cookie)), QStringList{id});
        QCOMPARE(remove(cookie), 303);
        QVERIFY(idsOf(feedPage(cookie)).isEmpty());

        QVERIFY(!form("/sign-in", u"\"><img src=x>"_s, u"x"_s).body.contains("\"><img"));
    }

    void saveRepeatedSaveAndFeed()
    {
        const auto [cookie, userId] = newAccount();
        LookupPhrase card = *LookupPhrase::fromJson(m_cards.at(3));
        const HttpReply saved = save(cookie, userId, card.toJson());
        const QString id = saved.json().value("id"_L1).toString();
        QVERIFY(saved.status == 201 && saved.json().value("version"_L1) == 1 && saved.json().value("userId"_L1) == userId);
        const HttpReply again = save(cookie, userId, card.toJson());
        QVERIFY(again.status == 200 || again.status == 201);
        QVERIFY(again.json().value("id"_L1) == id && again.json().value("version"_L1) == 1);
        LookupPhrase spaced = card; // the same Malay with other case and spacing is the same phrase
        spaced.malay = u"  "_s + card.malay.toUpper().replace(u' ', u"  "_s) + u" "_s;
        QCOMPARE(save(cookie, userId, spaced.toJson()).json().value("id"_L1).toString(), id);
        LookupPhrase plain = *LookupPhrase::fromJson(m_cards.at(4));
        plain.scenario.reset(); // a card without a scenario goes under the everyday category
        QCOMPARE(save(cookie, userId, plain.toJson()).status, 201);

        const std::optional<PhraseFeed> page = feedPage(cookie);
        QVERIFY(page && page->phrases.size() == 2);
        const Phrase &stored = page->phrases.at(1); // the older one
        QCOMPARE(stored.id, id);
        QVERIFY(stored.malay == card.malay && stored.english == card.english && stored.context == card.context);
        QVERIFY(stored.words == card.words && stored.notes == card.notes && stored.usageExamples == card.usageExamples);
        QCOMPARE(stored.category, u"Hawker stalls"_s);
        QCOMPARE(page->phrases.at(0).category, u"Everyday"_s);
        // Another account saving the same card gets a phrase of its own.
        const auto [otherCookie, otherId] = newAccount();
        const QString otherPhraseId = save(otherCookie, otherId, card.toJson()).json().value("id"_L1).toString();
        QVERIFY(!otherPhraseId.isEmpty() && otherPhraseId != id);
    }
};

QTEST_GUILESS_MAIN(DevServerTest)
#include "test_devserver_api.moc"
