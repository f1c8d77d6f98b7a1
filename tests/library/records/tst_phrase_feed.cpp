#include "library/phrase_feed.h"
#include "library/text_length.h"

#include <QJsonDocument>
#include <QTest>
#include <QTextBoundaryFinder>

using Error = PhraseFeed::Error;
using Outcome = std::optional<Error>;

Q_DECLARE_METATYPE(PhraseFeed::Error)

namespace QTest {
template <> char *toString(const Outcome &error)
{
    return qstrdup(!error ? "accepted" : *error == Error::decoding ? "decoding failure" : "invalid response");
}
} // namespace QTest

namespace {

const Outcome ok, decoding = Error::decoding, invalid = Error::invalidResponse;

QJsonObject phrase(const QString &id)
{
    return {{"id", id}, {"malay", "Terima kasih"}, {"english", "Thank you"}, {"category", "Greetings"},
            {"context", "To anyone who helps."}, {"notes", QJsonArray{"Polite."}},
            {"words", QJsonArray{QJsonObject{{"malay", "kasih"}, {"english", "love"}}}},
            {"usageExamples", QJsonArray{QJsonObject{{"malay", "Terima kasih, cikgu."}, {"english", "Thanks, teacher."},
                                                     {"situation", "At school"}}}}};
}

QJsonObject page(int count)
{
    QJsonArray array;
    for (int i = 0; i < count; ++i)
        array.append(phrase(QStringLiteral("p%1").arg(i)));
    return {{"version", 1}, {"userId", "user-1"}, {"phrases", array}};
}

QByteArray bytes(const QJsonObject &object) { return QJsonDocument(object).toJson(QJsonDocument::Compact); }

// A page of `count` phrases with `key` set to `value` (undefined: removed) in the page or phrase `index`.
QByteArray with(const QString &key, const QJsonValue &value, int index = -1, int count = 2)
{
    QJsonObject object = page(count);
    QJsonArray array = object.value("phrases").toArray();
    QJsonObject target = index < 0 ? object : array.at(index).toObject();
    value.isUndefined() ? void(target.remove(key)) : void(target.insert(key, value));
    if (index < 0)
        return bytes(target);
    array.replace(index, target);
    object.insert("phrases", array);
    return bytes(object);
}

// "é" written as e + combining acute: one user-perceived character, two code units.
QString combined(int count) { return QStringLiteral("e\u0301").repeated(count); }

QJsonArray words(int count)
{
    const QByteArray word = R"({"malay":"kata","english":"word"},)";
    return QJsonDocument::fromJson("[" + word.repeated(count).chopped(1) + "]").array();
}

// Text that JSON must escape or carry through untouched.
const QString awkwardText = QStringLiteral("  \"quoted\" back\\slash /slash\b\f\n\r\t ") + QChar(0)
                          + QString::fromUtf8(" é e\u0301 🇲🇾 “ ” … ’ · \u2028\n");

// A page written out by hand, around one phrase given as raw JSON text.
QByteArray rawPage(const QByteArray &phrase, const QByteArray &extra = {})
{
    return R"({"version":1,"userId":"u","phrases":[)" + phrase + "]" + extra + "}";
}

QByteArray rawPhrase(const QByteArray &malay = R"("m")", const QByteArray &extra = {})
{
    return R"({"id":"a","malay":)" + malay
         + R"(,"english":"e","category":"","context":"","words":[],"notes":[],"usageExamples":[])" + extra + "}";
}

struct Row {
    const char *name;
    QByteArray body;
    Outcome expected;
};

void rows(std::initializer_list<Row> rows)
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<Outcome>("expected");
    for (const Row &row : rows)
        QTest::newRow(row.name) << row.body << row.expected;
}

void checkOutcome()
{
    QFETCH(QByteArray, body);
    QFETCH(Outcome, expected);
    const auto result = PhraseFeed::decode(body);
    QCOMPARE(result ? std::nullopt : Outcome(result.error()), expected);
}

// The count by Qt's full implementation of the extended grapheme cluster rules.
qsizetype referenceGraphemes(const QString &text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

} // namespace

