#include "library/phrase_feed.h"

#include <QJsonDocument>
#include <QTest>

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

const Outcome ok;
const Outcome decoding = Error::decoding;
const Outcome invalid = Error::invalidResponse;

QJsonObject phrase(const QString &id)
{
    return {{"id", id}, {"malay", "Terima kasih"}, {"english", "Thank you"}, {"category", "Greetings"},
            {"context", "To anyone who helps."}, {"words", QJsonArray{QJsonObject{{"malay", "kasih"}, {"english", "love"}}}},
            {"notes", QJsonArray{"Polite."}},
            {"usageExamples", QJsonArray{QJsonObject{{"malay", "Terima kasih, cikgu."}, {"english", "Thank you, teacher."},
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

// A page of `count` phrases with `key` set to `value` (removed when undefined)
// in the page itself, or in its phrase at `index`.
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
    return QJsonDocument::fromJson("[" + QByteArray(R"({"malay":"kata","english":"word"},)").repeated(count).chopped(1) + "]")
        .array();
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

void outcomeColumns()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<Outcome>("expected");
}

void checkOutcome()
{
    QFETCH(QByteArray, body);
    QFETCH(Outcome, expected);
    const auto result = PhraseFeed::decode(body);
    QCOMPARE(result ? std::nullopt : Outcome(result.error()), expected);
}

} // namespace

class PhraseFeedTest : public QObject {
    Q_OBJECT

private slots:
    // A page as the web app sends it decodes field by field; phrases written
    // out read back unchanged: padding, escapes, empty texts and lists included.
    void feedReadsAsSentAndWrittenBack()
    {
        const auto sent = PhraseFeed::decode(bytes(page(1)));
        QVERIFY(sent.ok());
        QCOMPARE(sent.value().phrases.at(0),
                 (Phrase{"p0", "Terima kasih", "Thank you", "Greetings", "To anyone who helps.", {{"kasih", "love"}},
                         {"Polite."}, {{"Terima kasih, cikgu.", "Thank you, teacher.", "At school"}}}));

        PhraseFeed feed;
        feed.userId = "user-7";
        feed.phrases = {Phrase{"a", awkwardText, "See you again", "", awkwardText,
                               {{"", ""}, {"lagi", awkwardText}}, {"Casual.", "", awkwardText},
                               {{awkwardText, "", "Leaving work"}}},
                        Phrase{"b", "Jumpa lagi", "See you again", "Farewells", "", {}, {}, {}}};
        feed.nextCursor = QString(); // empty, which is not the same as none
        QCOMPARE(PhraseFeed::decode(bytes(feed.toJson())).value(), feed);
        QCOMPARE(PhraseFeed::decode(with("nextCursor", QJsonValue::Null)).value().nextCursor, std::nullopt);
    }

    // Decoding failure: not JSON or the wrong shape. Invalid response: the
    // right shape breaking a rule of the format.
    void rules_data()
    {
        outcomeColumns();
        const QJsonValue missing(QJsonValue::Undefined);
        QTest::newRow("version 2") << with("version", 2) << invalid;
        QTest::newRow("version beyond 32 bits") << QByteArray(R"({"version":4294967297,"userId":"u","phrases":[]})") << invalid;
        QTest::newRow("version missing") << with("version", missing) << decoding;
        QTest::newRow("version null") << with("version", QJsonValue::Null) << decoding;
        QTest::newRow("version as text") << with("version", "1") << decoding;
        QTest::newRow("version 1.5") << with("version", 1.5) << decoding;
        QTest::newRow("version 1.0") << QByteArray(R"({"version":1.0,"userId":"u","phrases":[]})") << ok;
        QTest::newRow("userId empty") << with("userId", "") << invalid;
        QTest::newRow("userId a space") << with("userId", " ") << ok;
        QTest::newRow("userId number") << with("userId", 7) << decoding;
        QTest::newRow("phrases empty") << with("phrases", QJsonArray()) << ok;
        QTest::newRow("phrases 50") << bytes(page(50)) << ok;
        QTest::newRow("phrases 51") << bytes(page(51)) << invalid;
        QTest::newRow("phrases missing") << with("phrases", missing) << decoding;
        QTest::newRow("phrases an object") << with("phrases", QJsonObject()) << decoding;
        QTest::newRow("phrase not an object") << with("phrases", QJsonArray{"p0"}) << decoding;
        QTest::newRow("nextCursor a number") << with("nextCursor", 2) << decoding;
        QTest::newRow("unknown keys") << with("extra", QJsonObject{{"version", 2}}) << ok;
        QTest::newRow("keys differ in case") << QByteArray(R"({"Version":1,"userId":"u","phrases":[]})") << decoding;

        QTest::newRow("repeated id") << with("id", "p0", 1) << invalid;
        QTest::newRow("ids differing in case") << with("id", "P0", 1) << ok;
        QTest::newRow("bad phrase last of 50") << with("words", words(81), 49, 50) << invalid;
        // The shape is checked for the whole page before any rule.
        QJsonObject tooLong = phrase("a"), incomplete = phrase("b");
        tooLong.insert("malay", QString(301, u'a'));
        incomplete.remove("notes");
        QTest::newRow("rule broken, then key missing")
            << bytes({{"version", 1}, {"userId", "u"}, {"phrases", QJsonArray{tooLong, incomplete}}}) << decoding;
        for (const char *key : {"id", "malay", "english"})
            QTest::addRow("%s empty", key) << with(key, "", 0) << invalid;
        QTest::newRow("malay a space") << with("malay", " ", 0) << ok;
        // Lengths count user-perceived characters, not code units.
        const std::pair<const char *, int> limits[] = {{"malay", 300}, {"english", 500}, {"context", 2000}};
        for (const auto &[key, limit] : limits) {
            QTest::addRow("%s %d", key, limit) << with(key, QString(limit, u'a'), 0) << ok;
            QTest::addRow("%s %d", key, limit + 1) << with(key, QString(limit + 1, u'a'), 0) << invalid;
            QTest::addRow("%s %d combined", key, limit) << with(key, combined(limit), 0) << ok;
            QTest::addRow("%s %d combined", key, limit + 1) << with(key, combined(limit + 1), 0) << invalid;
        }
        // A flag is two code points, four code units, one character.
        QTest::newRow("context 2000 flags") << with("context", QString::fromUtf8("🇲🇾").repeated(2000), 0) << ok;
        QTest::newRow("words 80") << with("words", words(80), 0) << ok;
        QTest::newRow("words 81") << with("words", words(81), 0) << invalid;
        for (const char *key : {"id", "malay", "english", "category", "context", "words", "notes", "usageExamples"}) {
            QTest::addRow("%s missing", key) << with(key, missing, 0) << decoding;
            QTest::addRow("%s null", key) << with(key, QJsonValue::Null, 0) << decoding;
        }
        QTest::newRow("id a number") << with("id", 12, 0) << decoding;
        QTest::newRow("words as text") << with("words", "terima: receive", 0) << decoding;
        QTest::newRow("notes with a number") << with("notes", QJsonArray{"a", 1}, 0) << decoding;
        QTest::newRow("notes with null") << with("notes", QJsonArray{"a", QJsonValue::Null}, 0) << decoding;
        QTest::newRow("word without english") << with("words", QJsonArray{QJsonObject{{"malay", "kasih"}}}, 0) << decoding;
        QTest::newRow("word not an object") << with("words", QJsonArray{"kasih"}, 0) << decoding;
        QTest::newRow("example without situation")
            << with("usageExamples", QJsonArray{QJsonObject{{"malay", "m"}, {"english", "e"}}}, 0) << decoding;
        QTest::newRow("unknown keys inside")
            << with("words", QJsonArray{QJsonObject{{"malay", "m"}, {"english", "e"}, {"partOfSpeech", 3}}}, 0) << ok;
        QTest::newRow("unknown phrase key") << with("favourite", true, 0) << ok;
    }

    void rules() { checkOutcome(); }

    // The body must be JSON as written down in RFC 8259: what a lenient
    // parser would guess at is a decoding failure, never a page.
    void jsonSyntax_data()
    {
        outcomeColumns();
        const QByteArray good = rawPage(rawPhrase());
        const auto bad = [](const QByteArray &malay) { return rawPage(rawPhrase(malay)); };
        const auto extra = [](const QByteArray &more) { return rawPage(rawPhrase(), more); };
        QTest::newRow("as written") << good << ok;
        QTest::newRow("byte order mark first") << "\xEF\xBB\xBF" + good << ok;
        QTest::newRow("all four white spaces")
            << QByteArray(good).replace(",", " \t,\r\n").replace(":", "\n: ").replace("[", "[ ") << ok;
        QTest::newRow("form feed as space") << QByteArray(good).replace(",", "\f,") << decoding;
        QTest::newRow("no-break space as space") << QByteArray(good).replace(",", "\xC2\xA0,") << decoding;
        QTest::newRow("raw tab in a string") << bad("\"a\tb\"") << decoding;
        QTest::newRow("raw NUL in a string") << bad(QByteArray("\"a\0b\"", 5)) << decoding;
        QTest::newRow("unknown escape") << bad(R"("\x41")") << decoding;
        QTest::newRow("short \\u escape") << bad(R"("\u41")") << decoding;
        QTest::newRow("\\u escape not hex") << bad(R"("\u00g1")") << decoding;
        QTest::newRow("stray UTF-8 byte") << bad("\"a\xFF\"") << decoding;
        QTest::newRow("overlong UTF-8") << bad("\"\xC0\xAF\"") << decoding;
        QTest::newRow("surrogate in UTF-8") << bad("\"\xED\xA0\x80\"") << decoding;
        QTest::newRow("beyond U+10FFFF") << bad("\"\xF4\x90\x80\x80\"") << decoding;
        QTest::newRow("UTF-8 cut by the quote") << bad("\"a\xC3\"") << decoding;
        QTest::newRow("version 1E0") << QByteArray(good).replace(":1,", ":1E0,") << ok;
        QTest::newRow("version 10e-1") << QByteArray(good).replace(":1,", ":10e-1,") << ok;
        for (const char *version : {"1.", "01", "+1", ".1", "-", "1e", "1e+", "0x1", "Infinity"})
            QTest::addRow("version %s", version) << QByteArray(good).replace(":1,", QByteArray(":") + version + ",")
                                                 << decoding;
        QTest::newRow("unknown values of every kind")
            << extra(R"(,"a":true,"b":false,"c":null,"d":[1,-2.5E+3,0.0,{"x":[],"y":{}}],"e":"\u00e9")") << ok;
        QTest::newRow("misspelt literal") << extra(R"(,"a":tru)") << decoding;
        QTest::newRow("number beyond a double") << extra(R"(,"a":1e400)") << decoding;
        QTest::newRow("trailing comma in the page") << extra(",") << decoding;
        QTest::newRow("trailing comma in an array") << rawPage(rawPhrase() + ",") << decoding;
        QTest::newRow("leading comma in an array") << rawPage("," + rawPhrase()) << decoding;
        QTest::newRow("missing comma") << extra(R"( "a":1)") << decoding;
        QTest::newRow("missing colon") << extra(R"(,"a" 1)") << decoding;
        QTest::newRow("single quotes") << extra(",'a':1") << decoding;
        QTest::newRow("key written with escapes") << QByteArray(good).replace(R"("id")", R"("\u0069\u0064")") << ok;
        QTest::newRow("repeated page key") << extra(R"(,"userId":"v")") << decoding;
        QTest::newRow("repeated phrase key") << rawPage(rawPhrase(R"("m")", R"(,"malay":"n")")) << decoding;
        QTest::newRow("repeated cursor") << extra(R"(,"nextCursor":null,"nextCursor":"c")") << decoding;
        QTest::newRow("repeated unknown key") << extra(R"(,"a":1,"a":[])") << ok;
        // The page and the extra value together: 1,024 levels are the most.
        const auto nested = [](int depth) { return ",\"a\":" + QByteArray(depth, '[') + QByteArray(depth, ']'); };
        QTest::newRow("nesting at the limit") << extra(nested(1023)) << ok;
        QTest::newRow("nesting beyond the limit") << extra(nested(1024)) << decoding;
        QTest::newRow("nesting far beyond the limit") << extra(nested(20000)) << decoding;
        QTest::newRow("white space only") << QByteArray(" \n") << decoding;
        QTest::newRow("an array") << "[" + good + "]" << decoding;
        QTest::newRow("two pages") << good + good << decoding;
        QTest::newRow("NUL after the page") << good + QByteArray(1, '\0') << decoding;
    }

    void jsonSyntax() { checkOutcome(); }

    // Escapes, surrogate pairs and multi-byte UTF-8 read back as the text
    // that was sent; nothing is normalised, trimmed or dropped.
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
};

QTEST_GUILESS_MAIN(PhraseFeedTest)
#include "tst_phrase_feed.moc"
