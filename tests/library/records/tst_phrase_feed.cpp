#include "library/phrase_feed.h"

#include <QJsonDocument>
#include <QTest>

namespace {

QJsonArray words(int count)
{
    return QJsonArray::fromVariantList(QVariantList(count, QVariantMap{{"malay", "kata"}, {"english", "word"}}));
}

QJsonObject phrase(const QString &id)
{
    return {{"id", id}, {"malay", "Terima kasih"}, {"english", "Thank you"}, {"category", "Greetings"},
            {"context", "To anyone who helps."}, {"notes", QJsonArray{"Polite."}}, {"words", words(1)},
            {"usageExamples", QJsonArray{QJsonObject{{"malay", "m"}, {"english", "e"}, {"situation", ""}}}}};
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

// A page written out by hand with one phrase: its "malay" value, then more keys in the phrase and the page.
QByteArray raw(const QByteArray &malay = R"("m")", const QByteArray &inPhrase = {}, const QByteArray &inPage = {})
{
    return R"({"version":1,"userId":"u","phrases":[{"id":"a","malay":)" + malay
         + R"(,"english":"e","category":"","context":"","words":[],"notes":[],"usageExamples":[])" + inPhrase + "}]"
         + inPage + "}";
}

const QString ok = "accepted", decoding = "decoding failure", invalid = "invalid response";

void rows(std::initializer_list<std::tuple<const char *, QByteArray, QString>> rows)
{
    for (const auto &[name, body, expected] : rows)
        QTest::newRow(name) << body << expected;
}

} // namespace

class PhraseFeedTest : public QObject {
    Q_OBJECT

private slots:
    // Decoding failure: the wrong shape. Invalid response: the right shape breaking a rule.
    void outcome_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        QJsonObject tooLong = phrase("a"), incomplete = phrase("b");
        tooLong.insert("malay", QString(301, u'a'));
        incomplete.remove("notes");
        rows({{"version 2", with("version", 2), invalid}, {"version as text", with("version", "1"), decoding},
              {"version beyond 32 bits", R"({"version":4294967297,"userId":"u","phrases":[]})", invalid},
              {"phrases 50", bytes(page(50)), ok}, {"phrases 51", bytes(page(51)), invalid},
              {"keys differ in case", R"({"Version":1,"userId":"u","phrases":[]})", decoding},
              {"userId empty", with("userId", ""), invalid}, {"repeated id", with("id", "p0", 1), invalid},
              {"bad phrase last of 50", with("words", words(81), 49, 50), invalid},
              {"malay empty", with("malay", "", 0), invalid},
              {"rule broken, then key missing", // the shape of the whole page is checked before any rule
               bytes({{"version", 1}, {"userId", "u"}, {"phrases", QJsonArray{tooLong, incomplete}}}), decoding},
              {"notes with a number", with("notes", QJsonArray{"a", 1}, 0), decoding},
              {"context 2000 flags, 8000 units", with("context", QString::fromUtf8("🇲🇾").repeated(2000), 0), ok},
              {"words 80", with("words", words(80), 0), ok}, {"words 81", with("words", words(81), 0), invalid}});
        // Lengths count user-perceived characters: "é" as e + combining acute is one, not two.
        for (const auto &[key, max] : {std::pair("malay", 300), std::pair("english", 500), std::pair("context", 2000)})
            for (const int n : {max, max + 1}) {
                QTest::addRow("%s %d", key, n) << with(key, QString(n, u'a'), 0) << (n > max ? invalid : ok);
                QTest::addRow("%s %d combined", key, n)
                    << with(key, QStringLiteral("e\u0301").repeated(n), 0) << (n > max ? invalid : ok);
            }
        for (const char *key : {"id", "malay", "english", "category", "context", "words", "notes", "usageExamples"}) {
            QTest::addRow("%s missing", key) << with(key, QJsonValue::Undefined, 0) << decoding;
            QTest::addRow("%s null", key) << with(key, QJsonValue::Null, 0) << decoding;
        }
        // Strict RFC 8259: what a lenient parser would guess at is a decoding failure, never a page.
        const QByteArray good = raw();
        const auto extra = [](const QByteArray &more) { return raw(R"("m")", {}, more); };
        const auto nested = [](int depth) { return ",\"a\":" + QByteArray(depth, '[') + QByteArray(depth, ']'); };
        rows({{"as written", good, ok}, {"byte order mark first", "\xEF\xBB\xBF" + good, ok},
              {"all four white spaces",
               QByteArray(good).replace(",", " \t,\r\n").replace(":", "\n: ").replace("[", "[ "), ok},
              {"no-break space as space", QByteArray(good).replace(",", "\xC2\xA0,"), decoding},
              {"raw NUL", raw(QByteArray("\"a\0b\"", 5)), decoding}, {"raw tab", raw("\"a\tb\""), decoding},
              {"form feed as space", QByteArray(good).replace(",", "\f,"), decoding},
              {"missing comma", extra(R"( "a":1)"), decoding}, {"missing colon", extra(R"(,"a" 1)"), decoding}, {"unknown escape", raw(R"("\x41")"), decoding},
              {"short \\u escape", raw(R"("\u41")"), decoding}, {"stray UTF-8 byte", raw("\"a\xFF\""), decoding},
              {"overlong UTF-8", raw("\"\xC0\xAF\""), decoding}, {"UTF-8 surrogate", raw("\"\xED\xA0\x80\""), decoding},
              {"UTF-8 cut short", raw("\"a\xC3\""), decoding},
              {"unknown values of every kind",
               extra(R"(,"a":true,"b":false,"c":null,"d":[1,-2.5E+3,0.0,{"x":[],"y":{}}],"e":"\u00e9")"), ok},
              {"huge number", extra(R"(,"a":1e400)"), decoding}, {"trailing comma in the page", extra(","), decoding},
              {"trailing comma in an array", QByteArray(good).replace("}]", "},]"), decoding},
              {"key written with escapes", QByteArray(good).replace(R"("id")", R"("\u0069\u0064")"), ok},
              {"userId twice", extra(R"(,"userId":"v")"), decoding}, {"unknown twice", extra(R"(,"a":1,"a":[])"), ok},
              {"repeated phrase key", raw(R"("m")", R"(,"malay":"n")"), decoding},
              {"repeated cursor", extra(R"(,"nextCursor":null,"nextCursor":"c")"), decoding},
              {"nesting 1024 with the page", extra(nested(1023)), ok}, {"nesting 1025", extra(nested(1024)), decoding},
              {"nesting 20001", extra(nested(20000)), decoding},
              {"white space only", " \n", decoding}, {"an array", "[" + good + "]", decoding},
              {"two pages", good + good, decoding}, {"NUL after the page", good + QByteArray(1, '\0'), decoding}});
        for (const char *version : {"1.", "01", "+1", ".1", "1e+", "0x1", "Infinity"})
            QTest::addRow("version %s", version) << QByteArray(good).replace(":1,", QByteArray(":") + version + ",")
                                                 << decoding;
    }

