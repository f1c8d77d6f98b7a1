// Lookups against the real stand-in web app: everyday queries as learners type them must get a card that means
// what was asked, or the honest "no match".
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

    // Words that change the meaning decide between cards that share every other word: the fault the
    // evaluation's precision bar alone would let through.
    void meaningChangingWords_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("card"); // null: "no match"
        QTest::newRow("open is not close") << u"what time does the shop open"_s << u"Kedai buka pukul berapa?"_s;
        QTest::newRow("close is not open") << u"when does the shop close"_s << u"Kedai tutup pukul berapa?"_s;
        QTest::newRow("you help me") << u"can you help me"_s << u"Boleh tolong saya?"_s;
        QTest::newRow("I help you") << u"can I help you"_s << u"Boleh saya bantu?"_s;
        QTest::newRow("your name") << u"what's your name?"_s << u"Siapa nama awak?"_s;
        QTest::newRow("my name") << u"my name is"_s << u"Nama saya Aina."_s;
        QTest::newRow("less sugar") << u"less sugar"_s << u"Kurang manis, ya."_s;
        QTest::newRow("no sugar") << u"no sugar"_s << u"Kopi O kosong satu."_s;
        QTest::newRow("sick") << u"I'm sick"_s << u"Saya rasa tak sihat."_s;
        QTest::newRow("sick leave") << u"sick leave"_s << u"Saya ambil cuti sakit hari ini."_s;
        QTest::newRow("dead is not deadline") << u"dead battery"_s << u"Bateri telefon saya habis."_s;
        QTest::newRow("deadline") << u"deadline"_s << u"Bila tarikh akhirnya?"_s;
        QTest::newRow("cats: no card") << u"I'm allergic to cats"_s << QString();
        QTest::newRow("filler only") << u"the of and"_s << QString();
    }

    void meaningChangingWords()
    {
        QFETCH(QString, query);
        QFETCH(QString, card);
        QCOMPARE(answer(query), card);
    }
};

QTEST_GUILESS_MAIN(DevServerLookupTest)
#include "test_devserver_lookup.moc"
