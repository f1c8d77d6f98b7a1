// The lookup card record: completeness rules, strict JSON reading and the
// envelope's order of checks.
#include "lookup/lookup_phrase.h"
#include "lookup/model/sample_card.h"

#include <QJsonArray>
#include <QTest>
#include <functional>

using namespace Qt::StringLiterals;

using Edit = std::function<void(LookupPhrase &)>;
Q_DECLARE_METATYPE(Edit)

namespace {

// Exactly `units` UTF-16 units ending in an emoji outside the basic plane, so
// that a count by characters or bytes shows up.
QString textOfUnits(qsizetype units) { return QString(units - 2, u'a') + u"\U0001F600"_s; }

QByteArray envelopeBytes(const QJsonValue &version, const QString &userId, const QJsonValue &phrase)
{
    return QJsonDocument(QJsonObject{{"version"_L1, version}, {"userId"_L1, userId}, {"phrase"_L1, phrase}})
        .toJson(QJsonDocument::Compact);
}

} // namespace

class LookupRecordTest : public QObject {
    Q_OBJECT

    void addRow(const QString &name, bool valid, const Edit &edit)
    {
        QTest::addRow("%s", qPrintable(name)) << valid << edit;
    }

private Q_SLOTS:
    void validity_data()
    {
        QTest::addColumn<bool>("valid");
        QTest::addColumn<Edit>("edit");
        using Set = std::function<void(LookupPhrase &, const QString &)>;
        const std::tuple<const char *, int, Set> texts[] = {
            {"malay", 240, [](LookupPhrase &c, const QString &t) { c.malay = t; }},
            {"english", 400, [](LookupPhrase &c, const QString &t) { c.english = t; }},
            {"context", 800, [](LookupPhrase &c, const QString &t) { c.context = t; }},
            {"note", 400, [](LookupPhrase &c, const QString &t) { c.notes.append(t); }},
            {"word malay", 80, [](LookupPhrase &c, const QString &t) { c.words[1].malay = t; }},
            {"word english", 120, [](LookupPhrase &c, const QString &t) { c.words[1].english = t; }},
            {"example malay", 10000, [](LookupPhrase &c, const QString &t) { c.usageExamples[0].malay = t; }},
            {"example situation", 10000, [](LookupPhrase &c, const QString &t) { c.usageExamples[0].situation = t; }},
            {"related english", 10000, [](LookupPhrase &c, const QString &t) { c.relatedPhrases[0].english = t; }}};
        // Lengths count UTF-16 units, untrimmed; blank includes Unicode white space.
        for (const auto &[name, limit, set] : texts) {
            const auto row = [&, set = set](const char *what, bool valid, const QString &text) {
                addRow(u"%1 %2"_s.arg(QLatin1StringView(name), QLatin1StringView(what)), valid,
                       [set, text](LookupPhrase &c) { set(c, text); });
            };
            row("at the limit", true, textOfUnits(limit));
            row("one past the limit", false, textOfUnits(limit + 1));
            row("padded to the limit", true, u" "_s + textOfUnits(limit - 2) + u" "_s);
            row("padded past the limit", false, u" "_s + textOfUnits(limit - 1) + u" "_s);
            row("empty", false, QString());
            row("blank", false, u" \t\u00A0\u3000\u2028\r\n"_s);
        }
        for (const char *value : {"casual", "polite", "formal"})
            addRow(u"register "_s + QLatin1StringView(value), true,
                   [value](LookupPhrase &c) { c.register_ = QString::fromLatin1(value); });
        for (const QString &value : {u"Polite"_s, u" formal"_s, u"casual "_s, u"slang"_s})
            addRow(u"register '%1'"_s.arg(value), false, [value](LookupPhrase &c) { c.register_ = value; });
        addRow(u"no scenario"_s, true, [](LookupPhrase &c) { c.scenario.reset(); });
        for (const char *value : {"hawker", "kopitiam", "transit", "office", "errands", "signs", "general"})
            addRow(u"scenario "_s + QLatin1StringView(value), true,
                   [value](LookupPhrase &c) { c.scenario = QString::fromLatin1(value); });
        for (const QString &value : {QString(), u"airport"_s, u"Hawker"_s, u"signs "_s})
            addRow(u"scenario '%1'"_s.arg(value), false, [value](LookupPhrase &c) { c.scenario = value; });
        // How many items each list may hold.
        const auto counts = [this](const char *name, int least, int most, auto resize) {
            for (const int count : {least - 1, least, most, most + 1})
                if (count >= 0)
                    addRow(u"%1 %2"_s.arg(count).arg(QLatin1StringView(name)), count >= least && count <= most,
                           [resize, count](LookupPhrase &c) { resize(c, count); });
        };
        const auto fill = [](auto &items, int count) { items = std::remove_cvref_t<decltype(items)>(count, items.first()); };
        counts("examples", 1, 4, [fill](LookupPhrase &c, int n) { fill(c.usageExamples, n); });
        counts("notes", 1, 6, [fill](LookupPhrase &c, int n) { fill(c.notes, n); });
        counts("related", 0, 4, [fill](LookupPhrase &c, int n) { fill(c.relatedPhrases, n); });
        counts("words", 1, 80, [fill](LookupPhrase &c, int n) { fill(c.words, n); });
    }

    void validity()
    {
        QFETCH(bool, valid);
        QFETCH(Edit, edit);
        LookupPhrase card = sampleCard();
        QVERIFY(card.isValid());
        edit(card);
        QCOMPARE(card.isValid(), valid);
    }

