// The options of `pelora-companion --help` are the ones its manual page
// describes, and the desktop entry's actions use no other.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString sourceFile(const QString &path)
{
    QFile file(qEnvironmentVariable("PELORA_SOURCE_DIR") + u'/' + path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The first group of every match of `pattern` in `text`, each once, sorted,
// with troff's escaped hyphens read as hyphens.
QStringList optionsIn(const QString &text, const QString &pattern)
{
    QStringList found;
    const QRegularExpression expression(pattern, QRegularExpression::MultilineOption);
    for (const QRegularExpressionMatch &match : expression.globalMatch(text))
        found << match.captured(1).replace(u"\\-"_s, u"-"_s);
    found.removeDuplicates();
    found.sort();
    return found;
}

// The part of a manual page from one section heading to the next.
QString section(const QString &page, const QString &heading)
{
    const qsizetype start = page.indexOf(u".SH "_s + heading);
    if (start < 0)
        return {};
    const qsizetype end = page.indexOf(u"\n.SH "_s, start);
    return page.mid(start, end < 0 ? -1 : end - start);
}

} // namespace

class ManualTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void documentsNameTheOptionsOfHelp_data()
    {
        const QString page = sourceFile(u"src/app/desktop/pelora-companion.1.in"_s);
        const QString entry = sourceFile(u"src/app/desktop/app.pelora.Companion.desktop"_s);
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pattern"); // its first group is an option
        QTest::addColumn<bool>("every");      // names every option of --help, not only some
        QTest::newRow("manual page, options") << section(page, u"OPTIONS"_s) << uR"(^\.B (\\-\\-[a-z\\-]+)$)"_s << true;
        QTest::newRow("desktop entry actions") << entry << uR"(^Exec=pelora-companion (--[a-z-]+)$)"_s << false;
    }
    void documentsNameTheOptionsOfHelp()
    {
        QFETCH(QString, text);
        QFETCH(QString, pattern);
        QFETCH(bool, every);
        QProcess program;
        program.start(QString::fromUtf8(PELORA_COMPANION_PATH), {u"--help"_s});
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 0);
        const QStringList help = optionsIn(QString::fromUtf8(program.readAllStandardOutput()), uR"(^  (--[a-z-]+) )"_s);
        QVERIFY2(help.contains(u"--version"_s), qPrintable(help.join(u' ')));

        const QStringList named = optionsIn(text, pattern);
        QVERIFY2(!named.isEmpty(), "names no option at all");
        if (every) {
            QCOMPARE(named.join(u' '), help.join(u' '));
        } else {
            QStringList notOfHelp; // named here, unknown to --help
            for (const QString &option : named)
                if (!help.contains(option))
                    notOfHelp << option;
            QCOMPARE(notOfHelp, QStringList());
        }
    }
};

QTEST_GUILESS_MAIN(ManualTest)
#include "test_manual.moc"
