#include "library/phrase_feed.h"

#include <QJsonDocument>
#include <QTest>

using Error = PhraseFeed::Error;

Q_DECLARE_METATYPE(PhraseFeed::Error)

namespace {

QJsonObject phrase(const QString &id)
{
    return QJsonObject{
        {"id", id},
        {"malay", "Terima kasih " + id},
        {"english", "Thank you " + id},
        {"category", "Greetings"},
        {"context", "Said to anyone who helps you."},
        {"words", QJsonArray{QJsonObject{{"malay", "terima"}, {"english", "receive"}},
                             QJsonObject{{"malay", "kasih"}, {"english", "love"}}}},
        {"notes", QJsonArray{"Polite in every setting.", "Reply: sama-sama."}},
        {"usageExamples", QJsonArray{QJsonObject{
                              {"malay", "Terima kasih, cikgu."}, {"english", "Thank you, teacher."}, {"situation", "At school"}}}},
    };
}

QJsonArray phrases(int count)
{
    QJsonArray array;
    for (int i = 0; i < count; ++i)
        array.append(phrase(QStringLiteral("p%1").arg(i)));
    return array;
}

QJsonObject page(const QJsonArray &phrases) { return {{"version", 1}, {"userId", "user-1"}, {"phrases", phrases}}; }
QJsonObject page(int count = 2) { return page(phrases(count)); }
QByteArray bytes(const QJsonObject &object) { return QJsonDocument(object).toJson(QJsonDocument::Compact); }

// A page whose phrase at `index` has `key` set to `value` (removed when undefined).
QByteArray pageWithPhraseField(const QString &key, const QJsonValue &value, int count = 2, int index = 0)
{
    QJsonArray array = phrases(count);
    QJsonObject changed = array.at(index).toObject();
    if (value.isUndefined())
        changed.remove(key);
    else
        changed.insert(key, value);
    array.replace(index, changed);
    return bytes(page(array));
}

// "é" written as e + combining acute: one user-perceived character, two code units.
QString combined(int count) { return QStringLiteral("e\u0301").repeated(count); }

QJsonArray words(int count)
{
    QJsonArray array;
    for (int i = 0; i < count; ++i)
        array.append(QJsonObject{{"malay", "kata"}, {"english", "word"}});
    return array;
}

std::optional<Error> failure(const QByteArray &bytes)
{
    const auto result = PhraseFeed::decode(bytes);
    return result ? std::nullopt : std::optional<Error>(result.error());
}

// Text that JSON must escape or carry through untouched.
QString awkwardText()
{
    return QStringLiteral("  \"quoted\" back\\slash /slash\b\f\n\r\t ") + QChar(0)
         + QString::fromUtf8(" é e\u0301 🇲🇾 “ ” … ’ · \u2028\n");
}

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

} // namespace

namespace QTest {
template <> char *toString(const std::optional<Error> &error)
{
    if (!error)
        return qstrdup("accepted");
    return qstrdup(*error == Error::decoding ? "decoding failure" : "invalid response");
}
} // namespace QTest

class PhraseFeedTest : public QObject {
    Q_OBJECT

private slots:
    // A page as the web app sends it decodes field by field; a written feed
    // reads back unchanged: padding, escapes, empty texts, lists and cursor included.
    void feedReadsAsSentAndWrittenBack()
    {
        const auto sent = PhraseFeed::decode(bytes(page(1)));
        QVERIFY(sent.ok());
        QCOMPARE(sent.value().phrases.at(0),
                 (Phrase{"p0", "Terima kasih p0", "Thank you p0", "Greetings", "Said to anyone who helps you.",
                         {{"terima", "receive"}, {"kasih", "love"}}, {"Polite in every setting.", "Reply: sama-sama."},
                         {{"Terima kasih, cikgu.", "Thank you, teacher.", "At school"}}}));

        PhraseFeed feed;
        feed.userId = "user-7";
        feed.phrases = {Phrase{"a", awkwardText(), "See you again", "", awkwardText(),
                               {{"", ""}, {"lagi", awkwardText()}}, {"Casual.", "", awkwardText()},
                               {{awkwardText(), "", "Leaving work"}}},
                        Phrase{"b", "Jumpa lagi", "See you again", "Farewells", "", {}, {}, {}}};
        feed.nextCursor = QString();

        const QJsonObject object = feed.toJson();
        QVERIFY(object.contains("nextCursor")); // present, though empty
        QCOMPARE(object.value("phrases").toArray().at(0).toObject().keys(),
                 (QStringList{"category", "context", "english", "id", "malay", "notes", "usageExamples", "words"}));
        const auto decoded = PhraseFeed::decode(bytes(object));
        QVERIFY(decoded.ok());
        QCOMPARE(decoded.value(), feed);

        feed.nextCursor.reset();
        QVERIFY(!feed.toJson().contains("nextCursor"));
        QCOMPARE(PhraseFeed::decode(bytes(feed.toJson())).value(), feed);

        QJsonObject withNull = page(1);
        withNull.insert("nextCursor", QJsonValue::Null);
        QCOMPARE(PhraseFeed::decode(bytes(withNull)).value().nextCursor, std::nullopt);
    }

