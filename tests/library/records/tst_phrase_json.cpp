#include "feed_pages.h"
#include "library/phrase_feed.h"

#include <QTest>

namespace {

// Text that JSON must escape or carry through untouched.
QString awkwardText()
{
    return QStringLiteral("\"quoted\" back\\slash /slash\b\f\n\r\t ") + QChar(0)
         + QString::fromUtf8(" é e\u0301 🇲🇾 “ ” … ’ · \u2028");
}

Phrase samplePhrase(const QString &id)
{
    return Phrase{id,
                  "Jumpa lagi",
                  "See you again",
                  "Farewells",
                  awkwardText(),
                  {{"jumpa", "meet"}, {"lagi", "again"}},
                  {"Casual.", "", awkwardText()},
                  {{"Jumpa lagi esok!", "See you tomorrow!", "Leaving work"}}};
}

} // namespace

class PhraseJsonTest : public QObject {
    Q_OBJECT

private slots:
    void wordAndExampleUseTheFeedKeys()
    {
        const Phrase::Word word{"kasih", "love"};
        QCOMPARE(word.toJson(), (QJsonObject{{"malay", "kasih"}, {"english", "love"}}));
        const Phrase::Example example{"m", "e", "s"};
        QCOMPARE(example.toJson(), (QJsonObject{{"malay", "m"}, {"english", "e"}, {"situation", "s"}}));
        QCOMPARE(PhraseJson::writeWords({word, {"a", "b"}}),
                 (QJsonArray{word.toJson(), QJsonObject{{"malay", "a"}, {"english", "b"}}}));
        QCOMPARE(PhraseJson::writeExamples({}), QJsonArray());
    }

    void writtenRecordsReadBack()
    {
        const QList<Phrase::Word> words{{"", ""}, {"a", awkwardText()}};
        const QList<Phrase::Example> examples{{awkwardText(), "", "x"}};
        const QJsonObject object{{"words", PhraseJson::writeWords(words)},
                                 {"usageExamples", PhraseJson::writeExamples(examples)}};
        // Through bytes, as a request body would travel.
        const QJsonObject travelled = QJsonDocument::fromJson(QJsonDocument(object).toJson()).object();
        QList<Phrase::Word> readWords;
        QList<Phrase::Example> readExamples;
        QVERIFY(PhraseJson::readWords(travelled, QLatin1StringView("words"), readWords));
        QVERIFY(PhraseJson::readExamples(travelled, QLatin1StringView("usageExamples"), readExamples));
        QCOMPARE(readWords, words);
        QCOMPARE(readExamples, examples);
    }

    void feedRoundTrip()
    {
        PhraseFeed feed;
        feed.userId = "user-7";
        feed.phrases = {samplePhrase("a"), samplePhrase("b")};
        feed.nextCursor = QString();

        const QJsonObject object = feed.toJson();
        QVERIFY(object.contains("nextCursor")); // present, though empty
        QCOMPARE(object.value("phrases").toArray().at(0).toObject().keys(),
                 (QStringList{"category", "context", "english", "id", "malay", "notes", "usageExamples", "words"}));
        const auto decoded = PhraseFeed::decode(FeedPages::bytes(object));
        QVERIFY(decoded.ok());
        QCOMPARE(decoded.value(), feed);

        feed.nextCursor.reset();
        QVERIFY(!feed.toJson().contains("nextCursor"));
        QCOMPARE(PhraseFeed::decode(FeedPages::bytes(feed.toJson())).value(), feed);
    }

};

QTEST_GUILESS_MAIN(PhraseJsonTest)
#include "tst_phrase_json.moc"