    void roundTrip()
    {
        LookupPhrase card = sampleCard();
        QCOMPARE(LookupPhrase::fromJson(card.toJson()), card);
        card.scenario.reset();
        QVERIFY2(!card.toJson().contains("scenario"_L1), "an absent scenario is omitted, not null");
        // Through bytes as well, with text the JSON writer must escape.
        card.notes = {u"Quote \" backslash \\ tab \t emoji \U0001F35C"_s};
        const QByteArray bytes = QJsonDocument(card.toJson()).toJson();
        QCOMPARE(LookupPhrase::fromJson(QJsonDocument::fromJson(bytes).object()), card);
    }

    // A missing, null or mistyped key is a decoding failure, never a default.
    void strictDecoding()
    {
        const QJsonObject card = sampleCard().toJson();
        const auto decodes = [&card](const QString &key, const QJsonValue &value) {
            QJsonObject object = card;
            object.insert(key, value); // Undefined removes the key
            return LookupPhrase::fromJson(object).has_value();
        };
        for (const char *key :
             {"malay", "english", "register", "context", "usageExamples", "notes", "relatedPhrases", "words"}) {
            const bool isList = QByteArrayView(key).endsWith("s");
            for (const QJsonValue &wrong : {QJsonValue(QJsonValue::Undefined), QJsonValue(QJsonValue::Null),
                                            QJsonValue(7), isList ? QJsonValue(u"text"_s) : QJsonValue(QJsonArray{u"text"_s})})
                QVERIFY2(!decodes(QString::fromLatin1(key), wrong), key);
        }
        const auto list = [](std::initializer_list<QPair<QString, QJsonValue>> fields) {
            QJsonObject item;
            for (const auto &[name, value] : fields)
                item.insert(name, value);
            return QJsonArray{item};
        };
        QVERIFY(!decodes(u"usageExamples"_s, list({{u"malay"_s, u"a"_s}, {u"english"_s, u"b"_s}})));
        QVERIFY(!decodes(u"relatedPhrases"_s, list({{u"malay"_s, u"a"_s}})));
        QVERIFY(!decodes(u"relatedPhrases"_s, list({{u"malay"_s, u"a"_s}, {u"english"_s, QJsonValue()}})));
        QVERIFY(!decodes(u"words"_s, list({{u"malay"_s, u"a"_s}, {u"english"_s, 3}})));
        QVERIFY(!decodes(u"notes"_s, QJsonArray{u"fine"_s, 2}));
        QVERIFY(!decodes(u"words"_s, QJsonArray{u"not an object"_s}));
        QVERIFY(!decodes(u"scenario"_s, 4));
        QVERIFY(!decodes(u"scenario"_s, QJsonArray{u"hawker"_s}));
        QVERIFY(!LookupPhrase::fromJson(QJsonArray{card}));
        QVERIFY(!LookupPhrase::fromJson(QJsonValue(u"card"_s)));

        // An absent or null scenario is no scenario; an empty one stays (and is invalid).
        for (const QJsonValue &none : {QJsonValue(QJsonValue::Undefined), QJsonValue(QJsonValue::Null)}) {
            QJsonObject object = card;
            object.insert("scenario"_L1, none);
            QCOMPARE(LookupPhrase::fromJson(object)->scenario, std::nullopt);
        }
        QJsonObject object = card;
        object.insert("scenario"_L1, u""_s);
        QCOMPARE(LookupPhrase::fromJson(object)->scenario, std::optional(QString()));

        // Keys the record does not know are ignored at every level.
        object = card;
        object.insert("difficulty"_L1, 3);
        object.insert("words"_L1,
                      list({{u"malay"_s, u"boleh"_s}, {u"english"_s, u"can"_s}, {u"partOfSpeech"_s, u"verb"_s}}));
        const std::optional<LookupPhrase> decoded = LookupPhrase::fromJson(object);
        QVERIFY(decoded);
        QCOMPARE(decoded->words, (QList<Phrase::Word>{{u"boleh"_s, u"can"_s}}));
    }

    void envelopeDecode()
    {
        const QString me = u"user-17"_s;
        const QJsonObject good = sampleCard().toJson();
        LookupPhrase incompleteCard = sampleCard();
        incompleteCard.notes.clear();
        const QJsonObject incomplete = incompleteCard.toJson();

        LookupPhrase padded = sampleCard(); // comes back as sent: nothing trimmed
        padded.malay = u"  Terima kasih  "_s;
        const auto ok = LookupEnvelope::decode(envelopeBytes(1.0, me, padded.toJson()), me);
        QVERIFY(ok.ok());
        QCOMPARE(ok.value(), padded);

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
        const QJsonObject noPhrase{{"version"_L1, 1}, {"userId"_L1, u"user-18"_s}};
        for (const QByteArray &bytes :
             {QJsonDocument(noPhrase).toJson(), envelopeBytes(1, me, QJsonValue::Null), envelopeBytes(u"1"_s, me, good),
              envelopeBytes(1.5, me, good), envelopeBytes(QJsonValue::Null, me, good),
              QByteArray(R"({"version":1,"userId":17,"phrase":{}})"), QByteArray(), QByteArray("<html>Sign in</html>"),
              QByteArray("[1,2]"), envelopeBytes(1, me, good).chopped(1)}) {
            const auto result = LookupEnvelope::decode(bytes, me);
            QVERIFY2(!result.ok() && result.error().isDecoding(), bytes.constData());
        }
    }
};

QTEST_GUILESS_MAIN(LookupRecordTest)
#include "test_lookup_record.moc"
