#include "schedule/preferences.h"
#include "schedule/reminder_interval.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class ReminderIntervalTest : public QObject {
    Q_OBJECT

private slots:
    // What the learner types: Unicode spaces around plain digits, 1…1440;
    // nothing that wraps round into the range or merely looks like a digit.
    void parse()
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
        QCOMPARE(ReminderInterval::label(1), "Every minute");
        QCOMPARE(ReminderInterval::label(2), "Every 2 minutes");
    }

    void loadFallsBackToDefault()
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
        QVERIFY(!config.isEmpty());
        QCOMPARE(Preferences::standard().filePath(), QDir(config).filePath("Pelora/PeloraCompanion.json"));
        QCOMPARE(ReminderInterval::load(), 5);
        Preferences::standard().setInteger(ReminderInterval::key, 15);
        QCOMPARE(ReminderInterval::load(), 15);
    }
};

QTEST_GUILESS_MAIN(ReminderIntervalTest)
#include "tst_reminder_interval.moc"
