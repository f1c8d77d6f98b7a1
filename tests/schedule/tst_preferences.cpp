#include "schedule/preferences.h"
#include "schedule/reminder_interval.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

static const QDateTime pauseEnd = QDateTime::fromMSecsSinceEpoch(1'780'000'123'456, Qt::UTC);

// Runs as `this executable --write <file>`, so reading cannot come from QSettings' in-process cache.
static int writeInChildProcess(const QString &path)
{
    Preferences preferences(path);
    preferences.setValue(u"no"_s, false);
    preferences.setValue(u"text"_s, u"5"_s);
    preferences.setValue(u"pausedUntil"_s, pauseEnd.toLocalTime());
    return 0;
}

class PreferencesTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_childFile;

    // A file of this row's own, as a damaged or hand-edited one would be.
    QString writeFile(const QByteArray &json)
    {
        const QString name =
            QString::fromLatin1(QTest::currentTestFunction()) + u' ' + QString::fromLatin1(QTest::currentDataTag());
        const QString path = m_dir.filePath(name + u".json"_s);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size())
            return {};
        return path;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_childFile = m_dir.filePath(u"child.json"_s);
        QCOMPARE(QProcess::execute(QCoreApplication::applicationFilePath(), {u"--write"_s, m_childFile}), 0);
    }

    // The next run reads back the type that was written: text that looks like a number stays text,
    // and the stored pause is the same instant to the millisecond.
    void valueSurvivesAnotherProcess_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("written");
        QTest::newRow("false") << u"no"_s << QVariant(false);
        QTest::newRow("text like a number") << u"text"_s << QVariant(u"5"_s);
        QTest::newRow("local date") << u"pausedUntil"_s << QVariant(pauseEnd.toLocalTime());
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

    // One malformed entry is dropped alone: the learner's other settings still count.
    void malformedEntryIsDroppedAlone_data()
    {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("integer with a fraction") << R"({"type": "integer", "value": 1.5})"_ba << QVariant();
        QTest::newRow("integer as decimal text")
            << R"({"type": "integer", "value": "-12"})"_ba << QVariant::fromValue<qint64>(-12);
        QTest::newRow("text as a number") << R"({"type": "text", "value": 5})"_ba << QVariant();
        QTest::newRow("not an object") << R"("red")"_ba << QVariant();
    }

    void malformedEntryIsDroppedAlone()
    {
        QFETCH(QByteArray, entry);
        QFETCH(QVariant, expected);
        const QString path = writeFile(R"({"before": {"type": "bool", "value": true}, "entry": )"_ba + entry
                                       + R"(, "after": {"type": "text", "value": "tetap"}})"_ba);
        QVERIFY(!path.isEmpty());
        const Preferences read(path);
        QCOMPARE(read.value(u"entry"_s), expected);
        QCOMPARE(read.value(u"before"_s), QVariant(true));
        QCOMPARE(read.value(u"after"_s), QVariant(u"tetap"_s));
    }

    // A stored interval outside 1…1440, or not a whole number that fits, reads as the default, 5.
    void reminderIntervalLoadsStoredValue_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("minutes");
        QTest::newRow("highest") << R"({"type": "integer", "value": 1440})"_ba << 1440;
        QTest::newRow("above the range") << R"({"type": "integer", "value": 1441})"_ba << 5;
        QTest::newRow("zero") << R"({"type": "integer", "value": 0})"_ba << 5;
        QTest::newRow("wraps 32 bits to 7") << R"({"type": "integer", "value": 4294967303})"_ba << 5;
        QTest::newRow("fraction") << R"({"type": "double", "value": 7.5})"_ba << 5;
        QTest::newRow("text") << R"({"type": "text", "value": "10"})"_ba << 5;
    }

    void reminderIntervalLoadsStoredValue()
    {
        QFETCH(QByteArray, stored);
        QFETCH(int, minutes);
        const QString path = writeFile(R"({"reminderIntervalMinutes": )"_ba + stored + "}"_ba);
        QVERIFY(!path.isEmpty());
        QCOMPARE(ReminderInterval::load(Preferences(path)), minutes);
    }

    // What the learner types as a custom interval: ASCII digits only, within 1…1440, Unicode white space
    // trimmed; nothing wraps round into the range. 0 stands for a refusal.
    void reminderIntervalParsesTypedMinutes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("minutes");
        QTest::newRow("lowest") << u"1"_s << 1;
        QTest::newRow("highest, with a newline") << u" 1440\n"_s << 1440;
        QTest::newRow("no-break and ideographic spaces") << u"\u00a060\u3000"_s << 60;
        QTest::newRow("zero") << u"0"_s << 0;
        QTest::newRow("above the range") << u"1441"_s << 0;
        QTest::newRow("minus sign") << u"-5"_s << 0;
        QTest::newRow("fullwidth digit") << u"\uff15"_s << 0;
        QTest::newRow("wraps 64 bits to 5") << u"18446744073709551621"_s << 0;
    }

    void reminderIntervalParsesTypedMinutes()
    {
        QFETCH(QString, text);
        QFETCH(int, minutes);
        QCOMPARE(ReminderInterval::parse(text).value_or(0), minutes);
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
