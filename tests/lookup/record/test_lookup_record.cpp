// The lookup card record: completeness rules, strict JSON reading and the envelope's order of checks.
#include "lookup/lookup_phrase.h"
#include "lookup/model/sample_card.h"

#include <QJsonArray>
#include <QTest>
#include <functional>

using namespace Qt::StringLiterals;
using Edit = std::function<void(LookupPhrase &)>;
Q_DECLARE_METATYPE(Edit)

namespace {

// Exactly `units` UTF-16 units, ending in an emoji so that a count by characters or bytes shows up.
QString textOfUnits(qsizetype units)
{
    return QString(units - 2, u'a') + u"\U0001F600"_s;
}

// Rows for one text field: lengths count UTF-16 units, untrimmed; blank includes Unicode white space.
void addTextRows(const char *field, int limit, const std::function<QString &(LookupPhrase &)> &text)
{
    const auto set = [text](const QString &value) { return Edit([text, value](LookupPhrase &c) { text(c) = value; }); };
    QTest::addRow("%s at the limit", field) << true << set(textOfUnits(limit));
    QTest::addRow("%s one past the limit", field) << false << set(textOfUnits(limit + 1));
    QTest::addRow("%s padded past the limit", field) << false << set(u" %1 "_s.arg(textOfUnits(limit - 1)));
    QTest::addRow("%s empty", field) << false << set(QString());
    QTest::addRow("%s blank", field) << false << set(u" \t\u00A0\u3000\u2028\r\n"_s);
}

// Rows for one list: one below the least (when there is one), the least, the most, one past the most.
template <typename List> void addCountRows(const char *list, int least, int most, List LookupPhrase::*member)
{
    const auto resize = [member](int n) {
        return Edit([member, n](LookupPhrase &c) { c.*member = List(n, (c.*member).at(0)); });
    };
    if (least > 0)
        QTest::addRow("%d %s", least - 1, list) << false << resize(least - 1);
    QTest::addRow("%d %s", least, list) << true << resize(least);
    QTest::addRow("%d %s", most, list) << true << resize(most);
    QTest::addRow("%d %s", most + 1, list) << false << resize(most + 1);
}

Edit setRegister(const QString &value)
{
    return [value](LookupPhrase &c) { c.register_ = value; };
}

Edit setScenario(const QString &value)
{
    return [value](LookupPhrase &c) { c.scenario = value; };
}

QByteArray envelope(const QJsonValue &version, const QString &userID, const QJsonValue &phrase)
{
    const QJsonObject object{{"version"_L1, version}, {"userId"_L1, userID}, {"phrase"_L1, phrase}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// The sample card as JSON with `key` set to `value`; an undefined value removes the key.
QJsonObject cardWith(const QString &key, const QJsonValue &value)
{
    QJsonObject phrase = sampleCard().toJson();
    phrase.insert(key, value);
    return phrase;
}

const QString me = u"user-17"_s;
const QString decodingFailure = u"decoding failure"_s;
const QString invalidResponse = u"invalid response"_s;
const QString accountChanged = u"account changed"_s;

QString outcomeOf(const QByteArray &bytes)
{
    const auto result = LookupEnvelope::decode(bytes, me);
    if (result.ok())
        return u"accepted"_s;
    const std::optional<LookupError> error = result.error().error;
    if (!error)
        return decodingFailure;
    if (*error == LookupError::invalidResponse())
        return invalidResponse;
    if (*error == LookupError::accountChanged())
        return accountChanged;
    return u"another lookup error: "_s + error->description();
}

} // namespace

class LookupRecordTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void validity_data()
    {
        QTest::addColumn<bool>("valid");
        QTest::addColumn<Edit>("edit");
        addTextRows("malay", 240, [](LookupPhrase &c) -> QString & { return c.malay; });
        addTextRows("english", 400, [](LookupPhrase &c) -> QString & { return c.english; });
        addTextRows("context", 800, [](LookupPhrase &c) -> QString & { return c.context; });
        addTextRows("note", 400, [](LookupPhrase &c) -> QString & { return c.notes[0]; });
        addTextRows("word malay", 80, [](LookupPhrase &c) -> QString & { return c.words[1].malay; });
        addTextRows("word english", 120, [](LookupPhrase &c) -> QString & { return c.words[1].english; });
        addTextRows("example situation", 10000,
                    [](LookupPhrase &c) -> QString & { return c.usageExamples[0].situation; });
        addTextRows("related english", 10000, [](LookupPhrase &c) -> QString & { return c.relatedPhrases[0].english; });

        // Register and scenario take one of their known values, exactly: not another case, not padded.
        QTest::newRow("register Polite") << false << setRegister(u"Polite"_s);
        QTest::newRow("register 'casual '") << false << setRegister(u"casual "_s);
        QTest::newRow("scenario empty") << false << setScenario(u""_s);
        QTest::newRow("scenario Hawker") << false << setScenario(u"Hawker"_s);
        QTest::newRow("no scenario") << true << Edit([](LookupPhrase &c) { c.scenario.reset(); });

        // How many items each list may hold.
        addCountRows("examples", 1, 4, &LookupPhrase::usageExamples);
        addCountRows("notes", 1, 6, &LookupPhrase::notes);
        addCountRows("related", 0, 4, &LookupPhrase::relatedPhrases);
        addCountRows("words", 1, 80, &LookupPhrase::words);
    }

    void validity()
    {
        QFETCH(bool, valid);
        QFETCH(Edit, edit);
        LookupPhrase card = sampleCard();
        edit(card);
        QCOMPARE(card.isValid(), valid);
    }

    // A card comes back as sent: nothing trimmed.
    void cardDecodesAsSent()
    {
        LookupPhrase card = sampleCard();
        card.malay = u"  Terima kasih  "_s;
        const auto decoded = LookupEnvelope::decode(envelope(1.0, me, card.toJson()), me);
        QVERIFY(decoded.ok());
        QCOMPARE(decoded.value().malay, card.malay);
        QVERIFY(decoded.value() == card);
    }

    // The account is checked, exactly, before the version and the card; a shape fault (a decoding
    // failure) comes first even when the account differs.
    void refusedEnvelope_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("outcome");
        const QJsonObject good = sampleCard().toJson();
        LookupPhrase noNotes = sampleCard();
        noNotes.notes.clear();
        const QJsonObject incomplete = noNotes.toJson();

        QTest::newRow("version 2") << envelope(2, me, good) << invalidResponse;
        QTest::newRow("incomplete card") << envelope(1, me, incomplete) << invalidResponse;
        QTest::newRow("another account") << envelope(1, u"user-18"_s, good) << accountChanged;
        QTest::newRow("another account, version 2, incomplete")
            << envelope(2, u"user-18"_s, incomplete) << accountChanged;
        QTest::newRow("account with a trailing space") << envelope(1, u"user-17 "_s, good) << accountChanged;
        QTest::newRow("another account, no card") << envelope(1, u"x"_s, QJsonValue::Undefined) << decodingFailure;
        QTest::newRow("card as text") << envelope(1, me, u"card"_s) << decodingFailure;
        QTest::newRow("version as text") << envelope(u"1"_s, me, good) << decodingFailure;
        QTest::newRow("version 1.5") << envelope(1.5, me, good) << decodingFailure;
        QTest::newRow("account a number") << R"({"version":1,"userId":17,"phrase":{}})"_ba << decodingFailure;
        QTest::newRow("a sign-in page") << "<html>Sign in</html>"_ba << decodingFailure;
        QTest::newRow("cut short") << envelope(1, me, good).chopped(1) << decodingFailure;

        // In the card, a missing, null or mistyped key is a decoding failure, never a default.
        const char *keys[] = {"malay",         "english", "register",       "context",
                              "usageExamples", "notes",   "relatedPhrases", "words"};
        for (const char *key : keys) {
            const QString name = QString::fromLatin1(key);
            const bool isList = name.endsWith(u's');
            const QJsonValue mistyped = isList ? QJsonValue(u"text"_s) : QJsonValue(QJsonArray{1});
            QTest::addRow("%s missing", key)
                << envelope(1, me, cardWith(name, QJsonValue::Undefined)) << decodingFailure;
            QTest::addRow("%s null", key) << envelope(1, me, cardWith(name, QJsonValue::Null)) << decodingFailure;
            QTest::addRow("%s a number", key) << envelope(1, me, cardWith(name, 7)) << decodingFailure;
            QTest::addRow("%s mistyped", key) << envelope(1, me, cardWith(name, mistyped)) << decodingFailure;
        }

        using O = QJsonObject;
        const QJsonArray exampleWithoutSituation{O{{"malay"_L1, u"a"_s}, {"english"_L1, u"b"_s}}};
        const QJsonArray wordWithNumber{O{{"malay"_L1, u"a"_s}, {"english"_L1, 3}}};
        QTest::newRow("example without situation")
            << envelope(1, me, cardWith(u"usageExamples"_s, exampleWithoutSituation)) << decodingFailure;
        QTest::newRow("word english a number")
            << envelope(1, me, cardWith(u"words"_s, wordWithNumber)) << decodingFailure;
        QTest::newRow("note a number") << envelope(1, me, cardWith(u"notes"_s, QJsonArray{u"ok"_s, 2}))
                                       << decodingFailure;
        QTest::newRow("scenario a number") << envelope(1, me, cardWith(u"scenario"_s, 4)) << decodingFailure;
    }

