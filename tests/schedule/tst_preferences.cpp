#include "schedule/preferences.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The instant every run writes and expects back, with milliseconds.
static const QDateTime pauseEnd = QDateTime::fromMSecsSinceEpoch(1'780'000'123'456, Qt::UTC);

// Runs in a separate process (this executable with --write <file>), so that
// the reading side cannot be served from QSettings' in-process cache.
static int writeInChildProcess(const QString &path)
{
    Preferences preferences(path);
    preferences.setBoolean("phraseLookupShortcutEnabled", false);
    preferences.setBoolean("yes", true);
    preferences.setInteger("reminderIntervalMinutes", 15);
    preferences.setInteger("negative", -3);
    preferences.setInteger("huge", (qint64(1) << 62) + 7);
    preferences.setValue("pausedUntil", pauseEnd.toLocalTime());
    preferences.setValue("webOrigin", QStringLiteral("http://localhost:3000"));
    preferences.setValue("textTrue", QStringLiteral("true"));
    preferences.setValue("textNumber", QStringLiteral("5"));
    preferences.setValue("textDate", pauseEnd.toString(Qt::ISODateWithMs));
    preferences.setValue("emptyText", QString());
    preferences.setValue("malay", QStringLiteral("Terima kasih · “ ” …\n\u00e9\u0301"));
    preferences.setValue("fraction", 2.5);
    preferences.setValue("list", QStringList{"a", "", "b"});
    preferences.setValue("removed", 1);
    preferences.remove("removed");
    return 0;
}

class PreferencesTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

