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
    preferences.setInteger("tooBig", qint64(std::numeric_limits<int>::max()) + 1);
    preferences.setInteger("tooSmall", qint64(std::numeric_limits<int>::min()) - 1);
    preferences.setInteger("max", std::numeric_limits<int>::max());
    preferences.setValue("pausedUntil", pauseEnd.toLocalTime());
    const QStringList texts{"true", "5", pauseEnd.toString(Qt::ISODateWithMs), "", malay};
    for (int i = 0; i < texts.size(); ++i)
        preferences.setValue(QStringLiteral("text%1").arg(i), texts[i]);
    preferences.setValue("whole", 12.0);
    preferences.setValue("fraction", 2.5);
    preferences.setValue("infinite", std::numeric_limits<double>::infinity());
    preferences.setValue("nan", std::numeric_limits<double>::quiet_NaN());
    preferences.setValue("list", QStringList{"a", "", "b"});
    preferences.setValue("removed", 1);
    preferences.remove("removed");
    return 0;
}

class PreferencesTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    QString write(const QByteArray &bytes) // a new file holding `bytes`
    {
        QFile file(m_dir.filePath(QString::number(++m_files)));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? file.fileName() : QString();
    }

private slots:
    // Types, including texts that look like a boolean, a number or a date,
    // and the limits of whole numbers, read back as written after a restart.
    void typesSurviveAnotherProcess()
    {
        const QString file = m_dir.filePath("child.json");
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
        QCOMPARE(read.integer("max"), std::numeric_limits<int>::max());
        QCOMPARE(read.integer("whole"), 12);
        for (const char *key : {"tooBig", "tooSmall", "fraction", "infinite", "nan", "text1", "absent"})
            QVERIFY2(read.integer(key) == 0, key);
        QCOMPARE(read.value("pausedUntil").typeId(), QMetaType::QDateTime);
        QCOMPARE(read.value("pausedUntil").toDateTime().toMSecsSinceEpoch(), pauseEnd.toMSecsSinceEpoch());
        for (int i = 0; i < 5; ++i)
            QCOMPARE(read.value(QStringLiteral("text%1").arg(i)).typeId(), QMetaType::QString);
        QCOMPARE(read.text("text4"), malay);
        QCOMPARE(read.value("fraction").typeId(), QMetaType::Double);
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

    void hostileFilesAreReadSafely()
    {
        for (const QByteArray &bytes :
             {QByteArray("\x00\xff\xfe\x01garbage\x80", 13), QByteArray(R"({"a": {"type": "bool", "value": tr)"),
              QByteArray("[1, 2, 3]"), QByteArray("[General]\nreminderIntervalMinutes=15\n"),
              QByteArray(100000, '[') + QByteArray(100000, ']'),
              QByteArray("{\"\xc3\x28\": {\"type\": \"text\", \"value\": \"\xff\"}}")}) {
            const QString file = write(bytes);
            {
                Preferences preferences(file);
                QCOMPARE(preferences.integer("reminderIntervalMinutes"), 0);
                QCOMPARE(preferences.text("webOrigin"), QString());
                preferences.setInteger("reminderIntervalMinutes", 10); // leaves a readable file behind
            }
            QCOMPARE(Preferences(file).integer("reminderIntervalMinutes"), 10);
        }
    }

    void malformedEntriesAreSkipped()
    {
        const Preferences preferences(write(R"({"good": {"type": "integer", "value": 30},
            "wrongTag": {"type": "banana", "value": 1}, "noValue": {"type": "bool"},
            "boolAsText": {"type": "bool", "value": "true"}, "integerFraction": {"type": "integer", "value": 2.5},
            "integerTooLarge": {"type": "integer", "value": 1e300},
            "integerTextOverflow": {"type": "integer", "value": "99999999999999999999999"},
            "badDate": {"type": "date", "value": "yesterday"}, "textAsNumber": {"type": "text", "value": 5},
            "listWithNumber": {"type": "textList", "value": ["a", 1]}, "badBase64": {"type": "bytes", "value": "***"},
            "bare": 42, "nullEntry": null})"));
        QCOMPARE(preferences.integer("good"), 30);
        for (const char *key : {"wrongTag", "noValue", "boolAsText", "integerFraction", "integerTooLarge", "integerTextOverflow",
                                "badDate", "textAsNumber", "listWithNumber", "badBase64", "bare", "nullEntry"})
            QVERIFY2(!preferences.value(key).isValid(), key);
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
