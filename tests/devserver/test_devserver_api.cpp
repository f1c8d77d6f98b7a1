// The companion API of the stand-in web app, over HTTP against the real
// server: the feed's paging, lookup, save, and what bad requests get.
#include "devserver_harness.h"
#include "library/phrase_feed.h"
#include "lookup/lookup_phrase.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpSocket>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QJsonObject lookupBody(const QString &userId, const QJsonValue &query)
{
    return QJsonObject{{"expectedUserId"_L1, userId}, {"query"_L1, query}};
}

QJsonObject saveBody(const QString &userId, const QJsonValue &card)
{
    return QJsonObject{{"expectedUserId"_L1, userId}, {"phrase"_L1, card}};
}

QStringList idsOf(const PhraseFeed &page)
{
    QStringList ids;
    for (const Phrase &phrase : page.phrases)
        ids.append(phrase.id);
    return ids;
}

} // namespace

class DevServerApiTest : public QObject {
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
        const QByteArray cookie =
            signUp(m_client, m_server, u"reader%1@pelora.test"_s.arg(++count), u"kopi-susu-panas"_s);
        return {cookie, accountId(m_client, m_server, cookie)};
    }

    HttpReply save(const QByteArray &cookie, const QString &userId, const QJsonValue &card)
    {
        return m_client.postJson(m_server.url(u"/api/companion/phrases"_s), saveBody(userId, card), cookie);
    }

    HttpReply lookup(const QString &userId, const QJsonValue &query)
    {
        return m_client.postJson(m_server.url(u"/api/companion/lookup"_s), lookupBody(userId, query), m_learner);
    }

    std::optional<PhraseFeed> feedPage(const QByteArray &cookie, const QString &cursor = {})
    {
        const QString path = cursor.isNull()
            ? u"/api/companion/phrases"_s
            : u"/api/companion/phrases?cursor="_s + QString::fromLatin1(QUrl::toPercentEncoding(cursor));
        const HttpReply reply = m_client.get(m_server.url(path), cookie);
        if (reply.status != 200)
            return std::nullopt;
        // The companion's own decoder is the judge of the format.
        Result<PhraseFeed, PhraseFeed::Error> page = PhraseFeed::decode(reply.body);
        if (!page.ok())
            return std::nullopt;
        return std::move(page).value();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QFile file(qEnvironmentVariable("PELORA_SOURCE_DIR") + u"/devserver/phrase_cards.json"_s);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        m_cards = QJsonDocument::fromJson(file.readAll()).array();
        QVERIFY(m_cards.size() >= 150);
        QVERIFY2(m_server.start({u"--seed"_s}), qPrintable(m_server.errorOutput()));
        m_learner = signIn(m_client, m_server, u"learner@pelora.test"_s, u"selamat-pagi"_s);
        m_learnerId = accountId(m_client, m_server, m_learner);
        QVERIFY(!m_learnerId.isEmpty());
    }

    // Every built-in card decodes complete and within the library's limits,
    // and no Malay text appears twice.
    void builtInCardsAreComplete()
    {
        QSet<QString> malay;
        for (qsizetype i = 0; i < m_cards.size(); ++i) {
            const std::optional<LookupPhrase> card = LookupPhrase::fromJson(m_cards.at(i));
            QVERIFY2(card && card->isValid() && card->scenario, qPrintable(u"card %1"_s.arg(i + 1)));
            QVERIFY(card->words.size() <= 80);
            const QString key = card->malay.simplified().toCaseFolded();
            QVERIFY2(!malay.contains(key), qPrintable(u"twice: "_s + card->malay));
            malay.insert(key);
        }
    }

    void feedPagesFollowExactCursors()
    {
        const auto [cookie, userId] = newAccount();
        QStringList newestFirst;
        for (int i = 0; i < 120; ++i) {
            const HttpReply reply = save(cookie, userId, m_cards.at(i));
            QCOMPARE(reply.status, 201);
            newestFirst.prepend(reply.json().value("id"_L1).toString());
        }
        const std::optional<PhraseFeed> first = feedPage(cookie);
        QVERIFY(first && first->nextCursor && !first->nextCursor->isEmpty());
        QCOMPARE(first->userId, userId);
        QCOMPARE(idsOf(*first), newestFirst.mid(0, 50));
        const std::optional<PhraseFeed> second = feedPage(cookie, *first->nextCursor);
        QVERIFY(second && second->nextCursor && *second->nextCursor != *first->nextCursor);
        QCOMPARE(idsOf(*second), newestFirst.mid(50, 50));
        const std::optional<PhraseFeed> third = feedPage(cookie, *second->nextCursor);
        QVERIFY(third);
        QCOMPARE(idsOf(*third), newestFirst.mid(100));
        QCOMPARE(third->nextCursor, std::nullopt);
        // A cursor stays good: asking again gives the same page.
        QCOMPARE(idsOf(*feedPage(cookie, *first->nextCursor)), idsOf(*second));
        // The last page has no "nextCursor" key at all, not a null.
        QVERIFY(!m_client.get(m_server.url(u"/api/companion/phrases?cursor="_s + *second->nextCursor), cookie)
                     .json().contains("nextCursor"_L1));
    }

    void feedEdges()
    {
        // Exactly one page of phrases: no cursor to an empty page after it.
        const auto [cookie, userId] = newAccount();
        for (int i = 0; i < 50; ++i)
            QCOMPARE(save(cookie, userId, m_cards.at(i)).status, 201);
        const std::optional<PhraseFeed> only = feedPage(cookie);
        QVERIFY(only);
        QCOMPARE(only->phrases.size(), 50);
        QCOMPARE(only->nextCursor, std::nullopt);

        // An empty library is one empty page.
        const auto [emptyCookie, emptyId] = newAccount();
        const std::optional<PhraseFeed> empty = feedPage(emptyCookie);
        QVERIFY(empty && empty->phrases.isEmpty() && !empty->nextCursor);
        QCOMPARE(empty->userId, emptyId);

        // Cursors that the server never gave out are refused, not read as "from the start".
        for (const QString &bad : {u""_s, u"garbage"_s, u"YWZ0ZXI6MA"_s /* after:0 */, u"YWZ0ZXI6LTU"_s}) {
            const HttpReply reply = m_client.get(m_server.url(u"/api/companion/phrases?cursor="_s + bad), cookie);
            QCOMPARE(reply.status, 400);
            QVERIFY(reply.json().value("error"_L1).isString());
        }

        // Another account's cursor pages through one's own library only.
        const std::optional<PhraseFeed> learnerFirst = feedPage(m_learner);
        QVERIFY(learnerFirst && learnerFirst->nextCursor);
        const std::optional<PhraseFeed> crossed = feedPage(cookie, *learnerFirst->nextCursor);
        QVERIFY(crossed);
        QCOMPARE(crossed->userId, userId);
        for (const Phrase &phrase : crossed->phrases)
            QVERIFY(only->phrases.contains(phrase));
    }

    void signedOutAndOtherAccount()
    {
        const QUrl feed = m_server.url(u"/api/companion/phrases"_s);
        const QUrl lookupUrl = m_server.url(u"/api/companion/lookup"_s);
        for (const QByteArray &cookie : {QByteArray(), QByteArray("auth.session-token=made-up"),
                                         QByteArray("auth.session-token=")}) {
            QCOMPARE(m_client.get(feed, cookie).status, 401);
            QCOMPARE(m_client.postJson(lookupUrl, lookupBody(m_learnerId, u"teh tarik"_s), cookie).status, 401);
            const HttpReply saved = save(cookie, m_learnerId, m_cards.at(0));
            QCOMPARE(saved.status, 401);
            QVERIFY(saved.json().value("error"_L1).isString());
        }
        QCOMPARE(lookup(u"someone-else"_s, u"teh tarik"_s).status, 409);
        QCOMPARE(save(m_learner, u"someone-else"_s, m_cards.at(0)).status, 409);
        // An id differing only in case is another account.
        QCOMPARE(lookup(m_learnerId.toUpper(), u"teh"_s).status, 409);
    }

    void lookupAnswersWithACompleteCard_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("malay");
        QTest::newRow("upper case") << u"TEH TARIK"_s << u"Teh tarik satu."_s;
        QTest::newRow("accents") << u"t\u00e9h t\u00e2rik"_s << u"Teh tarik satu."_s;
        QTest::newRow("combining accent") << u"te\u0301h tarik"_s << u"Teh tarik satu."_s;
        QTest::newRow("english question") << u"How much is it altogether?"_s << u"Berapa semua sekali?"_s;
        QTest::newRow("situation") << u"fitting room"_s << u"Boleh saya cuba baju ni?"_s;
        QTest::newRow("punctuation") << u"...thank-you!!"_s << u"Terima kasih"_s;
    }

    void lookupAnswersWithACompleteCard()
    {
        QFETCH(QString, query);
        QFETCH(QString, malay);
        const HttpReply reply = lookup(m_learnerId, query);
        QCOMPARE(reply.status, 200);
        const Result<LookupPhrase, LookupEnvelope::Failure> card = LookupEnvelope::decode(reply.body, m_learnerId);
        QVERIFY(card.ok());
        QCOMPARE(card.value().malay, malay);
    }

    void lookupIsDeterministic()
    {
        // Queries that several cards match equally well still get one answer, every time.
        for (const QString &query : {u"please"_s, u"one"_s, u"saya"_s, u"station"_s}) {
            QSet<QByteArray> answers;
            for (int i = 0; i < 3; ++i)
                answers.insert(lookup(m_learnerId, query).body);
            QCOMPARE(answers.size(), 1);
        }
    }

    void lookupRefusals_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        const auto json = [this](const QJsonValue &query) {
            return QJsonDocument(lookupBody(m_learnerId, query)).toJson(QJsonDocument::Compact);
        };
        QTest::newRow("blank") << json(u" \t\n\u00a0"_s) << 400;
        QTest::newRow("500 units") << json(u"teh tarik"_s + QString(491, u' ')) << 200;
        QTest::newRow("501 units") << json(u"teh tarik"_s + QString(492, u' ')) << 400;
        // 249 emoji and "teh" make 501 UTF-16 units though only 252 characters.
        QString emoji;
        for (int i = 0; i < 249; ++i)
            emoji += u"\U0001F375"_s;
        QTest::newRow("501 units with emoji") << json(u"teh"_s + emoji) << 400;
        QTest::newRow("no match") << json(u"zzxqv"_s) << 400;
        QTest::newRow("query not text") << json(42) << 400;
        QTest::newRow("no query") << QJsonDocument(QJsonObject{{"expectedUserId"_L1, m_learnerId}}).toJson() << 400;
        QTest::newRow("not json") << QByteArray("expectedUserId=1&query=teh") << 400;
        QTest::newRow("cut short") << json(u"teh"_s).chopped(2) << 400;
        QTest::newRow("empty body") << QByteArray() << 400;
    }

    void lookupRefusals()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        const HttpReply reply =
            m_client.post(m_server.url(u"/api/companion/lookup"_s), body, "application/json", m_learner);
        QCOMPARE(reply.status, status);
        if (status == 400)
            QVERIFY2(!reply.json().value("error"_L1).toString().trimmed().isEmpty(), reply.body.constData());
    }

    void lookupAllowance()
    {
        DevServerProcess limited;
        QVERIFY(limited.start({u"--seed"_s, u"--lookup-allowance"_s, u"3"_s}));
        HttpClient client;
        const QByteArray learner = signIn(client, limited, u"learner@pelora.test"_s, u"selamat-pagi"_s);
        const QString learnerId = accountId(client, limited, learner);
        const QUrl url = limited.url(u"/api/companion/lookup"_s);

        for (int i = 0; i < 3; ++i)
            QCOMPARE(client.postJson(url, lookupBody(learnerId, u"kopi"_s), learner).status, 200);
        const HttpReply refused = client.postJson(url, lookupBody(learnerId, u"kopi"_s), learner);
        QCOMPARE(refused.status, 429);
        QVERIFY(!refused.json().value("error"_L1).toString().isEmpty());
        // A blank query is still a plain bad request, not a spent lookup.
        QCOMPARE(client.postJson(url, lookupBody(learnerId, u" "_s), learner).status, 400);
        // The allowance is per account.
        const QByteArray other = signIn(client, limited, u"new@pelora.test"_s, u"selamat-datang"_s);
        QCOMPARE(client.postJson(url, lookupBody(accountId(client, limited, other), u"kopi"_s), other).status, 200);
    }

    void saveThenFeed()
    {
        const auto [cookie, userId] = newAccount();
        const LookupPhrase card = *LookupPhrase::fromJson(m_cards.at(3));
        const HttpReply saved = save(cookie, userId, card.toJson());
        QCOMPARE(saved.status, 201);
        QCOMPARE(saved.json().value("version"_L1).toInt(), 1);
        QCOMPARE(saved.json().value("userId"_L1).toString(), userId);

        // A card without a scenario goes under the everyday category.
        LookupPhrase plain = *LookupPhrase::fromJson(m_cards.at(4));
        plain.scenario.reset();
        QCOMPARE(save(cookie, userId, plain.toJson()).status, 201);

        const std::optional<PhraseFeed> page = feedPage(cookie);
        QVERIFY(page);
        QCOMPARE(page->phrases.size(), 2);
        const Phrase &stored = page->phrases.at(1); // the older one
        QCOMPARE(stored.id, saved.json().value("id"_L1).toString());
        QCOMPARE(stored.malay, card.malay);
        QCOMPARE(stored.english, card.english);
        QCOMPARE(stored.context, card.context);
        QCOMPARE(stored.words, card.words);
        QCOMPARE(stored.notes, card.notes);
        QCOMPARE(stored.usageExamples, card.usageExamples);
        QCOMPARE(stored.category, u"Hawker stalls"_s);
        QCOMPARE(page->phrases.at(0).category, u"Everyday"_s);
    }

    void duplicateSaveKeepsOnePhrase()
    {
        const auto [cookie, userId] = newAccount();
        LookupPhrase card = *LookupPhrase::fromJson(m_cards.at(10));
        const QString id = save(cookie, userId, card.toJson()).json().value("id"_L1).toString();
        const HttpReply again = save(cookie, userId, card.toJson());
        QVERIFY(again.status == 200 || again.status == 201);
        QCOMPARE(again.json().value("id"_L1).toString(), id);
        QCOMPARE(again.json().value("version"_L1).toInt(), 1);

        // The same Malay written with other case and spacing is the same phrase.
        card.malay = u"  "_s + card.malay.toUpper().replace(u' ', u"  "_s) + u" "_s;
        QCOMPARE(save(cookie, userId, card.toJson()).json().value("id"_L1).toString(), id);
        QCOMPARE(feedPage(cookie)->phrases.size(), 1);

        // Another account saving the same card gets a phrase of its own.
        const auto [otherCookie, otherId] = newAccount();
        const QString otherPhraseId = save(otherCookie, otherId, card.toJson()).json().value("id"_L1).toString();
        QVERIFY(!otherPhraseId.isEmpty() && otherPhraseId != id);
    }

    // The companion syncs at most 100 pages of 50, so a library stops growing
    // there rather than becoming one that can never sync.
    void libraryStopsAtWhatTheCompanionCanSync()
    {
        const auto [cookie, userId] = newAccount();
        LookupPhrase card = *LookupPhrase::fromJson(m_cards.at(0));
        const QString malay = card.malay;
        QString firstId;
        for (int i = 0; i < 5000; ++i) {
            card.malay = malay + u" "_s + QString::number(i);
            const HttpReply saved = save(cookie, userId, card.toJson());
            QCOMPARE(saved.status, 201);
            if (i == 0)
                firstId = saved.json().value("id"_L1).toString();
        }
        card.malay = malay + u" 5000"_s;
        const HttpReply full = save(cookie, userId, card.toJson());
        QCOMPARE(full.status, 400);
        QVERIFY(full.json().value("error"_L1).toString().contains(u"5,000"_s));
        // Saving one already there still answers with its id.
        card.malay = malay + u" 0"_s;
        QCOMPARE(save(cookie, userId, card.toJson()).json().value("id"_L1).toString(), firstId);
    }

    void incompleteCardsAreNotSaved_data()
    {
        QTest::addColumn<QJsonValue>("phrase");
        const auto changed = [this](const char *key, const QJsonValue &value) {
            QJsonObject card = m_cards.at(0).toObject();
            if (value.isUndefined())
                card.remove(QLatin1StringView(key));
            else
                card.insert(QLatin1StringView(key), value);
            return QJsonValue(card);
        };
        QTest::newRow("no notes") << changed("notes", QJsonArray());
        QTest::newRow("blank malay") << changed("malay", u"   "_s);
        QTest::newRow("register case") << changed("register", u"Casual"_s);
        QTest::newRow("missing words") << changed("words", QJsonValue(QJsonValue::Undefined));
        QTest::newRow("null") << QJsonValue();
        QTest::newRow("text") << QJsonValue(u"Terima kasih"_s);
    }

    void incompleteCardsAreNotSaved()
    {
        QFETCH(QJsonValue, phrase);
        const auto [cookie, userId] = newAccount();
        const HttpReply reply = save(cookie, userId, phrase);
        QCOMPARE(reply.status, 400);
        QVERIFY(!reply.json().value("error"_L1).toString().isEmpty());
        QVERIFY(feedPage(cookie)->phrases.isEmpty());
    }

    void bodySizeLimit()
    {
        const QUrl url = m_server.url(u"/api/companion/lookup"_s);
        QByteArray body = QJsonDocument(lookupBody(m_learnerId, u"kopi"_s)).toJson(QJsonDocument::Compact);
        const qsizetype oneMegabyte = 1024 * 1024;
        body.append(QByteArray(oneMegabyte - body.size(), ' ')); // JSON allows trailing white space
        QCOMPARE(m_client.post(url, body, "application/json", m_learner).status, 200);
        body.append(' ');
        const HttpReply tooBig = m_client.post(url, body, "application/json", m_learner);
        QCOMPARE(tooBig.status, 413);
        QVERIFY(tooBig.json().value("error"_L1).isString());

        // Far past the limit the connection may be cut instead; either way the
        // server lives on and answers the next request.
        const HttpReply huge = m_client.post(url, QByteArray(16 * oneMegabyte, 'x'), "application/json", m_learner);
        QVERIFY2(huge.status == 413 || huge.status == 0, QByteArray::number(huge.status).constData());
        QVERIFY(m_server.isRunning());
        QCOMPARE(m_client.get(m_server.url(u"/api/companion/phrases"_s), m_learner).status, 200);
    }

    void unknownPathsAndMethods()
    {
        QCOMPARE(m_client.get(m_server.url(u"/api/companion/phrases/"_s), m_learner).status, 404);
        QCOMPARE(m_client.get(m_server.url(u"/no/such/page"_s)).status, 404);
        const HttpReply wrong = m_client.get(m_server.url(u"/api/companion/lookup"_s), m_learner);
        QCOMPARE(wrong.status, 405);
        QCOMPARE(wrong.header("Allow"), QByteArray("POST"));
        QCOMPARE(m_client.send("DELETE", m_server.url(u"/api/companion/phrases"_s), {}, {}).status, 405);
    }

    void garbageOnTheWireLeavesDataIntact()
    {
        const std::optional<PhraseFeed> before = feedPage(m_learner);
        QVERIFY(before);
        for (const QByteArray &junk : {QByteArray("\x00\x01\x02\r\n\r\n", 7), QByteArray("GET\r\n\r\n"),
                                       QByteArray("POST /api/companion/lookup HTTP/1.1\r\nContent-Length: -5\r\n\r\n"),
                                       QByteArray("POST /api/companion/phrases HTTP/1.1\r\nHost: x\r\n"
                                                  "Content-Length: 10\r\n\r\n{\"expec")}) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, m_server.port());
            QVERIFY(socket.waitForConnected(5000));
            socket.write(junk);
            socket.waitForBytesWritten(2000);
            socket.waitForReadyRead(300);
            socket.abort();
        }
        QVERIFY(m_server.isRunning());
        QCOMPARE(feedPage(m_learner)->phrases, before->phrases);
    }

    void updateFeed()
    {
        DevServerProcess custom;
        QVERIFY(custom.start({u"--update-version"_s, u"9.10.2"_s, u"--update-url"_s, u"https://example.org/get"_s}));
        HttpClient client;
        const HttpReply reply = client.get(custom.url(u"/companion/updates.json"_s));
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(reply.json().value("version"_L1).toString(), u"9.10.2"_s);
        QCOMPARE(reply.json().value("url"_L1).toString(), u"https://example.org/get"_s);
        QVERIFY(reply.json().value("notes"_L1).isString());
    }
};

QTEST_GUILESS_MAIN(DevServerApiTest)
#include "test_devserver_api.moc"
