#include "schedule/preferences.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

static const QDateTime pauseEnd = QDateTime::fromMSecsSinceEpoch(1'780'000'123'456, Qt::UTC);
static const QString malay = QStringLiteral("Terima kasih · “ ” …\n\u00e9\u0301");

// Runs in a separate process (this executable with --write <file>), so that
// the reading side cannot be served from QSettings' in-process cache.
static int writeInChildProcess(const QString &path)
{
    Preferences preferences(path);
    preferences.setBoolean("no", false);
    preferences.setInteger("negative", -3);
    preferences.setInteger("huge", (qint64(1) << 62) + 7);
    preferences.setValue("pausedUntil", pauseEnd.toLocalTime());
    preferences.setValue("textTrue", QStringLiteral("true"));
    preferences.setValue("textNumber", QStringLiteral("5"));
    preferences.setValue("textDate", pauseEnd.toString(Qt::ISODateWithMs));
    preferences.setValue("emptyText", QString());
    preferences.setValue("malay", malay);
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
        QCOMPARE(read.value("no"), QVariant(false));
        QCOMPARE(read.integer("negative"), -3);
        QCOMPARE(read.value("huge"), QVariant::fromValue((qint64(1) << 62) + 7));
        QCOMPARE(read.value("huge").typeId(), QMetaType::LongLong);
        QCOMPARE(read.value("pausedUntil").typeId(), QMetaType::QDateTime);
        QCOMPARE(read.value("pausedUntil").toDateTime().toMSecsSinceEpoch(), pauseEnd.toMSecsSinceEpoch());

        // Text stays text even when it looks like a boolean, a number or a date.
        for (const char *key : {"textTrue", "textNumber", "textDate", "emptyText", "malay"})
            QCOMPARE(read.value(key).typeId(), QMetaType::QString);
        QCOMPARE(read.integer("textNumber"), 0);
        QCOMPARE(read.text("malay"), malay);

        QCOMPARE(read.value("fraction").typeId(), QMetaType::Double);
        QCOMPARE(read.integer("fraction"), 0);
        QCOMPARE(read.value("list").toStringList(), (QStringList{"a", "", "b"}));
        QVERIFY(!read.value("removed").isValid());
    }

    void writesReachTheFileAtOnceAndAtomically()
    {
        const QTemporaryDir dir;
        const QString file = dir.filePath("atomic.json");
        Preferences writer(file);
        for (int i = 0; i <= 20; ++i)
            writer.setInteger("counter", i);
        writer.setValue("pausedUntil", pauseEnd);
        QCOMPARE(Preferences(file).integer("counter"), 20);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"atomic.json"});

        writer.remove("pausedUntil");
        QVERIFY(!Preferences(file).value("pausedUntil").isValid());
        writer.setValue("counter", QVariant());
        QVERIFY(!Preferences(file).value("counter").isValid());
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
        const Preferences fresh(preferences.filePath());
        QCOMPARE(fresh.integer("max"), std::numeric_limits<int>::max());
        QCOMPARE(fresh.integer("whole"), 12);
        for (const char *key : {"tooBig", "tooSmall", "infinite", "nan", "absent"})
            QVERIFY2(fresh.integer(key) == 0, key);
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
            QCOMPARE(preferences.text("webOrigin"), QString());
            preferences.setInteger("reminderIntervalMinutes", 10); // leaves a readable file behind
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
            "integerFraction": {"type": "integer", "value": 2.5},
            "integerTooLarge": {"type": "integer", "value": 1e300},
            "integerTextOverflow": {"type": "integer", "value": "99999999999999999999999"},
            "badDate": {"type": "date", "value": "yesterday"},
            "textAsNumber": {"type": "text", "value": 5},
            "listWithNumber": {"type": "textList", "value": ["a", 1]},
            "badBase64": {"type": "bytes", "value": "***"},
            "bare": 42,
            "nullEntry": null
        })");
        const Preferences preferences(file);
        QCOMPARE(preferences.integer("good"), 30);
        for (const char *key : {"wrongTag", "noValue", "boolAsText", "integerFraction", "integerTooLarge",
                                "integerTextOverflow", "badDate", "textAsNumber", "listWithNumber",
                                "badBase64", "bare", "nullEntry"})
            QVERIFY2(!preferences.value(key).isValid(), key);
    }

    void standardStoreLivesInTheConfigFolder()
    {
        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
        QVERIFY(!config.isEmpty()); // never the learner's own folder
        QCOMPARE(Preferences::standard().filePath(), QDir(config).filePath("Pelora/PeloraCompanion.json"));
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
