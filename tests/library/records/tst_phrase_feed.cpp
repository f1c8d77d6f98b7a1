#include "library/phrase_feed.h"

#include <QJsonDocument>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QJsonArray words(int count)
{
    const QVariantMap word{{u"malay"_s, u"kata"_s}, {u"english"_s, u"word"_s}};
    return QJsonArray::fromVariantList(QVariantList(count, word));
}

QJsonObject phrase(const QString &id)
{
    const QJsonObject example{{u"malay"_s, u"m"_s}, {u"english"_s, u"e"_s}, {u"situation"_s, u""_s}};
    return {{u"id"_s, id},
            {u"malay"_s, u"Terima kasih"_s},
            {u"english"_s, u"Thank you"_s},
            {u"category"_s, u"Greetings"_s},
            {u"context"_s, u"To anyone who helps."_s},
            {u"notes"_s, QJsonArray{u"Polite."_s}},
            {u"words"_s, words(1)},
            {u"usageExamples"_s, QJsonArray{example}}};
}

QJsonObject page(int count)
{
    QJsonArray array;
    for (int i = 0; i < count; ++i)
        array.append(phrase(u"p%1"_s.arg(i)));
    return {{u"version"_s, 1}, {u"userId"_s, u"user-1"_s}, {u"phrases"_s, array}};
}

QByteArray bytes(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// A page of `count` phrases with `key` set to `value` (undefined: removed) in the page (index -1)
// or in the phrase at `index`.
QByteArray with(const QString &key, const QJsonValue &value, int index = -1, int count = 2)
{
    QJsonObject object = page(count);
    QJsonArray array = object.value(u"phrases"_s).toArray();
    QJsonObject target = index < 0 ? object : array.at(index).toObject();
    if (value.isUndefined())
        target.remove(key);
    else
        target.insert(key, value);
    if (index < 0)
        return bytes(target);
    array.replace(index, target);
    object.insert(u"phrases"_s, array);
    return bytes(object);
}

// A page written out by hand with one phrase: its "malay" value, then more keys in the phrase and the page.
QByteArray raw(const QByteArray &malay = R"("m")"_ba, const QByteArray &inPhrase = {}, const QByteArray &inPage = {})
{
    return R"({"version":1,"userId":"u","phrases":[{"id":"a","malay":)"_ba + malay
        + R"(,"english":"e","category":"","context":"","words":[],"notes":[],"usageExamples":[])"_ba + inPhrase
        + "}]"_ba + inPage + "}"_ba;
}

// The hand-written page with more keys in the page itself.
QByteArray rawWithPageKeys(const QByteArray &more)
{
    return raw(R"("m")"_ba, {}, more);
}

// A key whose value is `depth` nested arrays.
QByteArray nested(int depth)
{
    return ",\"a\":"_ba + QByteArray(depth, '[') + QByteArray(depth, ']');
}

const QString accepted = u"accepted"_s;
const QString decoding = u"decoding failure"_s;
const QString invalid = u"invalid response"_s;

QString outcomeOf(const QByteArray &body)
{
    const auto result = PhraseFeed::decode(body);
    if (result)
        return accepted;
    return result.error() == PhraseFeed::Error::decoding ? decoding : invalid;
}

} // namespace

class PhraseFeedTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Decoding failure: the wrong shape. Invalid response: the right shape breaking a rule.
    void pageRules_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        QJsonObject tooLong = phrase(u"a"_s);
        tooLong.insert(u"malay"_s, QString(301, u'a'));
        QJsonObject incomplete = phrase(u"b"_s);
        incomplete.remove(u"notes"_s);
        const QJsonObject brokenThenIncomplete{
            {u"version"_s, 1}, {u"userId"_s, u"u"_s}, {u"phrases"_s, QJsonArray{tooLong, incomplete}}};

        QTest::newRow("version 2") << with(u"version"_s, 2) << invalid;
        QTest::newRow("version as text") << with(u"version"_s, u"1"_s) << decoding;
        QTest::newRow("version beyond 32 bits") << R"({"version":4294967297,"userId":"u","phrases":[]})"_ba << invalid;
        QTest::newRow("no phrases") << bytes(page(0)) << accepted;
        QTest::newRow("phrases 50") << bytes(page(50)) << accepted;
        QTest::newRow("phrases 51") << bytes(page(51)) << invalid;
        QTest::newRow("keys differ in case") << R"({"Version":1,"userId":"u","phrases":[]})"_ba << decoding;
        QTest::newRow("userId empty") << with(u"userId"_s, u""_s) << invalid;
        QTest::newRow("repeated id") << with(u"id"_s, u"p0"_s, 1) << invalid;
        QTest::newRow("bad phrase last of 50") << with(u"words"_s, words(81), 49, 50) << invalid;
        QTest::newRow("malay empty") << with(u"malay"_s, u""_s, 0) << invalid;
        // The shape of the whole page is checked before any rule.
        QTest::newRow("rule broken, then key missing") << bytes(brokenThenIncomplete) << decoding;
        QTest::newRow("notes with a number") << with(u"notes"_s, QJsonArray{u"a"_s, 1}, 0) << decoding;
        QTest::newRow("context 2000 flags, 8000 units") << with(u"context"_s, u"🇲🇾"_s.repeated(2000), 0) << accepted;
        QTest::newRow("words 80") << with(u"words"_s, words(80), 0) << accepted;
        QTest::newRow("words 81") << with(u"words"_s, words(81), 0) << invalid;

        // Lengths count user-perceived characters: "é" as e + combining acute is one, not two.
        const std::pair<const char *, int> limits[] = {{"malay", 300}, {"english", 500}, {"context", 2000}};
        for (const auto &[key, max] : limits) {
            const QString name = QString::fromLatin1(key);
            for (const int n : {max, max + 1}) {
                const QString expected = n > max ? invalid : accepted;
                QTest::addRow("%s %d", key, n) << with(name, QString(n, u'a'), 0) << expected;
                QTest::addRow("%s %d combined", key, n) << with(name, u"e\u0301"_s.repeated(n), 0) << expected;
            }
        }
        const char *required[] = {"id", "malay", "english", "category", "context", "words", "notes", "usageExamples"};
        for (const char *key : required) {
            QTest::addRow("%s missing", key) << with(QString::fromLatin1(key), QJsonValue::Undefined, 0) << decoding;
            QTest::addRow("%s null", key) << with(QString::fromLatin1(key), QJsonValue::Null, 0) << decoding;
        }
    }

    void pageRules()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        QCOMPARE(outcomeOf(body), expected);
    }

    // Strict RFC 8259: what a lenient parser would guess at is a decoding failure, never a page.
    void strictJson_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        const QByteArray good = raw();
        const QByteArray spaced = QByteArray(good).replace(",", " \t,\r\n").replace(":", "\n: ").replace("[", "[ ");
        const QByteArray unknownValues =
            R"(,"a":true,"b":false,"c":null,"d":[1,-2.5E+3,0.0,{"x":[],"y":{}}],"e":"\u00e9")"_ba;

        QTest::newRow("as written") << good << accepted;
        QTest::newRow("byte order mark first") << "\xEF\xBB\xBF"_ba + good << accepted;
        QTest::newRow("all four white spaces") << spaced << accepted;
        QTest::newRow("no-break space as space") << QByteArray(good).replace(",", "\xC2\xA0,") << decoding;
        QTest::newRow("raw NUL") << raw(QByteArray("\"a\0b\"", 5)) << decoding;
        QTest::newRow("raw tab") << raw("\"a\tb\""_ba) << decoding;
        QTest::newRow("form feed as space") << QByteArray(good).replace(",", "\f,") << decoding;
        QTest::newRow("missing comma") << rawWithPageKeys(R"( "a":1)"_ba) << decoding;
        QTest::newRow("missing colon") << rawWithPageKeys(R"(,"a" 1)"_ba) << decoding;
        QTest::newRow("unknown escape") << raw(R"("\x41")"_ba) << decoding;
        QTest::newRow("short \\u escape") << raw(R"("\u41")"_ba) << decoding;
        QTest::newRow("stray UTF-8 byte") << raw("\"a\xFF\""_ba) << decoding;
        QTest::newRow("overlong UTF-8") << raw("\"\xC0\xAF\""_ba) << decoding;
        QTest::newRow("UTF-8 surrogate") << raw("\"\xED\xA0\x80\""_ba) << decoding;
        QTest::newRow("UTF-8 cut short") << raw("\"a\xC3\""_ba) << decoding;
        QTest::newRow("unknown values of every kind") << rawWithPageKeys(unknownValues) << accepted;
        QTest::newRow("huge number") << rawWithPageKeys(R"(,"a":1e400)"_ba) << decoding;
        QTest::newRow("trailing comma in the page") << rawWithPageKeys(","_ba) << decoding;
        QTest::newRow("trailing comma in an array") << QByteArray(good).replace("}]", "},]") << decoding;
        QTest::newRow("key written with escapes")
            << QByteArray(good).replace(R"("id")", R"("\u0069\u0064")") << accepted;
        QTest::newRow("userId twice") << rawWithPageKeys(R"(,"userId":"v")"_ba) << decoding;
        QTest::newRow("unknown twice") << rawWithPageKeys(R"(,"a":1,"a":[])"_ba) << accepted;
        QTest::newRow("repeated phrase key") << raw(R"("m")"_ba, R"(,"malay":"n")"_ba) << decoding;
        QTest::newRow("repeated cursor") << rawWithPageKeys(R"(,"nextCursor":null,"nextCursor":"c")"_ba) << decoding;
        QTest::newRow("nesting 1024 with the page") << rawWithPageKeys(nested(1023)) << accepted;
        QTest::newRow("nesting 1025") << rawWithPageKeys(nested(1024)) << decoding;
        QTest::newRow("nesting 20001") << rawWithPageKeys(nested(20000)) << decoding;
        QTest::newRow("empty") << QByteArray() << decoding;
        QTest::newRow("white space only") << " \n"_ba << decoding;
        QTest::newRow("an array") << "["_ba + good + "]"_ba << decoding;
        QTest::newRow("two pages") << good + good << decoding;
        QTest::newRow("NUL after the page") << good + QByteArray(1, '\0') << decoding;
        QTest::newRow("cut short") << good.chopped(1) << decoding;
        for (const char *version : {"1.", "01", "+1", ".1", "1e+", "0x1", "Infinity"}) {
            const QByteArray body = QByteArray(good).replace(":1,", QByteArray(":"_ba + version + ","_ba));
            QTest::addRow("version %s", version) << body << decoding;
        }
    }

    void strictJson()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        QCOMPARE(outcomeOf(body), expected);
    }

    // Every key lands in its own field, and a page written out reads back the same.
    void fieldsLandWhereTheyBelong()
    {
        QJsonObject sent = page(1);
        sent.insert(u"nextCursor"_s, u"c2"_s);
        const auto feed = PhraseFeed::decode(bytes(sent));
        QVERIFY(feed.ok());
        const PhraseFeed &read = feed.value();
        QCOMPARE(read.version, 1);
        QCOMPARE(read.userID, u"user-1"_s);
        QCOMPARE(read.nextCursor.value_or(u"(none)"_s), u"c2"_s);
        QCOMPARE(read.phrases.size(), 1);
        const Phrase &p = read.phrases.at(0);
        QCOMPARE(p.id, u"p0"_s);
        QCOMPARE(p.malay, u"Terima kasih"_s);
        QCOMPARE(p.english, u"Thank you"_s);
        QCOMPARE(p.category, u"Greetings"_s);
        QCOMPARE(p.context, u"To anyone who helps."_s);
        QCOMPARE(p.words.size(), 1);
        QCOMPARE(p.words.at(0).malay, u"kata"_s);
        QCOMPARE(p.words.at(0).english, u"word"_s);
        QCOMPARE(p.notes, QStringList{u"Polite."_s});
        QCOMPARE(p.usageExamples.size(), 1);
        QCOMPARE(p.usageExamples.at(0).malay, u"m"_s);
        QCOMPARE(p.usageExamples.at(0).english, u"e"_s);
        QCOMPARE(p.usageExamples.at(0).situation, u""_s);

        const auto again = PhraseFeed::decode(bytes(read.toJson()));
        QVERIFY(again.ok());
        QVERIFY(again.value() == read);
    }

    void absentOrNullCursorIsNone_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("absent") << raw();
        QTest::newRow("null") << rawWithPageKeys(R"(,"nextCursor":null)"_ba);
    }

    void absentOrNullCursorIsNone()
    {
        QFETCH(QByteArray, body);
        const auto feed = PhraseFeed::decode(body);
        QVERIFY(feed.ok());
        QCOMPARE(feed.value().nextCursor.has_value(), false);
    }

    // Escapes, surrogate pairs and UTF-8 read back as sent: nothing normalised, trimmed or dropped.
    void stringsDecodeAsSent_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("text");
        QTest::newRow("short escapes") << "\"\\\"\\\\\\/\\b\\f\\n\\r\\t\""_ba << u"\"\\/\b\f\n\r\t"_s;
        QTest::newRow("\\u escapes in both cases") << R"("\u00e9\u00C9")"_ba << u"éÉ"_s;
        QTest::newRow("surrogate pairs") << R"("\ud83c\uddf2\uD83C\uDDFE")"_ba << u"🇲🇾"_s;
        QTest::newRow("lone surrogate kept") << R"("x\ud800y")"_ba << u"x"_s + QChar(0xd800) + u"y"_s;
        QTest::newRow("escaped NUL") << R"("a\u0000b")"_ba << u"a"_s + QChar(0) + u"b"_s;
        QTest::newRow("raw UTF-8") << "\"é … 😀 \xE2\x80\xA8\""_ba << u"é … 😀 \u2028"_s;
        QTest::newRow("UTF-8 between escapes") << "\"é\\n…\\\"ü\""_ba << u"é\n…\"ü"_s;
        QTest::newRow("U+FEFF opening the text") << "\"\xEF\xBB\xBFx\""_ba << u"\uFEFFx"_s;
    }

    void stringsDecodeAsSent()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, text);
        const auto feed = PhraseFeed::decode(raw(json));
        QVERIFY(feed.ok());
        QCOMPARE(feed.value().phrases.at(0).malay, text);
    }
};

QTEST_GUILESS_MAIN(PhraseFeedTest)
#include "tst_phrase_feed.moc"
