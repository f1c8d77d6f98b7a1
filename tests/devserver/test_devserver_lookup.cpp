// Lookups against the real stand-in web app: everyday queries as learners type them must get a card
// that means what was asked, or the honest "no match"; a collection with an incomplete card never serves.
#include "devserver_harness.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString noMatch = u"No phrase card matches that yet. Try other English words, Malay words or a situation."_s;

QJsonArray jsonArray(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).array() : QJsonArray();
}

QString sourcePath(const QString &relative)
{
    return qEnvironmentVariable("PELORA_SOURCE_DIR") + u'/' + relative;
}

} // namespace

class DevServerLookupTest : public QObject {
    Q_OBJECT

private:
    DevServerProcess m_server;
    HttpClient m_client;
    QByteArray m_cookie;
    QString m_userID;
    QJsonArray m_cards;

    // The Malay phrase of the card a query gets; a null string for the "no match" answer.
    QString answer(const QString &query)
    {
        const QJsonObject body{{"expectedUserId"_L1, m_userID}, {"query"_L1, query}};
        const HttpReply reply = m_client.postJson(m_server.url(u"/api/companion/lookup"_s), body, m_cookie);
        if (reply.status == 200)
            return reply.json().value("phrase"_L1).toObject().value("malay"_L1).toString();
        if (reply.status == 400 && reply.json().value("error"_L1).toString() == noMatch)
            return QString();
        return u"<HTTP %1>"_s.arg(reply.status); // never right
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_cards = jsonArray(sourcePath(u"devserver/phrase_cards.json"_s));
        QVERIFY(m_cards.size() >= 400);
        QVERIFY2(m_server.start({u"--seed"_s, u"--lookup-allowance"_s, u"100000"_s}),
                 qPrintable(m_server.errorOutput()));
        m_cookie = signIn(m_client, m_server, u"learner@pelora.test"_s, u"selamat-pagi"_s);
        m_userID = accountID(m_client, m_server, m_cookie);
        QVERIFY(!m_userID.isEmpty());
    }

    // The evaluation set: queries as learners type them, each with the cards that count as right
    // (none: only "no match" is right). Precision is right answers among answers, coverage the
    // share of answerable queries that got an answer.
    void everydayQueriesGetTheCardTheyMean()
    {
        const QJsonArray queries = jsonArray(sourcePath(u"tests/devserver/lookup_queries.json"_s));
        QVERIFY(queries.size() >= 100);
        QSet<QString> collection;
        for (const QJsonValue &card : std::as_const(m_cards))
            collection.insert(card.toObject().value("malay"_L1).toString());

        int answered = 0;           // queries that got a card
        int right = 0;              // … the card they mean
        int answerable = 0;         // queries that have a right card
        int answeredAnswerable = 0; // … and got a card
        QStringList wrong;
        QElapsedTimer clock;
        clock.start();
        for (const QJsonValue &entry : queries) {
            const QString query = entry.toObject().value("query"_L1).toString();
            QStringList rightCards;
            for (const QJsonValue &card : entry.toObject().value("right"_L1).toArray())
                rightCards.append(card.toString());
            for (const QString &card : std::as_const(rightCards))
                QVERIFY2(collection.contains(card), qPrintable(u"no such card: "_s + card));

            const QString got = answer(query);
            answerable += rightCards.isEmpty() ? 0 : 1;
            if (!got.isNull()) {
                ++answered;
                answeredAnswerable += rightCards.isEmpty() ? 0 : 1;
                right += rightCards.contains(got) ? 1 : 0;
            }
            if (got.isNull() ? !rightCards.isEmpty() : !rightCards.contains(got))
                wrong.append(u"  \"%1\" got %2"_s.arg(query, got.isNull() ? u"no match"_s : got));
        }
        const qint64 elapsed = clock.elapsed();
        const double precision = answered ? double(right) / answered : 0;
        const double coverage = answerable ? double(answeredAnswerable) / answerable : 0;
        qInfo().noquote() << u"lookup evaluation: precision %1% (%2 of %3 answers right), coverage %4% (%5 of %6 "
                             u"answerable queries answered), %7 ms per lookup over HTTP"_s
                                 .arg(100 * precision, 0, 'f', 1)
                                 .arg(right)
                                 .arg(answered)
                                 .arg(100 * coverage, 0, 'f', 1)
                                 .arg(answeredAnswerable)
                                 .arg(answerable)
                                 .arg(double(elapsed) / queries.size(), 0, 'f', 1);
        if (!wrong.isEmpty())
            qInfo().noquote() << u"not answered as expected:\n"_s + wrong.join(u'\n');
        QVERIFY2(precision >= 0.95, "precision below 95 %");
        QVERIFY2(coverage >= 0.85, "coverage below 85 %");
    }

