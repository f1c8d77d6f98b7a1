#include "schedule/preferences.h"
#include "schedule/reminder_interval.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

static const QDateTime pauseEnd = QDateTime::fromMSecsSinceEpoch(1'780'000'123'456, Qt::UTC);
// Read back exactly: text that looks like a boolean, number or date stays text; a date is the same instant.
static const QList<std::pair<QString, QVariant>> values{
    {"text0", "true"}, {"text1", "5"}, {"text2", pauseEnd.toString(Qt::ISODateWithMs)}, {"text3", ""},
    {"text4", QStringLiteral("Terima kasih · “ ” …\n\u00e9\u0301")}, {"fraction", 2.5},
    {"list", QStringList{"a", "", "b"}}, {"pausedUntil", pauseEnd.toLocalTime()}};

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
    preferences.setValue("nan", std::numeric_limits<double>::quiet_NaN());
    for (const auto &[key, value] : values)
        preferences.setValue(key, value);
    return 0;
}

class PreferencesTest : public QObject {
    Q_OBJECT

private slots:
    void typesSurviveAnotherProcess()
    {
        const QTemporaryDir dir;
        const QString file = dir.filePath("child.json");
        QCOMPARE(QProcess::execute(QCoreApplication::applicationFilePath(), {"--write", file}), 0);

        const Preferences read(file);
        QCOMPARE(read.value("no"), QVariant(false));
        QCOMPARE(read.integer("negative"), -3);
        QCOMPARE(read.value("huge"), QVariant::fromValue((qint64(1) << 62) + 7));
        QCOMPARE(read.value("huge").typeId(), QMetaType::LongLong);
        QCOMPARE(read.integer("max"), std::numeric_limits<int>::max());
        for (const char *key : {"tooBig", "tooSmall", "fraction", "nan", "text1", "absent"})
            QVERIFY2(read.integer(key) == 0, key);
        for (const auto &[key, value] : values)
            QCOMPARE(read.value(key), value);
    }

    // The custom interval: ASCII digits only, within 1…1440, Unicode white
    // space trimmed; nothing wraps round into the range, typed or stored.
    void reminderIntervalParseAndLoad()
    {
        using ReminderInterval::parse;
        for (const auto &[text, minutes] : std::initializer_list<std::pair<QString, int>>{
                 {"1", 1}, {" 1440\n", 1440}, {QString(40, u'0') + "45", 45}, {"\u00a060\u3000", 60},
                 {"\u20281\u2029", 1}})
            QCOMPARE(parse(text), std::optional<int>(minutes));
        for (const QString text : {"", "  ", "0", "1441", "+5", "4 5", "5.0", "\uff15", "\u0665", "4294967301",
                                   "18446744073709551621", "5\u200b"})
            QVERIFY2(!parse(text), qPrintable(text));

        const QTemporaryDir dir;
        const QString path = dir.filePath("interval.json");
        for (const auto &[stored, minutes] : std::initializer_list<std::pair<QVariant, int>>{
                 {QVariant(), 5}, {0, 5}, {1441, 5}, {1, 1}, {1440, 1440},
                 {QVariant::fromValue((qint64(1) << 32) + 5), 5}, {7.5, 5}, {QStringLiteral("10"), 5}}) {
            Preferences(path).setValue(ReminderInterval::key, stored);
            QCOMPARE(ReminderInterval::load(Preferences(path)), minutes);
        }
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