class PhraseFeedTest : public QObject {
    Q_OBJECT

private slots:
    // Decoded field by field; written out and read back unchanged, escapes and empty texts included.
    void feedReadsAsSentAndWrittenBack()
    {
        const auto sent = PhraseFeed::decode(bytes(page(1)));
        QVERIFY(sent.ok());
        QCOMPARE(sent.value().phrases.at(0),
                 (Phrase{"p0", "Terima kasih", "Thank you", "Greetings", "To anyone who helps.", {{"kasih", "love"}},
                         {"Polite."}, {{"Terima kasih, cikgu.", "Thanks, teacher.", "At school"}}}));
        const PhraseFeed feed{1, "user-7", {Phrase{"a", awkwardText, "e", "", awkwardText, {{"", awkwardText}},
                                                   {"", awkwardText}, {{awkwardText, "", "x"}}}},
                              QString()}; // an empty cursor, which is not the same as none
        QCOMPARE(PhraseFeed::decode(bytes(feed.toJson())).value(), feed);
        QCOMPARE(PhraseFeed::decode(with("nextCursor", QJsonValue::Null)).value().nextCursor, std::nullopt);
    }

    // Decoding failure: the wrong shape. Invalid response: the right shape breaking a rule.
    void rules_data()
    {
        const QJsonValue missing(QJsonValue::Undefined), null(QJsonValue::Null);
        // The shape is checked for the whole page before any rule.
        QJsonObject tooLong = phrase("a"), incomplete = phrase("b");
        tooLong.insert("malay", QString(301, u'a'));
        incomplete.remove("notes");
        rows({{"version 2", with("version", 2), invalid}, {"version missing", with("version", missing), decoding},
              {"version beyond 32 bits", R"({"version":4294967297,"userId":"u","phrases":[]})", invalid},
              {"version as text", with("version", "1"), decoding}, {"version 1.5", with("version", 1.5), decoding},
              {"version 1.0", R"({"version":1.0,"userId":"u","phrases":[]})", ok},
              {"userId empty", with("userId", ""), invalid}, {"userId a space", with("userId", " "), ok},
              {"userId number", with("userId", 7), decoding}, {"phrases empty", with("phrases", QJsonArray()), ok},
              {"phrases 50", bytes(page(50)), ok}, {"phrases 51", bytes(page(51)), invalid},
              {"phrases missing", with("phrases", missing), decoding}, {"id a number", with("id", 12, 0), decoding},
              {"phrases an object", with("phrases", QJsonObject()), decoding},
              {"phrase not an object", with("phrases", QJsonArray{"p0"}), decoding},
              {"nextCursor a number", with("nextCursor", 2), decoding},
              {"keys differ in case", R"({"Version":1,"userId":"u","phrases":[]})", decoding},
              {"repeated id", with("id", "p0", 1), invalid}, {"ids differing in case", with("id", "P0", 1), ok},
              {"bad phrase last of 50", with("words", words(81), 49, 50), invalid},
              {"rule broken, then key missing",
               bytes({{"version", 1}, {"userId", "u"}, {"phrases", QJsonArray{tooLong, incomplete}}}), decoding},
              {"id empty", with("id", "", 0), invalid}, {"malay empty", with("malay", "", 0), invalid},
              {"english empty", with("english", "", 0), invalid}, {"malay a space", with("malay", " ", 0), ok},
              // A flag is two code points, four code units, one character.
              {"context 2000 flags", with("context", QString::fromUtf8("🇲🇾").repeated(2000), 0), ok},
              {"words 80", with("words", words(80), 0), ok}, {"words 81", with("words", words(81), 0), invalid},
              {"notes with a number", with("notes", QJsonArray{"a", 1}, 0), decoding},
              {"word without english", with("words", QJsonArray{QJsonObject{{"malay", "kasih"}}}, 0), decoding},
              {"word not an object", with("words", QJsonArray{"kasih"}, 0), decoding},
              {"example without situation",
               with("usageExamples", QJsonArray{QJsonObject{{"malay", "m"}, {"english", "e"}}}, 0), decoding},
              {"unknown keys inside",
               with("words", QJsonArray{QJsonObject{{"malay", "m"}, {"english", "e"}, {"partOfSpeech", 3}}}, 0), ok},
              {"unknown phrase key", with("favourite", true, 0), ok}});
        // Lengths count user-perceived characters, not code units.
        const std::pair<const char *, int> limits[] = {{"malay", 300}, {"english", 500}, {"context", 2000}};
        for (const auto &[key, limit] : limits) {
            QTest::addRow("%s %d", key, limit) << with(key, QString(limit, u'a'), 0) << ok;
            QTest::addRow("%s %d", key, limit + 1) << with(key, QString(limit + 1, u'a'), 0) << invalid;
            QTest::addRow("%s %d combined", key, limit) << with(key, combined(limit), 0) << ok;
            QTest::addRow("%s %d combined", key, limit + 1) << with(key, combined(limit + 1), 0) << invalid;
        }
        for (const char *key : {"id", "malay", "english", "category", "context", "words", "notes", "usageExamples"}) {
            QTest::addRow("%s missing", key) << with(key, missing, 0) << decoding;
            QTest::addRow("%s null", key) << with(key, null, 0) << decoding;
        }
    }

