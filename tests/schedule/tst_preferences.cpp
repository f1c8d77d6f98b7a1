#include "schedule/preferences.h"
#include "schedule/reminder_interval.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

static const QDateTime pauseEnd = QDateTime::fromMSecsSinceEpoch(1'780'000'123'456, Qt::UTC);
static const QStringList texts{"true", "5", pauseEnd.toString(Qt::ISODateWithMs), "",
                               QStringLiteral("Terima kasih · “ ” …\n\u00e9\u0301")};

// Runs as `this executable --write <file>`, so reading cannot come from QSettings' in-process cache.
static int writeInChildProcess(const QString &path)
{
    Preferences preferences(path);
    preferences.setBoolean("no", false);
    preferences.setInteger("negative", -3);
    preferences.setInteger("huge", (qint64(1) << 62) + 7);
    preferences.setInteger("tooBig", qint64(std::numeric_limits<int>::max()) + 1);
    preferences.setInteger("tooSmall", qint64(std::numeric_limits<int>::min()) - 1);
    preferences.setInteger("max", std::numeric_limits<int>::max());
    preferences.setValue("whole", 12.0);
    preferences.setValue("pausedUntil", pauseEnd.toLocalTime());
    for (int i = 0; i < texts.size(); ++i)
        preferences.setValue(QStringLiteral("text%1").arg(i), texts[i]);
    preferences.setValue("fraction", 2.5);
    preferences.setValue("nan", std::numeric_limits<double>::quiet_NaN());
    preferences.setValue("list", QStringList{"a", "", "b"});
    return 0;
}

class PreferencesTest : public QObject {
    Q_OBJECT

private slots:
    // Types survive a restart: text looking like a boolean, number or date stays text.
    void typesSurviveAnotherProcess()
    {
        const QTemporaryDir dir;
        const QString file = dir.filePath("child.json");
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"--write", file});
        QVERIFY(child.waitForFinished(30000));
        QVERIFY(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0);

        const Preferences read(file);
        QCOMPARE(read.value("no"), QVariant(false));
        QCOMPARE(read.integer("negative"), -3);
        QCOMPARE(read.value("huge"), QVariant::fromValue((qint64(1) << 62) + 7));
        QCOMPARE(read.value("huge").typeId(), QMetaType::LongLong);
        QCOMPARE(read.integer("max"), std::numeric_limits<int>::max());
        QCOMPARE(read.integer("whole"), 12);
        for (const char *key : {"tooBig", "tooSmall", "fraction", "nan", "text1", "absent"})
            QVERIFY2(read.integer(key) == 0, key);
        QCOMPARE(read.value("pausedUntil"), QVariant(pauseEnd)); // the same instant, as a date
        for (int i = 0; i < texts.size(); ++i)
            QCOMPARE(read.value(QStringLiteral("text%1").arg(i)), QVariant(texts[i]));
        QCOMPARE(read.value("fraction"), QVariant(2.5));
        QCOMPARE(read.value("list"), QVariant(QStringList{"a", "", "b"}));
    }

    // Garbage, another format or entries of the wrong shape read as absent; a write repairs the file.
    void hostileFilesAreReadSafely()
    {
        const QTemporaryDir dir;
        const QByteArray entries = R"({"good": {"type": "integer", "value": 30}, "wrongTag": {"type": "banana", "value": 1},
            "noValue": {"type": "bool"}, "boolAsText": {"type": "bool", "value": "true"}, "bare": 42, "nullEntry": null,
            "integerFraction": {"type": "integer", "value": 2.5}, "integerTooLarge": {"type": "integer", "value": 1e300},
            "integerTextOverflow": {"type": "integer", "value": "99999999999999999999999"},
            "badDate": {"type": "date", "value": "yesterday"}, "textAsNumber": {"type": "text", "value": 5},
            "listWithNumber": {"type": "textList", "value": ["a", 1]}, "badBase64": {"type": "bytes", "value": "***"}})";
        int files = 0;
        for (const QByteArray &bytes :
             {entries, QByteArray("\x00\xff\xfe\x01garbage\x80", 13), QByteArray(R"({"a": {"type": "bool", "value": tr)"),
              QByteArray("[General]\nreminderIntervalMinutes=15\n"), QByteArray(100000, '[') + QByteArray(100000, ']')}) {
            const QString file = dir.filePath(QString::number(++files));
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(bytes) == bytes.size());
            out.close();
            Preferences preferences(file);
            QCOMPARE(preferences.integer("good"), bytes == entries ? 30 : 0);
            for (const char *key : {"reminderIntervalMinutes", "wrongTag", "noValue", "boolAsText", "integerFraction",
                                    "integerTooLarge", "integerTextOverflow", "badDate", "textAsNumber",
                                    "listWithNumber", "badBase64", "bare", "nullEntry"})
                QVERIFY2(!preferences.value(key).isValid(), key);
            preferences.setInteger("reminderIntervalMinutes", 10);
            QCOMPARE(Preferences(file).integer("reminderIntervalMinutes"), 10); // written at once, readable
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), files); // no temporary files left
    }

    // Unicode spaces around plain digits, 1…1440; nothing that wraps round or merely looks like a digit.
    void reminderIntervalParse()
    {
        const std::pair<QString, int> accepted[] = {
            {"45", 45}, {" 45\n", 45}, {"\u00a060\u3000", 60}, {"\u20281\u2029", 1}, {"1440", 1440}, {"1", 1},
            {QString(40, u'0') + "1440", 1440}};
        for (const auto &[text, minutes] : accepted)
            QVERIFY2(ReminderInterval::parse(text) == minutes, qPrintable(text));
        for (const QString text : {"", "   ", "0", "1441", "+5", "4 5", "5.0", "\uff15", "\u0665", "4294967301",
                                   "18446744073709551621", "5\u200b"})
            QVERIFY2(!ReminderInterval::parse(text), qPrintable(text));
        QCOMPARE(ReminderInterval::parse(QString(QChar(0)) + "5"), std::nullopt);
    }

    void reminderIntervalLoadFallsBackToDefault()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("preferences.json");
        const std::pair<QVariant, int> stored[] = {
            {QVariant(), 5}, {0, 5}, {1441, 5}, {1, 1}, {1440, 1440},
            {QVariant::fromValue<qint64>((qint64(1) << 32) + 5), 5}, {7.5, 5}, {QStringLiteral("10"), 5}};
        for (const auto &[value, minutes] : stored) {
            Preferences(path).setValue(ReminderInterval::key, value);
            QVERIFY2(ReminderInterval::load(Preferences(path)) == minutes, qPrintable(value.toString()));
        }
        // The standard store lives in the configuration folder, never the learner's home.
        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
        QCOMPARE(Preferences::standard().filePath(), QDir(config).filePath("Pelora/PeloraCompanion.json"));
        Preferences::standard().setInteger(ReminderInterval::key, 15);
        QCOMPARE(ReminderInterval::load(), 15);
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