private slots:
    void typesSurviveAnotherProcess()
    {
        const QString file = path("child.json");
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"--write", file});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);

        const Preferences read(file);
        QCOMPARE(read.value("phraseLookupShortcutEnabled").typeId(), QMetaType::Bool);
        QCOMPARE(read.value("phraseLookupShortcutEnabled").toBool(), false);
        QCOMPARE(read.value("yes").typeId(), QMetaType::Bool);
        QCOMPARE(read.value("yes").toBool(), true);

        QCOMPARE(read.integer("reminderIntervalMinutes"), 15);
        QCOMPARE(read.integer("negative"), -3);
        QCOMPARE(read.value("huge").toLongLong(), (qint64(1) << 62) + 7);
        QCOMPARE(read.value("huge").typeId(), QMetaType::LongLong);

        const QVariant date = read.value("pausedUntil");
        QCOMPARE(date.typeId(), QMetaType::QDateTime);
        QCOMPARE(date.toDateTime(), pauseEnd);
        QCOMPARE(date.toDateTime().toMSecsSinceEpoch(), pauseEnd.toMSecsSinceEpoch());

        // Text stays text even when it looks like a boolean, a number or a date.
        QCOMPARE(read.text("webOrigin"), "http://localhost:3000");
        for (const char *key : {"textTrue", "textNumber", "textDate", "emptyText", "malay"})
            QCOMPARE(read.value(key).typeId(), QMetaType::QString);
        QCOMPARE(read.text("textTrue"), "true");
        QCOMPARE(read.integer("textNumber"), 0);
        QCOMPARE(read.text("malay"), QStringLiteral("Terima kasih · “ ” …\n\u00e9\u0301"));
        QVERIFY(read.value("emptyText").isValid());

        QCOMPARE(read.value("fraction").typeId(), QMetaType::Double);
        QCOMPARE(read.value("fraction").toDouble(), 2.5);
        QCOMPARE(read.integer("fraction"), 0);
        QCOMPARE(read.value("list").toStringList(), (QStringList{"a", "", "b"}));
        QVERIFY(!read.value("removed").isValid());
        QVERIFY(!read.value("neverWritten").isValid());
    }

    void writesAreVisibleToAFreshInstanceAtOnce()
    {
        const QString file = path("same-process.json");
        Preferences writer(file);
        writer.setInteger("reminderIntervalMinutes", 60);
        writer.setValue("pausedUntil", pauseEnd);
        QCOMPARE(Preferences(file).integer("reminderIntervalMinutes"), 60);

        // The file itself already holds the values (written without waiting
        // for the event loop or the destructor).
        QFile onDisk(file);
        QVERIFY(onDisk.open(QIODevice::ReadOnly));
        const QByteArray bytes = onDisk.readAll();
        QVERIFY(bytes.contains("reminderIntervalMinutes"));
        QVERIFY(bytes.contains("pausedUntil"));

        writer.remove("pausedUntil");
        QVERIFY(!Preferences(file).value("pausedUntil").isValid());
        writer.setValue("reminderIntervalMinutes", QVariant());
        QVERIFY(!Preferences(file).value("reminderIntervalMinutes").isValid());
        QCOMPARE(Preferences(file).integer("reminderIntervalMinutes"), 0);
    }

    void integerReadingIsStrict()
    {
        Preferences preferences(path("integers.json"));
        preferences.setInteger("max", std::numeric_limits<int>::max());
        preferences.setInteger("tooBig", qint64(std::numeric_limits<int>::max()) + 1);
        preferences.setInteger("tooSmall", qint64(std::numeric_limits<int>::min()) - 1);
        preferences.setValue("whole", 12.0);
        preferences.setValue("infinite", std::numeric_limits<double>::infinity());
        preferences.setValue("nan", std::numeric_limits<double>::quiet_NaN());
        preferences.setBoolean("flag", true);
        const Preferences fresh(preferences.filePath());
        QCOMPARE(fresh.integer("max"), std::numeric_limits<int>::max());
        QCOMPARE(fresh.integer("tooBig"), 0);
        QCOMPARE(fresh.integer("tooSmall"), 0);
        QCOMPARE(fresh.integer("whole"), 12);
        QCOMPARE(fresh.integer("infinite"), 0);
        QCOMPARE(fresh.integer("nan"), 0);
        QCOMPARE(fresh.integer("absent"), 0);
        QVERIFY(qIsInf(fresh.value("infinite").toDouble()));
        QVERIFY(qIsNaN(fresh.value("nan").toDouble()));
    }

    void hostileFilesAreReadSafely_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe\x01garbage\x80", 13);
        QTest::newRow("truncated JSON") << QByteArray(R"({"a": {"type": "bool", "value": tr)");
        QTest::newRow("array") << QByteArray("[1, 2, 3]");
        QTest::newRow("INI") << QByteArray("[General]\nreminderIntervalMinutes=15\n");
        QTest::newRow("deep nesting") << QByteArray(100000, '[') + QByteArray(100000, ']');
        QTest::newRow("invalid UTF-8") << QByteArray("{\"\xc3\x28\": {\"type\": \"text\", \"value\": \"\xff\"}}");
    }

    void hostileFilesAreReadSafely()
    {
        QFETCH(QByteArray, bytes);
        const QString file = path("hostile.json");
        writeFile(file, bytes);
        {
            Preferences preferences(file);
            QCOMPARE(preferences.integer("reminderIntervalMinutes"), 0);
            QVERIFY(!preferences.value("pausedUntil").isValid());
            QCOMPARE(preferences.text("webOrigin"), QString());
            // A later write leaves a readable file behind.
            preferences.setInteger("reminderIntervalMinutes", 10);
        }
        QCOMPARE(Preferences(file).integer("reminderIntervalMinutes"), 10);
        QFile::remove(file);
    }

    void malformedEntriesAreSkipped()
    {
        const QString file = path("entries.json");
        writeFile(file, R"({
            "good": {"type": "integer", "value": 30},
            "wrongTag": {"type": "banana", "value": 1},
            "noValue": {"type": "bool"},
            "boolAsText": {"type": "bool", "value": "true"},
            "integerAsWords": {"type": "integer", "value": "thirty"},
            "integerFraction": {"type": "integer", "value": 2.5},
            "integerTooLarge": {"type": "integer", "value": 1e300},
            "integerTextOverflow": {"type": "integer", "value": "99999999999999999999999"},
            "badDate": {"type": "date", "value": "yesterday"},
            "dateAsNumber": {"type": "date", "value": 1780000000},
            "textAsNumber": {"type": "text", "value": 5},
            "listWithNumber": {"type": "textList", "value": ["a", 1]},
            "badBase64": {"type": "bytes", "value": "***"},
            "bare": 42,
            "nullEntry": null,
            "text": {"type": "text", "value": "kept"}
        })");
        const Preferences preferences(file);
        QCOMPARE(preferences.integer("good"), 30);
        QCOMPARE(preferences.text("text"), "kept");
        for (const char *key : {"wrongTag", "noValue", "boolAsText", "integerAsWords", "integerFraction",
                                "integerTooLarge", "integerTextOverflow", "badDate", "dateAsNumber",
                                "textAsNumber", "listWithNumber", "badBase64", "bare", "nullEntry"})
            QVERIFY2(!preferences.value(key).isValid(), key);
    }

    void standardStoreLivesInTheConfigFolder()
    {
        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
        QVERIFY(!config.isEmpty()); // never the learner's own folder
        QCOMPARE(Preferences::standard().filePath(),
                 QDir(config).filePath("Pelora/PeloraCompanion.json"));
        Preferences::standard().setBoolean("phraseLookupShortcutEnabled", true);
        QVERIFY(QFile::exists(Preferences::standard().filePath()));
        QCOMPARE(Preferences(Preferences::standard().filePath()).value("phraseLookupShortcutEnabled"),
                 QVariant(true));
    }

    void writingLeavesNoTemporaryFiles()
    {
        QTemporaryDir dir;
        Preferences preferences(dir.filePath("atomic.json"));
        for (int i = 0; i < 20; ++i)
            preferences.setInteger("counter", i);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"atomic.json"});
        QCOMPARE(Preferences(dir.filePath("atomic.json")).integer("counter"), 19);
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