    void pageRules_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<std::optional<Error>>("expected");
        const std::optional<Error> accepted;
        const std::optional<Error> decoding = Error::decoding;
        const std::optional<Error> invalid = Error::invalidResponse;

        auto with = [](const char *key, const QJsonValue &value) {
            QJsonObject object = page(2);
            object.insert(key, value);
            return bytes(object);
        };
        auto without = [](const char *key) {
            QJsonObject object = page(2);
            object.remove(key);
            return bytes(object);
        };

        QTest::newRow("version 2") << with("version", 2) << invalid;
        QTest::newRow("version 0") << with("version", 0) << invalid;
        QTest::newRow("version beyond 32 bits") << QByteArray(R"({"version":4294967297,"userId":"u","phrases":[]})") << invalid;
        QTest::newRow("version missing") << without("version") << decoding;
        QTest::newRow("version null") << with("version", QJsonValue::Null) << decoding;
        QTest::newRow("version as text") << with("version", "1") << decoding;
        QTest::newRow("version 1.5") << with("version", 1.5) << decoding;
        QTest::newRow("version 1.0") << QByteArray(R"({"version":1.0,"userId":"u","phrases":[]})") << accepted;
        QTest::newRow("version 1e400") << QByteArray(R"({"version":1e400,"userId":"u","phrases":[]})") << decoding;
        QTest::newRow("userId empty") << with("userId", "") << invalid;
        QTest::newRow("userId a space") << with("userId", " ") << accepted;
        QTest::newRow("userId number") << with("userId", 7) << decoding;
        QTest::newRow("phrases empty") << bytes(page(0)) << accepted;
        QTest::newRow("phrases 50") << bytes(page(50)) << accepted;
        QTest::newRow("phrases 51") << bytes(page(51)) << invalid;
        QTest::newRow("phrases missing") << without("phrases") << decoding;
        QTest::newRow("phrases an object") << with("phrases", QJsonObject()) << decoding;
        QTest::newRow("phrase not an object") << with("phrases", QJsonArray{"p0"}) << decoding;
        QTest::newRow("nextCursor a number") << with("nextCursor", 2) << decoding;
        QTest::newRow("unknown keys") << with("extra", QJsonObject{{"version", 2}}) << accepted;
        QTest::newRow("empty body") << QByteArray() << decoding;
        QTest::newRow("JSON null") << QByteArray("null") << decoding;
        QTest::newRow("truncated") << bytes(page(2)).chopped(1) << decoding;
        QTest::newRow("trailing garbage") << bytes(page(2)) + "x" << decoding;
        QTest::newRow("keys differ in case") << QByteArray(R"({"Version":1,"userId":"u","phrases":[]})") << decoding;
        QTest::newRow("deep nesting")
            << R"({"version":1,"userId":"u","phrases":[],"extra":)" + QByteArray(20000, '[') + QByteArray(20000, ']') + "}"
            << decoding;

        QJsonArray twins = phrases(3);
        QJsonObject twin = phrase("p0");
        twin.insert("malay", "Selamat pagi");
        twins.append(twin);
        QTest::newRow("repeated id") << bytes(page(twins)) << invalid;
        twins.replace(3, phrase("P0"));
        QTest::newRow("ids differing in case") << bytes(page(twins)) << accepted;
        QTest::newRow("bad phrase last of 50") << pageWithPhraseField("words", words(81), 50, 49) << invalid;

