#include "schedule/preferences.h"
#include "schedule/reminder_interval.h"

#include <QTemporaryDir>
#include <QTest>

class ReminderIntervalTest : public QObject {
    Q_OBJECT

private slots:
    void parseAccepts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("minutes");
        QTest::newRow("plain") << "45" << 45;
        QTest::newRow("space before, line break after") << " 45\n" << 45;
        QTest::newRow("no-break and ideographic spaces") << QString::fromUtf8("\u00a060\u3000") << 60;
        QTest::newRow("line and paragraph separators") << QString::fromUtf8("\u20281\u2029") << 1;
        QTest::newRow("upper bound") << "1440" << 1440;
        QTest::newRow("lower bound") << "1" << 1;
        QTest::newRow("many leading zeros") << QString(40, u'0') + "1440" << 1440;
    }

    void parseAccepts()
    {
        QFETCH(QString, text);
        QFETCH(int, minutes);
        QCOMPARE(ReminderInterval::parse(text), std::optional<int>(minutes));
    }

    void parseRejects_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("spaces only") << "   ";
        QTest::newRow("zero") << "0";
        QTest::newRow("above range") << "1441";
        QTest::newRow("plus sign") << "+5";
        QTest::newRow("inner space") << "4 5";
        QTest::newRow("decimal point") << "5.0";
        QTest::newRow("full-width five") << QString::fromUtf8("\uff15");
        QTest::newRow("arabic-indic five") << QString::fromUtf8("\u0665");
        QTest::newRow("wraps to 5 in 32 bits") << "4294967301";
        QTest::newRow("wraps to 5 in 64 bits") << "18446744073709551621";
        QTest::newRow("zero-width space inside") << QString::fromUtf8("5\u200b");
        QTest::newRow("nul character") << QString(QChar(0)) + "5";
    }

    void parseRejects()
    {
        QFETCH(QString, text);
        QCOMPARE(ReminderInterval::parse(text), std::nullopt);
    }

    void labels()
    {
        QCOMPARE(ReminderInterval::label(1), "Every minute");
        QCOMPARE(ReminderInterval::label(2), "Every 2 minutes");
    }

    void loadFallsBackToDefault_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("minutes");
        QTest::newRow("absent") << QVariant() << 5;
        QTest::newRow("zero") << QVariant(0) << 5;
        QTest::newRow("above range") << QVariant(1441) << 5;
        QTest::newRow("lowest") << QVariant(1) << 1;
        QTest::newRow("highest") << QVariant(1440) << 1440;
        // Values that must not wrap round into the allowed range.
        QTest::newRow("2^32 + 5") << QVariant::fromValue<qint64>((qint64(1) << 32) + 5) << 5;
        QTest::newRow("fraction") << QVariant(7.5) << 5;
        QTest::newRow("text") << QVariant(QStringLiteral("10")) << 5;
    }

    void loadFallsBackToDefault()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, minutes);
        QTemporaryDir dir;
        const QString path = dir.filePath("preferences.json");
        Preferences(path).setValue(ReminderInterval::key, stored);
        QCOMPARE(ReminderInterval::load(Preferences(path)), minutes);
    }

    void loadReadsTheStandardStore()
    {
        QVERIFY(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"));
        QCOMPARE(ReminderInterval::load(), 5);
        Preferences::standard().setInteger(ReminderInterval::key, 15);
        QCOMPARE(ReminderInterval::load(), 15);
    }
};

QTEST_GUILESS_MAIN(ReminderIntervalTest)
#include "tst_reminder_interval.moc"
