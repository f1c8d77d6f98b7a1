// The lookup card record: completeness rules, strict JSON reading and the
// envelope's order of checks.
#include "lookup/lookup_phrase.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

LookupPhrase completeCard()
{
    LookupPhrase card;
    card.malay = u"Boleh saya tumpang tanya?"_s;
    card.english = u"May I ask you something?"_s;
    card.register_ = u"polite"_s;
    card.context = u"A courteous way to start a question to a stranger."_s;
    card.usageExamples = {{u"Encik, boleh saya tumpang tanya? Stesen LRT di mana?"_s,
                           u"Sir, may I ask? Where is the LRT station?"_s, u"Asking a passer-by for directions"_s}};
    card.notes = {u"Tumpang literally means to share a ride or lodge with someone."_s};
    card.relatedPhrases = {{u"Maaf, nak tanya sikit."_s, u"Sorry, just a quick question."_s}};
    card.words = {{u"boleh"_s, u"may, can"_s}, {u"tumpang"_s, u"borrow (a favour)"_s}, {u"tanya"_s, u"ask"_s}};
    card.scenario = u"general"_s;
    return card;
}

// A text of exactly `units` UTF-16 units that ends in an emoji outside the
// basic plane, so a mistaken count by characters or bytes shows up.
QString textOfUnits(qsizetype units)
{
    const QString emoji = u"\U0001F600"_s; // two UTF-16 units
    Q_ASSERT(emoji.size() == 2);
    return QString(units - 2, u'a') + emoji;
}