        // The shape is checked for the whole page before any rule.
        QJsonArray mixed = phrases(2);
        QJsonObject tooLong = mixed.at(0).toObject();
        tooLong.insert("malay", QString(301, u'a'));
        mixed.replace(0, tooLong);
        QJsonObject incomplete = mixed.at(1).toObject();
        incomplete.remove("notes");
        mixed.replace(1, incomplete);
        QTest::newRow("rule broken, then key missing") << bytes(page(mixed)) << decoding;
    }

    void pageRules()
    {
        QFETCH(QByteArray, body);
        QFETCH(std::optional<Error>, expected);
        QCOMPARE(failure(body), expected);
    }

    void phraseRules_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<std::optional<Error>>("expected");
        const std::optional<Error> accepted;
        const std::optional<Error> decoding = Error::decoding;
        const std::optional<Error> invalid = Error::invalidResponse;

        QTest::newRow("id empty") << "id" << QJsonValue("") << invalid;
        QTest::newRow("malay empty") << "malay" << QJsonValue("") << invalid;
        QTest::newRow("english empty") << "english" << QJsonValue("") << invalid;
        QTest::newRow("malay a space") << "malay" << QJsonValue(" ") << accepted;
        QTest::newRow("malay 300") << "malay" << QJsonValue(QString(300, u'a')) << accepted;
        QTest::newRow("malay 301") << "malay" << QJsonValue(QString(301, u'a')) << invalid;
        QTest::newRow("malay 300 combined") << "malay" << QJsonValue(combined(300)) << accepted;
        QTest::newRow("malay 301 combined") << "malay" << QJsonValue(combined(301)) << invalid;
        QTest::newRow("english 500") << "english" << QJsonValue(QString(500, u'b')) << accepted;
        QTest::newRow("english 501") << "english" << QJsonValue(QString(501, u'b')) << invalid;
        QTest::newRow("english 501 combined") << "english" << QJsonValue(combined(501)) << invalid;
        QTest::newRow("context 2000") << "context" << QJsonValue(QString(2000, u'c')) << accepted;
        QTest::newRow("context 2001") << "context" << QJsonValue(QString(2001, u'c')) << invalid;
        QTest::newRow("context 2001 combined") << "context" << QJsonValue(combined(2001)) << invalid;
        // A flag is two code points, four code units, one character.
        QTest::newRow("context 2000 flags")
            << "context" << QJsonValue(QString::fromUtf8("🇲🇾").repeated(2000)) << accepted;
        QTest::newRow("words 80") << "words" << QJsonValue(words(80)) << accepted;
        QTest::newRow("words 81") << "words" << QJsonValue(words(81)) << invalid;

        for (const char *key : {"id", "malay", "english", "category", "context", "words", "notes", "usageExamples"}) {
            QTest::addRow("%s missing", key) << key << QJsonValue(QJsonValue::Undefined) << decoding;
            QTest::addRow("%s null", key) << key << QJsonValue(QJsonValue::Null) << decoding;
        }
        QTest::newRow("id a number") << "id" << QJsonValue(12) << decoding;
        QTest::newRow("words as text") << "words" << QJsonValue("terima: receive") << decoding;
        QTest::newRow("notes with a number") << "notes" << QJsonValue(QJsonArray{"a", 1}) << decoding;
        QTest::newRow("notes with null") << "notes" << QJsonValue(QJsonArray{"a", QJsonValue::Null}) << decoding;
        QTest::newRow("word without english")
            << "words" << QJsonValue(QJsonArray{QJsonObject{{"malay", "kasih"}}}) << decoding;
        QTest::newRow("word not an object") << "words" << QJsonValue(QJsonArray{"kasih"}) << decoding;
        QTest::newRow("example without situation")
            << "usageExamples" << QJsonValue(QJsonArray{QJsonObject{{"malay", "m"}, {"english", "e"}}}) << decoding;
        QTest::newRow("unknown keys inside")
            << "words" << QJsonValue(QJsonArray{QJsonObject{{"malay", "m"}, {"english", "e"}, {"partOfSpeech", 3}}})
            << accepted;
        QTest::newRow("unknown phrase key") << "favourite" << QJsonValue(true) << accepted;
    }

    void phraseRules()
    {
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);
        QFETCH(std::optional<Error>, expected);
        QCOMPARE(failure(pageWithPhraseField(key, value)), expected);
    }
    // The body must be JSON as written down in RFC 8259: what a lenient
    // parser would guess at is a decoding failure, never a page.
    void jsonSyntax_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<std::optional<Error>>("expected");
        const std::optional<Error> accepted;
        const std::optional<Error> decoding = Error::decoding;
        const QByteArray good = rawPage(rawPhrase());
        QTest::newRow("as written") << good << accepted;
        QTest::newRow("byte order mark first") << "\xEF\xBB\xBF" + good << accepted;
        QTest::newRow("all four white spaces")
            << QByteArray(good).replace(",", " \t,\r\n").replace(":", "\n: ").replace("[", "[ ") << accepted;
        QTest::newRow("form feed as space") << QByteArray(good).replace(",", "\f,") << decoding;
        QTest::newRow("no-break space as space") << QByteArray(good).replace(",", "\xC2\xA0,") << decoding;
        QTest::newRow("raw tab in a string") << rawPage(rawPhrase("\"a\tb\"")) << decoding;
        QTest::newRow("raw NUL in a string") << rawPage(rawPhrase(QByteArray("\"a\0b\"", 5))) << decoding;
        QTest::newRow("unknown escape") << rawPage(rawPhrase(R"("\x41")")) << decoding;
        QTest::newRow("short \\u escape") << rawPage(rawPhrase(R"("\u41")")) << decoding;
        QTest::newRow("\\u escape not hex") << rawPage(rawPhrase(R"("\u00g1")")) << decoding;
        QTest::newRow("stray UTF-8 byte") << rawPage(rawPhrase("\"a\xFF\"")) << decoding;
        QTest::newRow("overlong UTF-8") << rawPage(rawPhrase("\"\xC0\xAF\"")) << decoding;
        QTest::newRow("surrogate in UTF-8") << rawPage(rawPhrase("\"\xED\xA0\x80\"")) << decoding;
        QTest::newRow("beyond U+10FFFF") << rawPage(rawPhrase("\"\xF4\x90\x80\x80\"")) << decoding;
        QTest::newRow("UTF-8 cut by the quote") << rawPage(rawPhrase("\"a\xC3\"")) << decoding;
        QTest::newRow("version 1E0") << QByteArray(good).replace(":1,", ":1E0,") << accepted;
        QTest::newRow("version 10e-1") << QByteArray(good).replace(":1,", ":10e-1,") << accepted;
        for (const char *version : {"1.", "01", "+1", ".1", "-", "1e", "1e+", "0x1", "Infinity"})
            QTest::addRow("version %s", version) << QByteArray(good).replace(":1,", QByteArray(":") + version + ",")
                                                 << decoding;
        QTest::newRow("unknown values of every kind")
            << rawPage(rawPhrase(), R"(,"a":true,"b":false,"c":null,"d":[1,-2.5E+3,0.0,{"x":[],"y":{}}],"e":"\u00e9")")
            << accepted;
        QTest::newRow("misspelt literal") << rawPage(rawPhrase(), R"(,"a":tru)") << decoding;
        QTest::newRow("number beyond a double") << rawPage(rawPhrase(), R"(,"a":1e400)") << decoding;
        QTest::newRow("trailing comma in the page") << rawPage(rawPhrase(), ",") << decoding;
        QTest::newRow("trailing comma in an array") << rawPage(rawPhrase() + ",") << decoding;
        QTest::newRow("leading comma in an array") << rawPage("," + rawPhrase()) << decoding;
        QTest::newRow("missing comma") << rawPage(rawPhrase(), R"( "a":1)") << decoding;
        QTest::newRow("missing colon") << rawPage(rawPhrase(), R"(,"a" 1)") << decoding;
        QTest::newRow("single quotes") << rawPage(rawPhrase(), ",'a':1") << decoding;
        QTest::newRow("key written with escapes") << QByteArray(good).replace(R"("id")", R"("\u0069\u0064")") << accepted;
        QTest::newRow("repeated page key") << rawPage(rawPhrase(), R"(,"userId":"v")") << decoding;
        QTest::newRow("repeated phrase key") << rawPage(rawPhrase(R"("m")", R"(,"malay":"n")")) << decoding;
        QTest::newRow("repeated cursor") << rawPage(rawPhrase(), R"(,"nextCursor":null,"nextCursor":"c")") << decoding;
        QTest::newRow("repeated unknown key") << rawPage(rawPhrase(), R"(,"a":1,"a":[])") << accepted;
        // The page and the extra value together: 1,024 levels are the most.
        const auto nested = [](int depth) { return ",\"a\":" + QByteArray(depth, '[') + QByteArray(depth, ']'); };
        QTest::newRow("nesting at the limit") << rawPage(rawPhrase(), nested(1023)) << accepted;
        QTest::newRow("nesting beyond the limit") << rawPage(rawPhrase(), nested(1024)) << decoding;
        QTest::newRow("white space only") << QByteArray(" \n") << decoding;
        QTest::newRow("an array") << "[" + good + "]" << decoding;
        QTest::newRow("two pages") << good + good << decoding;
        QTest::newRow("NUL after the page") << good + QByteArray(1, '\0') << decoding;
    }

    void jsonSyntax()
    {
        QFETCH(QByteArray, body);
        QFETCH(std::optional<Error>, expected);
        QCOMPARE(failure(body), expected);
    }

    // Escapes, surrogate pairs and multi-byte UTF-8 read back as the text
    // that was sent; nothing is normalised, trimmed or dropped.
    void stringsDecode_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("text");
        QTest::newRow("short escapes") << QByteArray("\"\\\"\\\\\\/\\b\\f\\n\\r\\t\"") << QStringLiteral("\"\\/\b\f\n\r\t");
        QTest::newRow("\\u in either case") << QByteArray(R"("\u00e9\u00C9")") << QStringLiteral("éÉ");
        QTest::newRow("surrogate pairs") << QByteArray(R"("\ud83c\uddf2\uD83C\uDDFE")") << QStringLiteral("🇲🇾");
        QTest::newRow("lone surrogate kept") << QByteArray(R"("x\ud800y")")
                                             << QString(u'x') + QChar(0xd800) + QString(u'y');
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
