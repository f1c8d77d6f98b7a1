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
void addRow(const QString &name, bool valid, const Edit &e) { QTest::addRow("%s", qPrintable(name)) << valid << e; }
// Exactly `units` UTF-16 units, ending in an emoji so that a count by characters or bytes shows up.
QString textOfUnits(qsizetype units) { return QString(units - 2, u'a') + u"\U0001F600"_s; }
QByteArray envelope(const QJsonValue &version, const QString &userId, const QJsonValue &phrase)
{
    return QJsonDocument(QJsonObject{{"version"_L1, version}, {"userId"_L1, userId}, {"phrase"_L1, phrase}})
        .toJson(QJsonDocument::Compact);
}
} // namespace

class LookupRecordTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void validity_data()
    {
        QTest::addColumn<bool>("valid");
        QTest::addColumn<Edit>("edit");
        // Lengths count UTF-16 units, untrimmed; blank includes Unicode white space.
        const auto texts = [](const char *name, int limit, auto set) {
            const std::tuple<const char *, QString, bool> cases[] = {
                {"at the limit", textOfUnits(limit), true}, {"one past the limit", textOfUnits(limit + 1), false},
                {"padded past the limit", u" %1 "_s.arg(textOfUnits(limit - 1)), false}, {"empty", QString(), false},
                {"blank", u" \t\u00A0\u3000\u2028\r\n"_s, false}};
            for (const auto &[what, text, valid] : cases)
                addRow(u"%1 %2"_s.arg(QLatin1StringView(name), QLatin1StringView(what)), valid,
                       [set, text = text](LookupPhrase &c) { set(c) = text; });
        };
#define FIELD(f) [](LookupPhrase &c) -> QString & { return c.f; }
        texts("malay", 240, FIELD(malay)), texts("english", 400, FIELD(english));
        texts("context", 800, FIELD(context)), texts("note", 400, FIELD(notes[0]));
        texts("word malay", 80, FIELD(words[1].malay)), texts("word english", 120, FIELD(words[1].english));
        texts("example situation", 10000, FIELD(usageExamples[0].situation));
        texts("related english", 10000, FIELD(relatedPhrases[0].english));
#undef FIELD
        // Register and scenario take one of their known values (listed first), exactly.
        for (const auto &[values, known, set] : {
                 std::tuple(u"casual|polite|formal|Polite| formal|casual |slang"_s, 3,
                            +[](LookupPhrase &c, const QString &v) { c.register_ = v; }),
                 std::tuple(u"hawker|kopitiam|transit|office|errands|signs|general||Hawker|signs "_s, 7,
                            +[](LookupPhrase &c, const QString &v) { c.scenario = v; })}) {
            const QStringList list = values.split(u'|');
            for (qsizetype i = 0; i < list.size(); ++i)
                addRow(u"'%1'"_s.arg(list[i]), i < known, [set = set, v = list[i]](LookupPhrase &c) { set(c, v); });
        }
        addRow(u"no scenario"_s, true, [](LookupPhrase &c) { c.scenario.reset(); });
        // How many items each list may hold.
        const auto counts = [](const char *name, int least, int most, auto &&member) {
            for (const int n : {least - 1, least, most, most + 1})
                if (n >= 0)
                    addRow(u"%1 %2"_s.arg(n).arg(QLatin1StringView(name)), n >= least && n <= most,
                           [member, n](LookupPhrase &c) {
                               c.*member = std::remove_cvref_t<decltype(c.*member)>(n, (c.*member)[0]);
                           });
        };
        counts("examples", 1, 4, &LookupPhrase::usageExamples);
        counts("notes", 1, 6, &LookupPhrase::notes);
        counts("related", 0, 4, &LookupPhrase::relatedPhrases);
        counts("words", 1, 80, &LookupPhrase::words);
    }

    void validity()
    {
        QFETCH(bool, valid);
        QFETCH(Edit, edit);
        LookupPhrase card = sampleCard();
        edit(card);
        QCOMPARE(card.isValid(), valid);
    }

    void decoding()
    {
        const QString me = u"user-17"_s;
        const QJsonObject good = sampleCard().toJson();
        const auto with = [&good](const QString &key, const QJsonValue &value) {
            QJsonObject phrase = good;
            phrase.insert(key, value); // Undefined removes the key
            return phrase;
        };
        LookupPhrase card = sampleCard();
        card.malay = u"  Terima kasih  "_s; // comes back as sent: nothing trimmed
        const auto ok = LookupEnvelope::decode(envelope(1.0, me, card.toJson()), me);
        QVERIFY(ok.ok());
        QCOMPARE(ok.value(), card);
        card.notes.clear();
        const QJsonObject incomplete = card.toJson();

        // The account is checked, exactly, before the version and the card; a
        // shape fault (no error: decoding) comes first even when the account differs.
        const auto invalid = LookupError::invalidResponse(), changed = LookupError::accountChanged();
        QList<std::pair<QByteArray, std::optional<LookupError>>> refused{
            {envelope(2, me, good), invalid}, {envelope(1, me, incomplete), invalid},
            {envelope(1, u"user-18"_s, good), changed}, {envelope(2, u"user-18"_s, incomplete), changed},
            {envelope(1, u"user-17 "_s, good), changed}, {envelope(1, u"x"_s, QJsonValue::Undefined), {}},
            {envelope(1, u"x"_s, QJsonValue::Null), {}}, {envelope(1, u"x"_s, QJsonArray{good}), {}},
            {envelope(1, me, u"card"_s), {}}, {envelope(u"1"_s, me, good), {}}, {envelope(1.5, me, good), {}},
            {envelope(QJsonValue::Null, me, good), {}}, {R"({"version":1,"userId":17,"phrase":{}})", {}}, {"", {}},
            {"<html>Sign in</html>", {}}, {"[1,2]", {}}, {envelope(1, me, good).chopped(1), {}}};
        // In the card, a missing, null or mistyped key is a decoding failure, never a default.
        const QString keys = u"malay|english|register|context|usageExamples|notes|relatedPhrases|words"_s;
        for (const QString &key : keys.split(u'|'))
            for (const QJsonValue &wrong : {QJsonValue(QJsonValue::Undefined), QJsonValue(), QJsonValue(7),
                                            key.endsWith(u's') ? QJsonValue(u"text"_s) : QJsonValue(QJsonArray{1})})
                refused.append({envelope(1, me, with(key, wrong)), {}});
        using O = QJsonObject;
        const std::pair<QString, QJsonValue> wrongInside[] = {
            {u"usageExamples"_s, QJsonArray{O{{"malay"_L1, u"a"_s}, {"english"_L1, u"b"_s}}}}, // no situation
            {u"words"_s, QJsonArray{O{{"malay"_L1, u"a"_s}, {"english"_L1, 3}}}}, {u"notes"_s, QJsonArray{u"ok"_s, 2}},
            {u"words"_s, QJsonArray{u"not an object"_s}}, {u"scenario"_s, 4}, {u"scenario"_s, QJsonArray{u"hawker"_s}}};
        for (const auto &[key, value] : wrongInside)
            refused.append({envelope(1, me, with(key, value)), {}});
        for (const auto &[bytes, error] : refused) {
            const auto result = LookupEnvelope::decode(bytes, me);
            QVERIFY2(!result.ok() && result.error().error == error, bytes.constData());
        }
        // A null scenario is none and is left out when written; an empty one stays (and is invalid).
        QVERIFY(!LookupPhrase::fromJson(with(u"scenario"_s, QJsonValue::Null))->toJson().contains("scenario"_L1));
        QCOMPARE(LookupPhrase::fromJson(with(u"scenario"_s, u""_s))->scenario, std::optional(QString()));
        // Keys the record does not know are ignored at every level.
        O extra = with(u"words"_s, QJsonArray{O{{"malay"_L1, u"boleh"_s}, {"english"_L1, u"can"_s}, {"kind"_L1, 1}}});
        extra.insert("difficulty"_L1, 3);
        const auto words = LookupPhrase::fromJson(extra).value_or(LookupPhrase()).words;
        QCOMPARE(words, (QList<Phrase::Word>{{u"boleh"_s, u"can"_s}}));
    }
};

QTEST_GUILESS_MAIN(LookupRecordTest)
#include "test_lookup_record.moc"
