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
    const QJsonObject example{{u"malay"_s, u"m"_s}, {u"english"_s, u"e"_s}, {u"situation"_s, u"s"_s}};
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

// A page written out by hand with one phrase: its "malay" value, then more keys in the page.
QByteArray raw(const QByteArray &malay = R"("m")"_ba, const QByteArray &inPage = {})
{
    return R"({"version":1,"userId":"u","phrases":[{"id":"a","malay":)"_ba + malay
        + R"(,"english":"e","category":"","context":"","words":[],"notes":[],"usageExamples":[]}])"_ba + inPage
        + "}"_ba;
}

// The hand-written page with more keys in the page itself.
QByteArray rawWithPageKeys(const QByteArray &more)
{
    return raw(R"("m")"_ba, more);
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
    // Decoding failure: the wrong shape, or JSON a lenient parser would guess at (strict RFC 8259).
    // Invalid response: the right shape breaking a rule.
    void outcome_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        QJsonObject tooLong = phrase(u"a"_s);
        tooLong.insert(u"malay"_s, QString(301, u'a'));
        QJsonObject incomplete = phrase(u"b"_s);
        incomplete.remove(u"notes"_s);
        const QJsonObject brokenThenIncomplete{
            {u"version"_s, 1}, {u"userId"_s, u"u"_s}, {u"phrases"_s, QJsonArray{tooLong, incomplete}}};
        const QByteArray good = raw();
        const QByteArray spaced = QByteArray(good).replace(",", " \t,\r\n").replace(":", "\n: ").replace("[", "[ ");
        const QByteArray unknownValues =
            R"(,"a":true,"b":false,"c":null,"d":[1,-2.5E+3,0.0,{"x":[],"y":{}}],"e":"\u00e9")"_ba;

        QTest::newRow("version 2") << with(u"version"_s, 2) << invalid;
        QTest::newRow("version as text") << with(u"version"_s, u"1"_s) << decoding;
        QTest::newRow("version beyond 32 bits") << R"({"version":4294967297,"userId":"u","phrases":[]})"_ba << invalid;
        QTest::newRow("userId empty") << with(u"userId"_s, u""_s) << invalid;
        QTest::newRow("phrases 50") << bytes(page(50)) << accepted;
        QTest::newRow("phrases 51") << bytes(page(51)) << invalid;
        QTest::newRow("repeated id") << with(u"id"_s, u"p0"_s, 1) << invalid;
        QTest::newRow("bad phrase last of 50") << with(u"words"_s, words(81), 49, 50) << invalid;
        QTest::newRow("malay empty") << with(u"malay"_s, u""_s, 0) << invalid;
        QTest::newRow("malay 300") << with(u"malay"_s, QString(300, u'a'), 0) << accepted;
        QTest::newRow("malay 301") << with(u"malay"_s, QString(301, u'a'), 0) << invalid;
        // Lengths count user-perceived characters: "é" as e + combining acute is one, not two.
        QTest::newRow("malay 300 combined") << with(u"malay"_s, u"e\u0301"_s.repeated(300), 0) << accepted;
        QTest::newRow("english 500") << with(u"english"_s, QString(500, u'a'), 0) << accepted;
        QTest::newRow("english 501") << with(u"english"_s, QString(501, u'a'), 0) << invalid;
        QTest::newRow("context 2000 flags, 8000 units") << with(u"context"_s, u"🇲🇾"_s.repeated(2000), 0) << accepted;
        QTest::newRow("context 2001") << with(u"context"_s, QString(2001, u'a'), 0) << invalid;
        QTest::newRow("words 80") << with(u"words"_s, words(80), 0) << accepted;
        QTest::newRow("words 81") << with(u"words"_s, words(81), 0) << invalid;
        QTest::newRow("id missing") << with(u"id"_s, QJsonValue::Undefined, 0) << decoding;
        QTest::newRow("usageExamples missing") << with(u"usageExamples"_s, QJsonValue::Undefined, 0) << decoding;
        QTest::newRow("words null") << with(u"words"_s, QJsonValue::Null, 0) << decoding;
        QTest::newRow("notes with a number") << with(u"notes"_s, QJsonArray{u"a"_s, 1}, 0) << decoding;
        // The shape of the whole page is checked before any rule.
        QTest::newRow("rule broken, then key missing") << bytes(brokenThenIncomplete) << decoding;

        QTest::newRow("byte order mark first") << "\xEF\xBB\xBF"_ba + good << accepted;
        QTest::newRow("all four white spaces") << spaced << accepted;
        QTest::newRow("form feed as space") << QByteArray(good).replace(",", "\f,") << decoding;
        QTest::newRow("raw NUL") << raw(QByteArray("\"a\0b\"", 5)) << decoding;
        QTest::newRow("missing comma") << rawWithPageKeys(R"( "a":1)"_ba) << decoding;
        QTest::newRow("missing colon") << rawWithPageKeys(R"(,"a" 1)"_ba) << decoding;
        QTest::newRow("trailing comma in an array") << QByteArray(good).replace("}]", "},]") << decoding;
        QTest::newRow("unknown escape") << raw(R"("\x41")"_ba) << decoding;
        QTest::newRow("short \\u escape") << raw(R"("\u41")"_ba) << decoding;
        QTest::newRow("overlong UTF-8") << raw("\"\xC0\xAF\""_ba) << decoding;
        QTest::newRow("UTF-8 cut short") << raw("\"a\xC3\""_ba) << decoding;
        QTest::newRow("unknown values of every kind") << rawWithPageKeys(unknownValues) << accepted;
        QTest::newRow("version 1.") << QByteArray(good).replace(":1,", ":1.,") << decoding;
        QTest::newRow("version 01") << QByteArray(good).replace(":1,", ":01,") << decoding;
        QTest::newRow("version 1e+") << QByteArray(good).replace(":1,", ":1e+,") << decoding;
        QTest::newRow("huge number") << rawWithPageKeys(R"(,"a":1e400)"_ba) << decoding;
        QTest::newRow("key written with escapes")
            << QByteArray(good).replace(R"("id")", R"("\u0069\u0064")") << accepted;
        // Which of two values would count is unclear, so a key the feed reads may come once only.
        QTest::newRow("userId twice") << rawWithPageKeys(R"(,"userId":"v")"_ba) << decoding;
        QTest::newRow("nesting 1024 with the page") << rawWithPageKeys(nested(1023)) << accepted;
        QTest::newRow("nesting 1025") << rawWithPageKeys(nested(1024)) << decoding;
        QTest::newRow("empty") << QByteArray() << decoding;
        QTest::newRow("two pages") << good + good << decoding;
        QTest::newRow("cut short") << good.chopped(1) << decoding;
    }

    void outcome()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        QCOMPARE(outcomeOf(body), expected);
    }

    // Every key lands in its own field: the page written back out is the page that was sent.
    void pageReadsBackAsSent()
    {
        QJsonObject sent = page(1);
        sent.insert(u"nextCursor"_s, u"c2"_s);
        const auto feed = PhraseFeed::decode(bytes(sent));
        QVERIFY(feed.ok());
        QCOMPARE(bytes(feed.value().toJson()), bytes(sent));
    }

    // A null cursor is no cursor (an empty one would be a cursor).
    void nullCursorIsNone()
    {
        const auto feed = PhraseFeed::decode(rawWithPageKeys(R"(,"nextCursor":null)"_ba));
        QVERIFY(feed.ok());
        QCOMPARE(feed.value().nextCursor.has_value(), false);
    }

    // Escapes, surrogate pairs and UTF-8 read back as sent: nothing normalised, trimmed or dropped.
    void stringsDecodeAsSent_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("text");
        QTest::newRow("short escapes") << "\"\\\"\\\\\\/\\b\\f\\n\\r\\t\""_ba << u"\"\\/\b\f\n\r\t"_s;
        QTest::newRow("surrogate pairs") << R"("\ud83c\uddf2\uD83C\uDDFE")"_ba << u"🇲🇾"_s;
        QTest::newRow("lone surrogate kept") << R"("x\ud800y")"_ba << u"x"_s + QChar(0xd800) + u"y"_s;
        QTest::newRow("escaped NUL") << R"("a\u0000b")"_ba << u"a"_s + QChar(0) + u"b"_s;
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