    void rules() { checkOutcome(); }

    // Strict RFC 8259: what a lenient parser would guess at is a decoding failure, never a page.
    void jsonSyntax_data()
    {
        const QByteArray good = rawPage(rawPhrase());
        const auto bad = [](const QByteArray &malay) { return rawPage(rawPhrase(malay)); };
        const auto extra = [](const QByteArray &more) { return rawPage(rawPhrase(), more); };
        // The page and the extra value together: 1,024 levels are the most.
        const auto nested = [](int depth) { return ",\"a\":" + QByteArray(depth, '[') + QByteArray(depth, ']'); };
        rows({{"as written", good, ok}, {"byte order mark first", "\xEF\xBB\xBF" + good, ok},
              {"all four white spaces",
               QByteArray(good).replace(",", " \t,\r\n").replace(":", "\n: ").replace("[", "[ "), ok},
              {"form feed as space", QByteArray(good).replace(",", "\f,"), decoding},
              {"no-break space as space", QByteArray(good).replace(",", "\xC2\xA0,"), decoding},
              {"raw tab", bad("\"a\tb\""), decoding}, {"raw NUL", bad(QByteArray("\"a\0b\"", 5)), decoding},
              {"unknown escape", bad(R"("\x41")"), decoding}, {"short \\u escape", bad(R"("\u41")"), decoding},
              {"\\u escape not hex", bad(R"("\u00g1")"), decoding}, {"stray UTF-8 byte", bad("\"a\xFF\""), decoding},
              {"overlong UTF-8", bad("\"\xC0\xAF\""), decoding}, {"UTF-8 surrogate", bad("\"\xED\xA0\x80\""), decoding},
              {"past U+10FFFF", bad("\"\xF4\x90\x80\x80\""), decoding}, {"UTF-8 cut short", bad("\"a\xC3\""), decoding},
              {"version 1E0", QByteArray(good).replace(":1,", ":1E0,"), ok},
              {"version 10e-1", QByteArray(good).replace(":1,", ":10e-1,"), ok},
              {"unknown values of every kind",
               extra(R"(,"a":true,"b":false,"c":null,"d":[1,-2.5E+3,0.0,{"x":[],"y":{}}],"e":"\u00e9")"), ok},
              {"misspelt true", extra(R"(,"a":tru)"), decoding}, {"huge number", extra(R"(,"a":1e400)"), decoding},
              {"trailing comma in the page", extra(","), decoding}, {"single quotes", extra(",'a':1"), decoding},
              {"trailing comma in an array", rawPage(rawPhrase() + ","), decoding},
              {"leading comma in an array", rawPage("," + rawPhrase()), decoding},
              {"missing comma", extra(R"( "a":1)"), decoding}, {"missing colon", extra(R"(,"a" 1)"), decoding},
              {"key written with escapes", QByteArray(good).replace(R"("id")", R"("\u0069\u0064")"), ok},
              {"userId twice", extra(R"(,"userId":"v")"), decoding}, {"unknown twice", extra(R"(,"a":1,"a":[])"), ok},
              {"repeated phrase key", rawPage(rawPhrase(R"("m")", R"(,"malay":"n")")), decoding},
              {"repeated cursor", extra(R"(,"nextCursor":null,"nextCursor":"c")"), decoding},
              {"nesting at limit", extra(nested(1023)), ok}, {"nesting past the limit", extra(nested(1024)), decoding},
              {"nesting far beyond the limit", extra(nested(20000)), decoding},
              {"white space only", " \n", decoding}, {"an array", "[" + good + "]", decoding},
              {"two pages", good + good, decoding}, {"NUL after the page", good + QByteArray(1, '\0'), decoding}});
        for (const char *version : {"1.", "01", "+1", ".1", "-", "1e", "1e+", "0x1", "Infinity"})
            QTest::addRow("version %s", version) << QByteArray(good).replace(":1,", QByteArray(":") + version + ",")
                                                 << decoding;
    }