QByteArray envelopeBytes(const QJsonValue &version, const QString &userId, const QJsonValue &phrase)
{
    QJsonObject object{{"version"_L1, version}, {"userId"_L1, userId}, {"phrase"_L1, phrase}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

using Edit = std::function<void(LookupPhrase &, const QString &)>;

} // namespace

Q_DECLARE_METATYPE(Edit)

class LookupRecordTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void textLimits_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<Edit>("edit");
        auto row = [](const char *name, int limit, Edit edit) { QTest::newRow(name) << limit << edit; };
        row("malay", 240, [](LookupPhrase &c, const QString &t) { c.malay = t; });
        row("english", 400, [](LookupPhrase &c, const QString &t) { c.english = t; });
        row("context", 800, [](LookupPhrase &c, const QString &t) { c.context = t; });
        row("note", 400, [](LookupPhrase &c, const QString &t) { c.notes.append(t); });
        row("word malay", 80, [](LookupPhrase &c, const QString &t) { c.words[1].malay = t; });
        row("word english", 120, [](LookupPhrase &c, const QString &t) { c.words[2].english = t; });
        row("example malay", 10000, [](LookupPhrase &c, const QString &t) { c.usageExamples[0].malay = t; });
        row("example situation", 10000,
            [](LookupPhrase &c, const QString &t) { c.usageExamples[0].situation = t; });
        row("related english", 10000,
            [](LookupPhrase &c, const QString &t) { c.relatedPhrases[0].english = t; });
    }

    // Lengths count UTF-16 units: an emoji outside the basic plane counts two.
    void textLimits()
    {
        QFETCH(int, limit);
        QFETCH(Edit, edit);
        const auto validWith = [&edit](const QString &text) {
            LookupPhrase card = completeCard();
            edit(card, text);
            return card.isValid();
        };
        QVERIFY(validWith(textOfUnits(limit)));
        QVERIFY(!validWith(textOfUnits(limit + 1)));
        QVERIFY(!validWith(u" \t\n"_s));
        QVERIFY(!validWith(QString()));
    }
    void blankness()
    {
        LookupPhrase card = completeCard();
        card.malay = u"   "_s;
        QVERIFY(!card.isValid());

        // Unicode white space beyond ASCII is blank too: no-break, ideographic
        // and line separators.
        card.malay = u"\u00A0\u3000\u2028\r\n"_s;
        QVERIFY(!card.isValid());

        // A word with spaces around it is filled, and the spaces count
        // towards its length: 78 letters + 2 spaces fit 80, 79 + 2 do not.
        card = completeCard();
        card.words[0].malay = u" "_s + QString(78, u'a') + u" "_s;
        QVERIFY(card.isValid());
        card.words[0].malay = u" "_s + QString(79, u'a') + u" "_s;
        QVERIFY(!card.isValid());

        // The check does not trim: the card keeps its padded text.
        card = completeCard();
        card.malay = u" terima kasih "_s;
        QVERIFY(card.isValid());
    }

    void registerIsExact_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("valid");
        for (const char *name : {"casual", "polite", "formal"})
            QTest::newRow(name) << QString::fromLatin1(name) << true;
        QTest::newRow("capitalised") << u"Polite"_s << false;
        QTest::newRow("leading space") << u" formal"_s << false;
        QTest::newRow("trailing space") << u"casual "_s << false;
        QTest::newRow("unknown") << u"slang"_s << false;
    }

    void registerIsExact()
    {
        QFETCH(QString, value);
        QFETCH(bool, valid);
        LookupPhrase card = completeCard();
        card.register_ = value;
        QCOMPARE(card.isValid(), valid);
    }

    void listCounts_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("valid");
        QTest::newRow("no examples") << u"examples"_s << 0 << false;
        QTest::newRow("4 examples") << u"examples"_s << 4 << true;
        QTest::newRow("5 examples") << u"examples"_s << 5 << false;
        QTest::newRow("no notes") << u"notes"_s << 0 << false;
        QTest::newRow("6 notes") << u"notes"_s << 6 << true;
        QTest::newRow("7 notes") << u"notes"_s << 7 << false;
        QTest::newRow("4 related") << u"related"_s << 4 << true;
        QTest::newRow("5 related") << u"related"_s << 5 << false;
        QTest::newRow("no words") << u"words"_s << 0 << false;
        QTest::newRow("80 words") << u"words"_s << 80 << true;
        QTest::newRow("81 words") << u"words"_s << 81 << false;
    }

    void listCounts()
    {
        QFETCH(QString, list);
        QFETCH(int, count);
        QFETCH(bool, valid);
        LookupPhrase card = completeCard();
        const auto fill = [count](auto &items) {
            const auto first = items.first();
            items.clear();
            for (int i = 0; i < count; ++i)
                items.append(first);
        };
        if (list == "examples"_L1)
            fill(card.usageExamples);
        else if (list == "notes"_L1)
            fill(card.notes);
        else if (list == "related"_L1)
            fill(card.relatedPhrases);
        else
            fill(card.words);
        QCOMPARE(card.isValid(), valid);
    }

    void scenario_data()
    {
        QTest::addColumn<std::optional<QString>>("scenario");
        QTest::addColumn<bool>("valid");
        QTest::newRow("absent") << std::optional<QString>() << true;
        for (const char *name : {"hawker", "kopitiam", "transit", "office", "errands", "signs", "general"})
            QTest::newRow(name) << std::optional<QString>(QString::fromLatin1(name)) << true;
        QTest::newRow("empty") << std::optional<QString>(QString()) << false;
        QTest::newRow("unknown") << std::optional<QString>(u"airport"_s) << false;
        QTest::newRow("capitalised") << std::optional<QString>(u"Hawker"_s) << false;
        QTest::newRow("padded") << std::optional<QString>(u"signs "_s) << false;
    }

    void scenario()
    {
        QFETCH(std::optional<QString>, scenario);
        QFETCH(bool, valid);
        LookupPhrase card = completeCard();
        card.scenario = scenario;
        QCOMPARE(card.isValid(), valid);
    }

    void roundTrip()
    {
        LookupPhrase card = completeCard();
        QCOMPARE(LookupPhrase::fromJson(card.toJson()), card);
        card.scenario.reset();
        QVERIFY2(!card.toJson().contains("scenario"_L1), "an absent scenario is omitted, not null");
        QCOMPARE(LookupPhrase::fromJson(card.toJson()), card);
        // Through bytes as well, with text the JSON writer must escape.
        card.notes = {u"Quote \" backslash \\ tab \t emoji \U0001F35C"_s};
        const QByteArray bytes = QJsonDocument(card.toJson()).toJson();
        QCOMPARE(LookupPhrase::fromJson(QJsonDocument::fromJson(bytes).object()), card);
    }

    void strictDecoding_data()
    {
        QTest::addColumn<QString>("key");
        for (const char *key : {"malay", "english", "register", "context", "usageExamples", "notes",
                                "relatedPhrases", "words"})
            QTest::newRow(key) << QString::fromLatin1(key);
    }

    // A missing, null or mistyped required key is a decoding failure, never a default.
    void strictDecoding()
    {
        QFETCH(QString, key);
        QJsonObject object = completeCard().toJson();

        const bool isList = key == "usageExamples"_L1 || key == "notes"_L1 || key == "relatedPhrases"_L1
            || key == "words"_L1;
        object.remove(key);
        QVERIFY(!LookupPhrase::fromJson(object));
        for (const QJsonValue &wrong : {QJsonValue(QJsonValue::Null), QJsonValue(7),
                                        isList ? QJsonValue(u"text"_s) : QJsonValue(QJsonArray{u"text"_s})}) {
            object.insert(key, wrong);
            QVERIFY(!LookupPhrase::fromJson(object));
        }
    }

    void nestedDecoding()
    {
        const QJsonObject card = completeCard().toJson();
        const auto withList = [&card](const char *key, const QJsonArray &list) {
            QJsonObject object = card;
            object.insert(QLatin1StringView(key), list);
            return LookupPhrase::fromJson(object);
        };

        QVERIFY(!withList("usageExamples", {QJsonObject{{"malay"_L1, u"a"_s}, {"english"_L1, u"b"_s}}}));
        QVERIFY(!withList("relatedPhrases", {QJsonObject{{"malay"_L1, u"a"_s}}}));
        QVERIFY(!withList("relatedPhrases", {QJsonObject{{"malay"_L1, u"a"_s}, {"english"_L1, QJsonValue()}}}));
        QVERIFY(!withList("words", {QJsonObject{{"malay"_L1, u"a"_s}, {"english"_L1, 3}}}));
        QVERIFY(!withList("notes", {u"fine"_s, 2}));
        QVERIFY(!withList("words", {u"not an object"_s}));

        // Keys the record does not know are ignored at every level.
        QJsonObject extra = card;
        extra.insert("difficulty"_L1, 3);
        extra.insert("words"_L1, QJsonArray{QJsonObject{{"malay"_L1, u"boleh"_s}, {"english"_L1, u"can"_s},
                                                        {"partOfSpeech"_L1, u"verb"_s}}});
        const std::optional<LookupPhrase> decoded = LookupPhrase::fromJson(extra);
        QVERIFY(decoded);
        QCOMPARE(decoded->words, (QList<Phrase::Word>{{u"boleh"_s, u"can"_s}}));

        QVERIFY(!LookupPhrase::fromJson(QJsonArray{card}));
        QVERIFY(!LookupPhrase::fromJson(QJsonValue(u"card"_s)));
    }

    void scenarioDecoding()
    {
        QJsonObject object = completeCard().toJson();
        object.remove("scenario"_L1);
        QCOMPARE(LookupPhrase::fromJson(object)->scenario, std::nullopt);
        object.insert("scenario"_L1, QJsonValue::Null);
        QCOMPARE(LookupPhrase::fromJson(object)->scenario, std::nullopt);
        // An empty scenario decodes as present and empty (and is then invalid).
        object.insert("scenario"_L1, u""_s);
        const std::optional<LookupPhrase> empty = LookupPhrase::fromJson(object);
        QVERIFY(empty && empty->scenario == QString());
        QVERIFY(!empty->isValid());
        for (const QJsonValue &wrong : {QJsonValue(4), QJsonValue(QJsonArray{u"hawker"_s})}) {
            object.insert("scenario"_L1, wrong);
            QVERIFY(!LookupPhrase::fromJson(object));
        }
    }

    void envelopeDecode()
    {
        const QString me = u"user-17"_s;
        const QJsonObject good = completeCard().toJson();
        LookupPhrase incompleteCard = completeCard();
        incompleteCard.notes.clear();
        const QJsonObject incomplete = incompleteCard.toJson();

        const auto decoding = [](const Result<LookupPhrase, LookupEnvelope::Failure> &result) {
            return !result.ok() && result.error().isDecoding();
        };

        const auto ok = LookupEnvelope::decode(envelopeBytes(1, me, good), me);
        QVERIFY(ok.ok());
        QCOMPARE(ok.value(), completeCard());

        // The account is checked, exactly, before the version and the card.
        const QList<std::tuple<QByteArray, LookupError>> refused{
            {envelopeBytes(2, me, good), LookupError::invalidResponse()},
            {envelopeBytes(1, me, incomplete), LookupError::invalidResponse()},
            {envelopeBytes(1, u"user-18"_s, good), LookupError::accountChanged()},
            {envelopeBytes(2, u"user-18"_s, incomplete), LookupError::accountChanged()},
            {envelopeBytes(1, u"user-17 "_s, good), LookupError::accountChanged()}};
        for (const auto &[bytes, error] : refused) {
            const auto result = LookupEnvelope::decode(bytes, me);
            QVERIFY2(!result.ok() && result.error().error == error, bytes.constData());
        }

        // A shape fault is a decoding failure even when the account differs.
        QJsonObject noPhrase{{"version"_L1, 1}, {"userId"_L1, u"user-18"_s}};
        for (const QByteArray &bytes :
             {QJsonDocument(noPhrase).toJson(), envelopeBytes(1, me, QJsonValue::Null), envelopeBytes(u"1"_s, me, good),
              envelopeBytes(1.5, me, good), envelopeBytes(QJsonValue::Null, me, good),
              QByteArray(R"({"version":1,"userId":17,"phrase":{}})"), QByteArray(), QByteArray("<html>Sign in</html>"),
              QByteArray("[1,2]"), envelopeBytes(1, me, good).chopped(1)})
            QVERIFY2(decoding(LookupEnvelope::decode(bytes, me)), bytes.constData());

        // A whole-number version written with a fraction reads as that number.
        QVERIFY(LookupEnvelope::decode(envelopeBytes(1.0, me, good), me).ok());

        // The card comes back as sent: nothing trimmed or dropped.
        LookupPhrase padded = completeCard();
        padded.malay = u"  Terima kasih  "_s;
        const auto kept = LookupEnvelope::decode(envelopeBytes(1, me, padded.toJson()), me);
        QVERIFY(kept.ok());
        QCOMPARE(kept.value().malay, padded.malay);
    }
};

QTEST_GUILESS_MAIN(LookupRecordTest)
#include "test_lookup_record.moc"