    void outcome()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        const auto result = PhraseFeed::decode(body);
        QCOMPARE(result ? ok : result.error() == PhraseFeed::Error::decoding ? decoding : invalid, expected);
    }

    // Every key lands in its own field, and a page written out reads back the same.
    void fieldsLandWhereTheyBelong()
    {
        QJsonObject sent = page(1);
        sent.insert("nextCursor", "c2");
        const auto feed = PhraseFeed::decode(bytes(sent));
        QVERIFY(feed.ok());
        const PhraseFeed expected{1, "user-1",
                                  {Phrase{"p0", "Terima kasih", "Thank you", "Greetings", "To anyone who helps.",
                                          {{"kata", "word"}}, {"Polite."}, {{"m", "e", ""}}}},
                                  QStringLiteral("c2")};
        QVERIFY(feed.value() == expected);
        QVERIFY(PhraseFeed::decode(bytes(expected.toJson())).value() == expected);
    }

    // Escapes, surrogate pairs and UTF-8 read back as sent: nothing normalised, trimmed or dropped.
    void stringsDecode()
    {
        const std::pair<QByteArray, QString> rows[] = {
            {"\"\\\"\\\\\\/\\b\\f\\n\\r\\t\"", QStringLiteral("\"\\/\b\f\n\r\t")}, // short escapes
            {R"("\u00e9\u00C9")", QStringLiteral("éÉ")}, {R"("\ud83c\uddf2\uD83C\uDDFE")", QStringLiteral("🇲🇾")},
            {R"("x\ud800y")", QString(u'x') + QChar(0xd800) + QString(u'y')}, // a lone surrogate is kept
            {R"("a\u0000b")", QString(u'a') + QChar(0) + QString(u'b')},
            {"\"é … 😀 \xE2\x80\xA8\"", QStringLiteral("é … 😀 \u2028")}, {"\"é\\n…\\\"ü\"", QStringLiteral("é\n…\"ü")},
            {"\"\xEF\xBB\xBFx\"", QStringLiteral("\uFEFFx")}}; // U+FEFF opening the text
        for (const auto &[json, text] : rows)
            QCOMPARE(PhraseFeed::decode(raw(json)).value().phrases.at(0).malay, text);
    }
};

QTEST_GUILESS_MAIN(PhraseFeedTest)
#include "tst_phrase_feed.moc"