    void refusedEnvelope()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, outcome);
        QCOMPARE(outcomeOf(bytes), outcome);
    }

    // A null scenario is none and is left out when written.
    void nullScenarioIsNone()
    {
        const std::optional<LookupPhrase> card = LookupPhrase::fromJson(cardWith(u"scenario"_s, QJsonValue::Null));
        QVERIFY(card);
        QCOMPARE(card->scenario.has_value(), false);
        QCOMPARE(card->toJson().contains("scenario"_L1), false);
    }

    // Keys the record does not know are ignored at every level.
    void unknownKeysAreIgnored()
    {
        using O = QJsonObject;
        const QJsonArray words{O{{"malay"_L1, u"boleh"_s}, {"english"_L1, u"can"_s}, {"kind"_L1, 1}}};
        QJsonObject extra = cardWith(u"words"_s, words);
        extra.insert("difficulty"_L1, 3);
        const std::optional<LookupPhrase> card = LookupPhrase::fromJson(extra);
        QVERIFY(card);
        QCOMPARE(card->words.size(), 1);
        QCOMPARE(card->words.at(0).malay, u"boleh"_s);
        QCOMPARE(card->words.at(0).english, u"can"_s);
    }
};

QTEST_GUILESS_MAIN(LookupRecordTest)
#include "test_lookup_record.moc"
