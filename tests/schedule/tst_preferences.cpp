#include "schedule/preferences.h"
#include "schedule/reminder_interval.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <limits>

using namespace Qt::StringLiterals;

static const QDateTime pauseEnd = QDateTime::fromMSecsSinceEpoch(1'780'000'123'456, Qt::UTC);

struct StoredValue {
    const char *row;
    QString key;
    QVariant value;
};

// Written by a child process and read back exactly: text that looks like a boolean, number or date
// stays text; a date is the same instant; each value keeps its type.
static const QList<StoredValue> storedValues{
    {"false", u"no"_s, false},
    {"negative integer", u"negative"_s, QVariant::fromValue<qint64>(-3)},
    {"integer beyond 2^53", u"huge"_s, QVariant::fromValue((qint64(1) << 62) + 7)},
    {"largest int", u"max"_s, QVariant::fromValue<qint64>(std::numeric_limits<int>::max())},
    {"text like a boolean", u"text0"_s, u"true"_s},
    {"text like a number", u"text1"_s, u"5"_s},
    {"text like a date", u"text2"_s, pauseEnd.toString(Qt::ISODateWithMs)},
    {"empty text", u"text3"_s, u""_s},
    {"typographic and combining text", u"text4"_s, u"Terima kasih · “ ” …\n\u00e9\u0301"_s},
    {"fraction", u"fraction"_s, 2.5},
    {"infinity", u"infinity"_s, std::numeric_limits<double>::infinity()},
    {"text list with an empty item", u"list"_s, QStringList{u"a"_s, u""_s, u"b"_s}},
    {"bytes with a zero", u"bytes"_s, QByteArray("\x00\xff pelora", 9)},
    {"local date", u"pausedUntil"_s, pauseEnd.toLocalTime()},
};

// Runs as `this executable --write <file>`, so reading cannot come from QSettings' in-process cache.
static int writeInChildProcess(const QString &path)
{
    Preferences preferences(path);
    for (const StoredValue &stored : storedValues)
        preferences.setValue(stored.key, stored.value);
    preferences.setInteger(u"tooBig"_s, qint64(std::numeric_limits<int>::max()) + 1);
    preferences.setInteger(u"tooSmall"_s, qint64(std::numeric_limits<int>::min()) - 1);
    preferences.setValue(u"nan"_s, std::numeric_limits<double>::quiet_NaN());
    return 0;
}

class PreferencesTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_childFile;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_childFile = m_dir.filePath(u"child.json"_s);
        QCOMPARE(QProcess::execute(QCoreApplication::applicationFilePath(), {u"--write"_s, m_childFile}), 0);
    }

    void valueSurvivesAnotherProcess_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("written");
        for (const StoredValue &stored : storedValues)
            QTest::newRow(stored.row) << stored.key << stored.value;
    }

    void valueSurvivesAnotherProcess()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, written);
        const QVariant read = Preferences(m_childFile).value(key);
        // QVariant equality converts text to numbers, so the type is compared on its own.
        QCOMPARE(QByteArray(read.metaType().name()), QByteArray(written.metaType().name()));
        QCOMPARE(read, written);
    }

    void integerIsZeroUnlessAWholeIntFitsTheKey_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("expected");
        QTest::newRow("negative integer") << u"negative"_s << -3;
        QTest::newRow("largest int") << u"max"_s << std::numeric_limits<int>::max();
        QTest::newRow("false") << u"no"_s << 0;
        QTest::newRow("above the int range") << u"tooBig"_s << 0;
        QTest::newRow("below the int range") << u"tooSmall"_s << 0;
        QTest::newRow("integer beyond 2^53") << u"huge"_s << 0;
        QTest::newRow("fraction") << u"fraction"_s << 0;
        QTest::newRow("NaN") << u"nan"_s << 0;
        QTest::newRow("text like a number") << u"text1"_s << 0;
        QTest::newRow("absent") << u"absent"_s << 0;
    }

    void integerIsZeroUnlessAWholeIntFitsTheKey()
    {
        QFETCH(QString, key);
        QFETCH(int, expected);
        QCOMPARE(Preferences(m_childFile).integer(key), expected);
    }

    // A file damaged or edited by hand: each malformed entry is dropped, the others still count.
    void malformedEntryIsDroppedAlone_data()
    {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("integer as words") << R"({"type": "integer", "value": "five"})"_ba << QVariant();
        QTest::newRow("integer with a fraction") << R"({"type": "integer", "value": 1.5})"_ba << QVariant();
        QTest::newRow("integer as decimal text")
            << R"({"type": "integer", "value": "-12"})"_ba << QVariant::fromValue<qint64>(-12);
        QTest::newRow("boolean as text") << R"({"type": "bool", "value": "true"})"_ba << QVariant();
        QTest::newRow("double as words") << R"({"type": "double", "value": "many"})"_ba << QVariant();
        QTest::newRow("date that is no date") << R"({"type": "date", "value": "yesterday"})"_ba << QVariant();
        QTest::newRow("text as a number") << R"({"type": "text", "value": 5})"_ba << QVariant();
        QTest::newRow("text list with a number") << R"({"type": "textList", "value": ["a", 1]})"_ba << QVariant();
        QTest::newRow("bytes not base64") << R"({"type": "bytes", "value": "!!!"})"_ba << QVariant();
        QTest::newRow("unknown type") << R"({"type": "colour", "value": "red"})"_ba << QVariant();
        QTest::newRow("no type") << R"({"value": "red"})"_ba << QVariant();
        QTest::newRow("not an object") << R"("red")"_ba << QVariant();
        QTest::newRow("well formed text") << R"({"type": "text", "value": "merah"})"_ba << QVariant(u"merah"_s);
    }

    void malformedEntryIsDroppedAlone()
    {
        QFETCH(QByteArray, entry);
        QFETCH(QVariant, expected);
        const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + u".json"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(R"({"before": {"type": "bool", "value": true}, "entry": )"_ba + entry
                   + R"(, "after": {"type": "text", "value": "tetap"}})"_ba);
        file.close();

        const Preferences read(path);
        QCOMPARE(read.value(u"entry"_s), expected);
        QCOMPARE(read.value(u"before"_s), QVariant(true));
        QCOMPARE(read.value(u"after"_s), QVariant(u"tetap"_s));
    }

    // The custom interval: ASCII digits only, within 1…1440, Unicode white space trimmed.
    void reminderIntervalParsesTypedMinutes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("minutes");
        QTest::newRow("lowest") << u"1"_s << 1;
        QTest::newRow("highest, with a newline") << u" 1440\n"_s << 1440;
        QTest::newRow("forty leading zeros") << QString(40, u'0') + u"45"_s << 45;
        QTest::newRow("no-break and ideographic spaces") << u"\u00a060\u3000"_s << 60;
        QTest::newRow("line and paragraph separators") << u"\u20281\u2029"_s << 1;
    }

    void reminderIntervalParsesTypedMinutes()
    {
        QFETCH(QString, text);
        QFETCH(int, minutes);
        QCOMPARE(ReminderInterval::parse(text).value_or(0), minutes);
    }

    // Nothing wraps round into the range.
    void reminderIntervalRejectsTypedText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << u""_s;
        QTest::newRow("spaces only") << u"  "_s;
        QTest::newRow("zero") << u"0"_s;
        QTest::newRow("above the range") << u"1441"_s;
        QTest::newRow("plus sign") << u"+5"_s;
        QTest::newRow("minus sign") << u"-5"_s;
        QTest::newRow("inner space") << u"4 5"_s;
        QTest::newRow("decimal point") << u"5.0"_s;
        QTest::newRow("fullwidth digit") << u"\uff15"_s;
        QTest::newRow("Arabic-Indic digit") << u"\u0665"_s;
        QTest::newRow("wraps 32 bits to 5") << u"4294967301"_s;
        QTest::newRow("wraps 64 bits to 5") << u"18446744073709551621"_s;
        QTest::newRow("zero-width space") << u"5\u200b"_s;
    }

    void reminderIntervalRejectsTypedText()
    {
        QFETCH(QString, text);
        QCOMPARE(ReminderInterval::parse(text).value_or(0), 0); // 0 is never an accepted interval
    }

    // A stored interval outside 1…1440 or not a whole number reads as the default, 5.
    void reminderIntervalLoadsStoredValue_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("minutes");
        QTest::newRow("absent") << QVariant() << 5;
        QTest::newRow("zero") << QVariant(0) << 5;
        QTest::newRow("above the range") << QVariant(1441) << 5;
        QTest::newRow("lowest") << QVariant(1) << 1;
        QTest::newRow("highest") << QVariant(1440) << 1440;
        QTest::newRow("wraps 32 bits to 5") << QVariant::fromValue((qint64(1) << 32) + 5) << 5;
        QTest::newRow("fraction") << QVariant(7.5) << 5;
        QTest::newRow("text") << QVariant(u"10"_s) << 5;
    }

    void reminderIntervalLoadsStoredValue()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, minutes);
        const QString path = m_dir.filePath(u"interval %1.json"_s.arg(QString::fromLatin1(QTest::currentDataTag())));
        Preferences(path).setValue(QString::fromLatin1(ReminderInterval::key), stored);
        QCOMPARE(ReminderInterval::load(Preferences(path)), minutes);
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--write") == 0)
        return writeInChildProcess(QString::fromLocal8Bit(argv[2]));
    PreferencesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_preferences.moc"
