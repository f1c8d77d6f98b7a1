// The card and the lookup window as a screen reader on the desktop reads them:
// over AT-SPI, through Qt's bridge, under Xvfb with a private session bus.
#include "card/card_panel.h"
#include "card/view_test.h"
#include "lookup/phrase_lookup_window.h"
#include "lookup_web_app.h"

#include <QProcess>

using Show = std::function<void(CardPanel &, PhraseLookupWindow &, LookupWebApp &)>;
Q_DECLARE_METATYPE(Show)

class ViewsAtspiTest : public QObject {
    Q_OBJECT

    // Runs the reader; this process answers it over D-Bus while the test waits.
    static bool readAccessibleTree(QStringList &tree)
    {
        QProcess reader;
        reader.start(QStringLiteral("/usr/bin/python3"),
                     {qEnvironmentVariable("PELORA_SOURCE_DIR") + "/tests/lookup/ui/atspi_tree.py",
                      QString::number(QCoreApplication::applicationPid())});
        if (!QTest::qWaitFor([&] { return reader.state() == QProcess::NotRunning; }, 20000) || reader.exitCode() != 0)
            return false;
        tree = QString::fromUtf8(reader.readAllStandardOutput()).split('\n');
        return true;
    }

private Q_SLOTS:
    void aScreenReaderReadsTheViews_data()
    {
        QTest::addColumn<Show>("show");
        QTest::addColumn<QStringList>("lines"); // role and name, as AT-SPI gives them
        QTest::newRow("expanded card") << Show([](CardPanel &panel, PhraseLookupWindow &, LookupWebApp &) {
            panel.show(samplePhrase());
            panel.expand(true);
        }) << QStringList{"label\tKurang pedas sikit, boleh?",
                          "label\tA bit less spicy, please?",
                          "label\tpedas",
                          "label\tIN CONVERSATION",
                          "push button\tDismiss phrase",
                          "push button\tNext phrase"};
        QTest::newRow("lookup result") << Show([](CardPanel &, PhraseLookupWindow &lookup, LookupWebApp &web) {
            lookup.model()->connect(web.client());
            lookup.show();
            lookup.model()->setQuery(QStringLiteral("less sugar"));
            lookup.model()->lookup();
        })
                                       << QStringList{"label\tKurang manis, ya.",
                                                      "label\tLess sugar, please.",
                                                      "label\tmanis",
                                                      "label\tsweet",
                                                      "label\tOrdering at the counter",
                                                      "label\tKurang means less; manis means sweet.",
                                                      "push button\tSave to phrasebook",
                                                      "push button\tClose phrase lookup"};
    }
    void aScreenReaderReadsTheViews()
    {
        QFETCH(Show, show);
        QFETCH(QStringList, lines);
        LookupWebApp web;
        CardPanel panel;
        PhraseLookupWindow lookup;
        show(panel, lookup, web);
        QTest::qWait(500);
        QStringList tree; // the desktop's registry may take a moment to know this process
        QTRY_VERIFY_WITH_TIMEOUT(readAccessibleTree(tree), 30000);
        for (const QString &line : lines)
            QVERIFY2(tree.contains(line), qPrintable(line + " missing from " + tree.join(" | ")));
        QVERIFY2(!tree.join('\n').contains(QStringLiteral("image\t")), qPrintable(tree.join(" | ")));
    }
};

int main(int argc, char **argv)
{
    qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    qputenv("PELORA_REDUCE_MOTION", "1");
    QApplication app(argc, argv);
    ViewsAtspiTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_views_atspi.moc"
