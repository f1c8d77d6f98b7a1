// The program's default logging rules: Qt's chatter off, the program's own
// warnings on, and a learner's QT_LOGGING_RULES still the last word.
#include "account/logging_defaults.h"

#include <QLoggingCategory>
#include <QTest>

using namespace Qt::StringLiterals;

class TestLoggingDefaults : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void levels_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<QtMsgType>("level");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("web engine's GL report") << u"qt.webenginecontext"_s << QtInfoMsg << false;
        QTest::newRow("platform plugin warning") << u"qt.qpa.xcb"_s << QtWarningMsg << false;
        QTest::newRow("Qt critical") << u"qt.qpa.xcb"_s << QtCriticalMsg << true;
        QTest::newRow("program warning") << u"pelora.sync"_s << QtWarningMsg << true;
        QTest::newRow("program debug stays as declared") << u"pelora.sync"_s << QtDebugMsg << false;
        QTest::newRow("turned on by QT_LOGGING_RULES") << u"qt.accessibility.atspi"_s << QtWarningMsg << true;
    }

    void levels()
    {
        QFETCH(QString, category);
        QFETCH(QtMsgType, level);
        QFETCH(bool, enabled);
        const QByteArray name = category.toUtf8();
        // The program's categories warn only unless asked; Qt's start fully on.
        const QLoggingCategory logging(name.constData(), name.startsWith("pelora.") ? QtWarningMsg : QtDebugMsg);
        QCOMPARE(logging.isEnabled(level), enabled);
    }
};

int main(int argc, char *argv[])
{
    // As a learner reporting a problem would turn one of Qt's categories back on.
    qputenv("QT_LOGGING_RULES", "qt.accessibility.atspi.warning=true");
    LoggingDefaults::install();
    QCoreApplication app(argc, argv);
    TestLoggingDefaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_logging_defaults.moc"