    void jsonSyntax() { checkOutcome(); }

    // Escapes, surrogate pairs and UTF-8 read back as sent: nothing normalised, trimmed or dropped.
    void stringsDecode_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("text");
        QTest::newRow("short escapes") << QByteArray("\"\\\"\\\\\\/\\b\\f\\n\\r\\t\"") << QStringLiteral("\"\\/\b\f\n\r\t");
        QTest::newRow("\\u in either case") << QByteArray(R"("\u00e9\u00C9")") << QStringLiteral("éÉ");
        QTest::newRow("surrogate pairs") << QByteArray(R"("\ud83c\uddf2\uD83C\uDDFE")") << QStringLiteral("🇲🇾");
        QTest::newRow("lone surrogate kept") << QByteArray(R"("x\ud800y")") << QString(u'x') + QChar(0xd800) + QString(u'y');
        QTest::newRow("escaped NUL") << QByteArray(R"("a\u0000b")") << QString(u'a') + QChar(0) + QString(u'b');
        QTest::newRow("multi-byte UTF-8") << QByteArray("\"é … 😀 \xE2\x80\xA8\"") << QStringLiteral("é … 😀 \u2028");
        QTest::newRow("UTF-8 between escapes") << QByteArray("\"é\\n…\\\"ü\"") << QStringLiteral("é\n…\"ü");
        QTest::newRow("U+FEFF opening the text") << QByteArray("\"\xEF\xBB\xBFx\"") << QStringLiteral("\uFEFFx");
    }

    void stringsDecode()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, text);
        const auto feed = PhraseFeed::decode(rawPage(rawPhrase(json)));
        QVERIFY(feed.ok());
        QCOMPARE(feed.value().phrases.at(0).malay, text);
    }

    // The quick count against the full rules: every pair of code units up to just past the
    // combining marks, triples around the characters where the rules change, and samples.
    void countAgreesWithTheFullRules()
    {
        const auto agree = [](QList<char16_t> units) {
            const QString text(reinterpret_cast<const QChar *>(units.constData()), units.size());
            return TextLength::graphemes(text) == referenceGraphemes(text);
        };
        for (char16_t a = 0; a < 0x380; ++a)
            for (char16_t b = 0; b < 0x380; ++b)
                if (!agree({a, b}))
                    QFAIL(qPrintable(QStringLiteral("U+%1 U+%2").arg(int(a), 0, 16).arg(int(b), 0, 16)));
        const QList<char16_t> pivots{u'\r', u'\n', u'\t', u' ', u'a', 0x7f, 0x85, 0xa0, 0xad,
                                     0x2ff, 0x300, 0x301, 0x36f, 0x370, 0x200d};
        for (char16_t a : pivots)
            for (char16_t b : pivots)
                for (char16_t c : pivots)
                    QVERIFY(agree({a, b, c}));
        // Hangul jamo, flags, a skin tone, a family, an astral letter, a lone surrogate, Jawi.
        const std::pair<QString, qsizetype> samples[] = {
            {"cafe\u0301", 4}, {"a\r\nb", 3}, {"\u1100\u1161\u11a8", 1}, {"🇲🇾", 1}, {"🇲🇾🇸🇬", 2}, {"👍🏽", 1}, {"", 0},
            {"👨\u200d👩\u200d👧", 1}, {"𝔸", 1}, {QString(QChar(0xd800)) + "a", 2},
            {"\u062a\u0650\u0631\u064a\u0645\u0627", 5}};
        for (const auto &[text, count] : samples)
            QCOMPARE(TextLength::graphemes(text), count);
    }
};

QTEST_GUILESS_MAIN(PhraseFeedTest)
#include "tst_phrase_feed.moc"
