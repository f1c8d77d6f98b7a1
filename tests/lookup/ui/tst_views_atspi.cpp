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
        reader.start(u"/usr/bin/python3"_s,
                     {qEnvironmentVariable("PELORA_SOURCE_DIR") + u"/tests/lookup/ui/atspi_tree.py"_s,
                      QString::number(QCoreApplication::applicationPid())});
        if (!QTest::qWaitFor([&] { return reader.state() == QProcess::NotRunning; }, 20000) || reader.exitCode() != 0)
            return false;
        tree = QString::fromUtf8(reader.readAllStandardOutput()).split(u'\n');
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
        })
                                       << QStringList{u"label\tKurang pedas sikit, boleh?"_s,
                                                      u"label\tA bit less spicy, please?"_s,
                                                      u"label\tpedas"_s,
                                                      u"label\tIN CONVERSATION"_s,
                                                      u"push button\tDismiss phrase"_s,
                                                      u"push button\tNext phrase"_s};
        QTest::newRow("lookup result") << Show([](CardPanel &, PhraseLookupWindow &lookup, LookupWebApp &web) {
            lookup.model()->connect(web.client());
            lookup.show();
            lookup.model()->setQuery(u"less sugar"_s);
            lookup.model()->lookup();
        })
                                       << QStringList{u"label\tKurang manis, ya."_s,
                                                      u"label\tLess sugar, please."_s,
                                                      u"label\tmanis"_s,
                                                      u"label\tsweet"_s,
                                                      u"label\tOrdering at the counter"_s,
                                                      u"label\tKurang means less; manis means sweet."_s,
                                                      u"push button\tSave to phrasebook"_s,
                                                      u"push button\tClose phrase lookup"_s};
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
        QCOMPARE(missingFrom(tree, lines), QStringList());
        QCOMPARE(tree.filter(u"image\t"_s), QStringList());
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