    // Words that change the meaning decide between cards that share every other word.
    void meaningChangingWords_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("card"); // null: "no match"
        QTest::newRow("open is not close") << u"what time does the shop open"_s << u"Kedai buka pukul berapa?"_s;
        QTest::newRow("close is not open") << u"when does the shop close"_s << u"Kedai tutup pukul berapa?"_s;
        QTest::newRow("buka in Malay") << u"kedai buka pukul berapa"_s << u"Kedai buka pukul berapa?"_s;
        QTest::newRow("you help me") << u"can you help me"_s << u"Boleh tolong saya?"_s;
        QTest::newRow("I help you") << u"can I help you"_s << u"Boleh saya bantu?"_s;
        QTest::newRow("your name") << u"what's your name?"_s << u"Siapa nama awak?"_s;
        QTest::newRow("my name") << u"my name is"_s << u"Nama saya Aina."_s;
        QTest::newRow("less sugar") << u"less sugar"_s << u"Kurang manis, ya."_s;
        QTest::newRow("no sugar") << u"no sugar"_s << u"Kopi O kosong satu."_s;
        QTest::newRow("a little spicy") << u"a little spicy"_s << u"Pedas sikit saja."_s;
        QTest::newRow("not spicy") << u"not spicy"_s << u"Tak nak pedas, ya."_s;
        QTest::newRow("sick") << u"I'm sick"_s << u"Saya rasa tak sihat."_s;
        QTest::newRow("sick leave") << u"sick leave"_s << u"Saya ambil cuti sakit hari ini."_s;
        QTest::newRow("one-way") << u"one way ticket"_s << u"Satu tiket sehala ke Ipoh."_s;
        QTest::newRow("return") << u"return ticket"_s << u"Saya nak beli tiket pergi balik ke Melaka."_s;
        QTest::newRow("dead is not deadline") << u"dead battery"_s << u"Bateri telefon saya habis."_s;
        QTest::newRow("deadline") << u"deadline"_s << u"Bila tarikh akhirnya?"_s;
        QTest::newRow("book is reserve") << u"reserve a table for two"_s << u"Saya nak tempah meja untuk dua orang."_s;
        QTest::newRow("restroom is toilet") << u"where's the restroom?"_s << u"Maaf, tandas di mana?"_s;
        QTest::newRow("I'm lost") << u"i'm lost"_s << u"Maaf, saya sesat. Boleh tolong tunjukkan jalan?"_s;
        QTest::newRow("I lost it") << u"I lost my wallet"_s << u"Dompet saya hilang."_s;
        QTest::newRow("peanuts are not sorry") << u"I'm allergic to peanuts"_s << u"Saya alah pada kacang tanah."_s;
        QTest::newRow("cats: no card") << u"I'm allergic to cats"_s << QString();
        QTest::newRow("unknown subject") << u"how do I renew my visa"_s << QString();
        QTest::newRow("letters only") << u"zzxqv"_s << QString();
        QTest::newRow("filler only") << u"the of and"_s << QString();
    }

    void meaningChangingWords()
    {
        QFETCH(QString, query);
        QFETCH(QString, card);
        QCOMPARE(answer(query), card);
    }

    // The server refuses to start rather than serve a card the companion would reject.
    void incompleteCardsStopTheServer_data()
    {
        QTest::addColumn<QByteArray>("cards");
        QTest::addColumn<QString>("error"); // empty: the server starts
        const auto changed = [this](int index, const char *key, const QJsonValue &value) {
            QJsonArray cards = m_cards;
            QJsonObject card = cards.at(index).toObject();
            if (value.isUndefined())
                card.remove(QLatin1StringView(key));
            else
                card.insert(QLatin1StringView(key), value);
            cards.replace(index, card);
            return QJsonDocument(cards).toJson(QJsonDocument::Compact);
        };
        const int last = int(m_cards.size()) - 1;
        QTest::newRow("all complete") << QJsonDocument(m_cards).toJson() << QString();
        QTest::newRow("register capitalised")
            << changed(199, "register", u"Casual"_s) << u"phrase card 200 is incomplete"_s;
        QTest::newRow("no words") << changed(0, "words", QJsonArray()) << u"phrase card 1 is incomplete"_s;
        QTest::newRow("notes missing") << changed(last, "notes", QJsonValue::Undefined)
                                       << u"phrase card %1 is incomplete"_s.arg(last + 1);
        QTest::newRow("blank phrase") << changed(7, "malay", u"   "_s) << u"phrase card 8 is incomplete"_s;
        QTest::newRow("unknown setting") << changed(9, "scenario", u"beach"_s) << u"phrase card 10 is incomplete"_s;
        QTest::newRow("not an array") << R"({"cards": []})"_ba << u"not a JSON array"_s;
        QTest::newRow("empty file") << QByteArray() << u"not a JSON array"_s;
        QTest::newRow("cut short") << QJsonDocument(m_cards).toJson().chopped(10) << u"not a JSON array"_s;
    }

    void incompleteCardsStopTheServer()
    {
        QFETCH(QByteArray, cards);
        QFETCH(QString, error);
        QTemporaryDir folder;
        QFile file(folder.filePath(u"cards.json"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(cards), cards.size());
        file.close();
        if (error.isEmpty()) {
            DevServerProcess server;
            QVERIFY2(server.start({u"--cards"_s, file.fileName()}), qPrintable(server.errorOutput()));
            return;
        }
        QProcess server;
        server.start(QStringLiteral(PELORA_DEVSERVER_PATH),
                     {u"--port"_s, u"0"_s, u"--data"_s, folder.filePath(u"data"_s), u"--cards"_s, file.fileName()});
        QVERIFY(server.waitForFinished(30000));
        QCOMPARE(server.exitCode(), 1);
        QCOMPARE(server.readAllStandardOutput().contains("listening"), false);
        const QString printed = QString::fromUtf8(server.readAllStandardError());
        QVERIFY2(printed.contains(error), qPrintable(printed));
    }
};

QTEST_GUILESS_MAIN(DevServerLookupTest)
#include "test_devserver_lookup.moc"
