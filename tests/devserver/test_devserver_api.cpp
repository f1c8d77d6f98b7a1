// The stand-in web app over HTTP against the real server: what the companion's own tests rely on it doing
// right (sign-in, sessions, paging through a full library, the companion API's refusals).
#include "devserver_harness.h"
#include "library/phrase_feed.h"

#include <QFile>
#include <QJsonArray>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString feedPath = u"/api/companion/phrases"_s;
const QString lookupPath = u"/api/companion/lookup"_s;
const QString learnerEmail = u"learner@pelora.test"_s;
const QString learnerPassword = u"selamat-pagi"_s;

QByteArray body(const QString &userID, QLatin1StringView key, const QJsonValue &value)
{
    return QJsonDocument(QJsonObject{{"expectedUserId"_L1, userID}, {key, value}}).toJson(QJsonDocument::Compact);
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
    QString m_learnerID;

    // A phrase card from the seed with `key` set to `value`, as a save request's body.
    QByteArray cardWith(QLatin1StringView key, const QJsonValue &value) const
    {
        QJsonObject card = m_cards.at(0).toObject();
        card.insert(key, value);
        return body(m_learnerID, "phrase"_L1, card);
    }

    QByteArray query(const QJsonValue &value) const { return body(m_learnerID, "query"_L1, value); }

    // A fresh account with its own empty library.
    QPair<QByteArray, QString> newAccount()
    {
        static int count = 0;
        const QByteArray cookie = signUp(m_client, m_server, u"reader%1@pelora.test"_s.arg(++count), u"kopi-susu"_s);
        return {cookie, accountID(m_client, m_server, cookie)};
    }
    HttpReply save(const QByteArray &cookie, const QString &userID, const QJsonValue &card)
    {
        return m_client.post(m_server.url(feedPath), body(userID, "phrase"_L1, card), "application/json"_ba, cookie);
    }
    HttpReply signInForm(const QString &email, const QString &password, const Headers &headers = {})
    {
        return m_client.postForm(m_server.url(u"/sign-in"_s), {{u"email"_s, email}, {u"password"_s, password}}, {},
                                 headers);
    }
    int status(const QString &path, const QByteArray &cookie)
    {
        return m_client.get(m_server.url(path), cookie).status;
    }
    // The companion's own decoder is the judge of the format.
    std::optional<PhraseFeed> feedPage(const QByteArray &cookie, const QString &cursor = {})
    {
        const QString query =
            cursor.isNull() ? QString() : u"?cursor="_s + QString::fromLatin1(QUrl::toPercentEncoding(cursor));
        const HttpReply reply = m_client.get(m_server.url(feedPath + query), cookie);
        Result<PhraseFeed, PhraseFeed::Error> page = PhraseFeed::decode(reply.body);
        return reply.status == 200 && page.ok() ? std::optional(std::move(page).value()) : std::nullopt;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QFile file(qEnvironmentVariable("PELORA_SOURCE_DIR") + u"/devserver/phrase_cards.json"_s);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY2(m_server.start(), qPrintable(m_server.errorOutput()));
        m_cards = QJsonDocument::fromJson(file.readAll()).array();
        m_learner = signIn(m_client, m_server, learnerEmail, learnerPassword);
        m_learnerID = accountID(m_client, m_server, m_learner);
        QVERIFY(m_cards.size() >= 150);
        QVERIFY(!m_learnerID.isEmpty());
    }

    // Signing out ends that session on the server, not only in the browser; another site cannot sign one out.
    void signOutEndsTheSessionOnTheServer()
    {
        const QByteArray ending = signIn(m_client, m_server, learnerEmail, learnerPassword);
        const QByteArray staying = signIn(m_client, m_server, learnerEmail, learnerPassword);
        const QUrl signOut = m_server.url(u"/sign-out"_s);
        QCOMPARE(m_client.postForm(signOut, {}, ending, {{"Origin"_ba, "http://evil.example"_ba}}).status, 403);
        QCOMPARE(status(feedPath, ending), 200);

        const HttpReply out = m_client.postForm(signOut, {}, ending);
        QCOMPARE(out.status, 303);
        QVERIFY2(out.header("Set-Cookie"_ba).contains("; Max-Age=0"), out.header("Set-Cookie"_ba).constData());
        QCOMPARE(status(feedPath, ending), 401);
        QCOMPARE(status(feedPath, staying), 200);
    }

    // Wrong credentials get 401 and the form again; another site's forms get 403; neither a cookie.
    void refusedSignIn_data()
    {
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QByteArray>("origin");
        QTest::addColumn<int>("status");
        QTest::newRow("password in another case") << learnerEmail << u"Selamat-pagi"_s << QByteArray() << 401;
        QTest::newRow("from another site") << learnerEmail << learnerPassword << "https://evil.example"_ba << 403;
        QTest::newRow("from an opaque origin") << learnerEmail << learnerPassword << "null"_ba << 403;
    }

    void refusedSignIn()
    {
        QFETCH(QString, email);
        QFETCH(QString, password);
        QFETCH(QByteArray, origin);
        QFETCH(int, status);
        const HttpReply refused = signInForm(email, password, {{"Origin"_ba, origin}});
        QCOMPARE(refused.status, status);
        QCOMPARE(refused.header("Set-Cookie"_ba), QByteArray());
        if (status == 401)
            QVERIFY(QString::fromUtf8(refused.body).contains(u"don’t match"_s));
    }

    // The companion syncs at most 100 pages of 50, so a library stops growing there rather than
    // becoming one that can never sync. Pages run newest first, each cursor leading to the next.
    void pagesUpToTheLibraryLimit()
    {
        const auto [cookie, userID] = newAccount();
        const std::optional<PhraseFeed> empty = feedPage(cookie); // an empty library is one empty page
        QVERIFY(empty);
        QCOMPARE(empty->phrases.size(), 0);
        QCOMPARE(empty->nextCursor.has_value(), false);
        QCOMPARE(empty->userID, userID);

        QJsonObject card = m_cards.at(0).toObject();
        const QString malay = card.value("malay"_L1).toString();
        const auto numbered = [&](int i) {
            card.insert("malay"_L1, QString(malay + u" "_s + QString::number(i)));
            return card;
        };
        QStringList newestFirst;
        for (int i = 0; i < 5000; ++i) {
            const HttpReply saved = save(cookie, userID, numbered(i));
            if (saved.status != 201)
                QFAIL(qPrintable(u"save %1 answered %2"_s.arg(i).arg(saved.status)));
            newestFirst.prepend(saved.json().value("id"_L1).toString());
        }
        const HttpReply full = save(cookie, userID, numbered(5000));
        QCOMPARE(full.status, 400);
        // Saving one already there still answers with its id, so a full library still takes a repeated save.
        QCOMPARE(save(cookie, userID, numbered(0)).json().value("id"_L1).toString(), newestFirst.last());

        // One line per page, so that a failure names the page.
        QStringList expected;
        QStringList got;
        QString cursor; // null: the first page
        for (int page = 0; page < 100; ++page) {
            const bool last = page == 99;
            expected << u"page %1: %2, ids as saved, %3"_s.arg(page).arg(userID, last ? u"the end"_s : u"more"_s);
            const std::optional<PhraseFeed> read = feedPage(cookie, cursor);
            if (!read) {
                got << u"page %1: not a feed page"_s.arg(page);
                break;
            }
            const bool inOrder = idsOf(read) == newestFirst.mid(page * 50, 50);
            got << u"page %1: %2, %3, %4"_s.arg(page).arg(read->userID,
                                                          inOrder ? u"ids as saved"_s : idsOf(read).join(u' '),
                                                          read->nextCursor ? u"more"_s : u"the end"_s);
            if (!last)
                cursor = read->nextCursor.value_or(QString());
        }
        QCOMPARE(got, expected);

        // Another account's cursor pages through one's own library only.
        const std::optional<PhraseFeed> learnerPage = feedPage(m_learner);
        QVERIFY(learnerPage);
        QVERIFY(learnerPage->nextCursor);
        const std::optional<PhraseFeed> crossed = feedPage(cookie, *learnerPage->nextCursor);
        QVERIFY(crossed);
        QCOMPARE(crossed->userID, userID);
        for (const QString &id : idsOf(crossed))
            QVERIFY2(newestFirst.contains(id), qPrintable(id));
    }

    // What each kind of refused request gets.
    void statusCodes_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("cookie");
        QTest::addColumn<int>("status");
        const QString emoji = u"\U0001F375"_s.repeated(249); // with "teh" 501 UTF-16 units, only 252 characters
        const QByteArray megabyte = query(u"kopi"_s).leftJustified(1024 * 1024, ' '); // JSON allows trailing blanks
        const QByteArray me = m_learner;
        const QByteArray madeUp = "auth.session-token=made-up"_ba;
        const QByteArray none;
        const QString feed = feedPath;
        const QString lookup = lookupPath;

        QTest::newRow("feed, no cookie") << "GET"_ba << feed << none << none << 401;
        QTest::newRow("feed, made-up session") << "GET"_ba << feed << none << madeUp << 401;
        QTest::newRow("lookup for another account")
            << "POST"_ba << lookup << body(u"someone-else"_s, "query"_L1, u"teh"_s) << me << 409;
        QTest::newRow("lookup, blank query") << "POST"_ba << lookup << query(u" \t\n\u00a0"_s) << me << 400;
        QTest::newRow("lookup, 500 units")
            << "POST"_ba << lookup << query(QString(u"teh tarik"_s + QString(491, u' '))) << me << 200;
        QTest::newRow("lookup, 501 units in 252 characters")
            << "POST"_ba << lookup << query(QString(u"teh"_s + emoji)) << me << 400;
        QTest::newRow("lookup, no such phrase") << "POST"_ba << lookup << query(u"zzxqv"_s) << me << 400;
        QTest::newRow("lookup, JSON cut short") << "POST"_ba << lookup << query(u"teh"_s).chopped(2) << me << 400;
        QTest::newRow("lookup, 1 MiB") << "POST"_ba << lookup << megabyte << me << 200;
        QTest::newRow("lookup, 1 MiB and a byte") << "POST"_ba << lookup << megabyte + ' ' << me << 413;
        QTest::newRow("save, unknown register")
            << "POST"_ba << feed << cardWith("register"_L1, u"Casual"_s) << me << 400;
        // Cursors that the server never gave out are refused, not read as "from the start".
        QTest::newRow("feed, empty cursor") << "GET"_ba << feed + u"?cursor="_s << none << me << 400;
        QTest::newRow("feed, garbage cursor") << "GET"_ba << feed + u"?cursor=garbage"_s << none << me << 400;
    }

    // Refusals of a request always come with an error text.
    void statusCodes()
    {
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, cookie);
        QFETCH(int, status);
        const Headers headers{{"Content-Type"_ba, "application/json"_ba}, {"Cookie"_ba, cookie}};
        const HttpReply reply = m_client.send(method, m_server.url(path), body, headers);
        QCOMPARE(reply.status, status);
        if (status == 400 || status == 401 || status == 413)
            QVERIFY2(!reply.json().value("error"_L1).toString().trimmed().isEmpty(), reply.body.constData());
    }

    // Far past the size limit the connection may be cut instead; either way the server lives on.
    void hugeBodyLeavesTheServerRunning()
    {
        const HttpReply huge =
            m_client.post(m_server.url(lookupPath), QByteArray(16 << 20, 'x'), "application/json"_ba, m_learner);
        QVERIFY2(huge.status == 413 || huge.status == 0, QByteArray::number(huge.status).constData());
        QCOMPARE(status(feedPath, m_learner), 200);
    }
};

QTEST_GUILESS_MAIN(DevServerTest)
#include "test_devserver_api.moc"
