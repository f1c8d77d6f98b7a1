// The lookup shortcut as a GNOME custom shortcut, written through the real
// `gsettings` tool against GNOME's installed schemas, stored by GLib's keyfile
// backend in the test's private home: the learner's own shortcuts survive
// every step, and only our entry comes and goes.
#include "lookup/gnome_custom_shortcut.h"
#include "lookup/lookup_hot_key.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

using namespace GnomeCustomShortcut;

namespace {

const QString mediaKeys = QStringLiteral("org.gnome.settings-daemon.plugins.media-keys");
const QString learnerPath = QStringLiteral("/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/");

QString gsettings(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("gsettings"), arguments);
    if (!process.waitForFinished(5000) || process.exitCode() != 0)
        return QStringLiteral("(failed: %1)").arg(QString::fromUtf8(process.readAllStandardError()));
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}
QString entryKey(const QString &path, const QString &key)
{
    return gsettings({QStringLiteral("get"), QString::fromLatin1(entrySchema) + QLatin1Char(':') + path, key});
}
QString list()
{
    return gsettings({QStringLiteral("get"), mediaKeys, QStringLiteral("custom-keybindings")});
}

} // namespace

class GnomeShortcutTest : public QObject {
    Q_OBJECT
    std::unique_ptr<LookupHotKey> hotKey;

    LookupHotKey::Availability settle()
    {
        [&] { QTRY_VERIFY(hotKey->availability() != LookupHotKey::Availability::waiting); }();
        return hotKey->availability();
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("GSETTINGS_BACKEND", "keyfile"); // the private home's keyfile, never the learner's dconf
        qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
        // The learner's own shortcut, made as GNOME Settings makes one.
        const QString learner = QString::fromLatin1(entrySchema) + QLatin1Char(':') + learnerPath;
        gsettings({"set", learner, "name", "'Terminal'"});
        gsettings({"set", learner, "command", "'kgx'"});
        gsettings({"set", learner, "binding", "'<Primary><Alt>t'"});
        gsettings({"set", mediaKeys, "custom-keybindings", "['" + learnerPath + "']"});
    }
    void init()
    {
        Preferences::standard().remove(LookupHotKey::preferenceKey);
        hotKey = std::make_unique<LookupHotKey>(Preferences::standard());
    }

    // Offered, added once after the learner agreed, named by the key GNOME
    // holds, and taken out again when the shortcut is turned off.
    void addedOnceAndRemovedAloneKeepingTheLearnersOwn()
    {
        const QString learnerList = "['" + learnerPath + "']";
        const QString bothList = "['" + learnerPath + "', '" + QString::fromLatin1(entryPath) + "']";
        hotKey->start();
        QCOMPARE(settle(), LookupHotKey::Availability::gnomeSetupOffered);
        QCOMPARE(list(), learnerList); // nothing is written before the learner agrees

        QVERIFY(QCoro::waitFor(hotKey->setUpGnomeShortcut()));
        QCOMPARE(settle(), LookupHotKey::Availability::registered);
        QCOMPARE(list(), bothList);
        QVERIFY(QCoro::waitFor(hotKey->setUpGnomeShortcut())); // a second set-up does not add it twice
        QCOMPARE(settle(), LookupHotKey::Availability::registered);
        QCOMPARE(list(), bothList);
        QCOMPARE(hotKey->method(), LookupHotKey::Method::gnomeSettings);
        QCOMPARE(hotKey->boundKey(), QStringLiteral("Super+M"));
        const QString ours = QString::fromLatin1(entryPath);
        QCOMPARE(entryKey(ours, "command"), QStringLiteral("'pelora-companion --lookup'"));
        QCOMPARE(entryKey(ours, "binding"), QStringLiteral("'<Super>m'"));

        // The learner moves our shortcut in GNOME Settings: the menu names the new key.
        gsettings({"set", QString::fromLatin1(entrySchema) + ":" + ours, "binding", "'<Primary><Alt>l'"});
        hotKey->start();
        QCOMPARE(settle(), LookupHotKey::Availability::registered);
        QCOMPARE(hotKey->boundKey(), QStringLiteral("Ctrl+Alt+L"));

        hotKey->toggle(); // off: our entry goes, the learner's stays
        QCOMPARE(hotKey->availability(), LookupHotKey::Availability::off);
        QTRY_COMPARE(list(), learnerList);
        QTRY_COMPARE(entryKey(ours, "binding"), QStringLiteral("''"));
        QCOMPARE(entryKey(learnerPath, "command"), QStringLiteral("'kgx'"));
        QCOMPARE(entryKey(learnerPath, "binding"), QStringLiteral("'<Primary><Alt>t'"));

        hotKey->toggle(); // on again: offered, not silently re-added
        QCOMPARE(settle(), LookupHotKey::Availability::gnomeSetupOffered);
        QCOMPARE(list(), learnerList);
    }

    // Not GNOME, or GNOME without its settings schemas: nothing to offer.
    void elsewhereTheShortcutIsUnsupported_data()
    {
        QTest::addColumn<QByteArray>("desktop");
        QTest::addColumn<QByteArray>("dataDirs");
        QTest::newRow("KDE") << QByteArray("KDE") << qgetenv("XDG_DATA_DIRS");
        QTest::newRow("GNOME without schemas") << QByteArray("GNOME") << QByteArray("/nonexistent");
    }
    void elsewhereTheShortcutIsUnsupported()
    {
        QFETCH(QByteArray, desktop);
        QFETCH(QByteArray, dataDirs);
        const QByteArray savedDesktop = qgetenv("XDG_CURRENT_DESKTOP");
        const QByteArray savedDirs = qgetenv("XDG_DATA_DIRS");
        qputenv("XDG_CURRENT_DESKTOP", desktop);
        qputenv("XDG_DATA_DIRS", dataDirs);
        hotKey->start();
        const LookupHotKey::Availability outcome = settle();
        qputenv("XDG_CURRENT_DESKTOP", savedDesktop);
        qputenv("XDG_DATA_DIRS", savedDirs);
        QCOMPARE(outcome, LookupHotKey::Availability::unsupported);
    }

    // GSettings' printed string arrays, read and written back.
    void stringArrays_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("items"); // empty with `valid` false: rejected
        QTest::addColumn<bool>("valid");
        QTest::newRow("empty typed") << "@as []" << QStringList() << true;
        QTest::newRow("empty") << "[]" << QStringList() << true;
        QTest::newRow("two") << "['/a/', '/b/']" << QStringList{"/a/", "/b/"} << true;
        QTest::newRow("double quoted") << "['/a/', \"it's\"]" << QStringList{"/a/", "it's"} << true;
        QTest::newRow("escaped") << "['a\\'b', 'c\\\\d']" << QStringList{"a'b", "c\\d"} << true;
        QTest::newRow("unterminated") << "['/a/]" << QStringList() << false;
        QTest::newRow("trailing comma") << "['/a/', ]" << QStringList() << false;
        QTest::newRow("no comma") << "['/a/' '/b/']" << QStringList() << false;
        QTest::newRow("bare word") << "[abc]" << QStringList() << false;
        QTest::newRow("not a list") << "'/a/'" << QStringList() << false;
    }
    void stringArrays()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, items);
        QFETCH(bool, valid);
        const std::optional<QStringList> parsed = parseList(text);
        QCOMPARE(parsed.has_value(), valid);
        if (valid)
            QCOMPARE(parseList(formatList(*parsed)), std::optional(items)); // round trip
        if (valid)
            QCOMPARE(*parsed, items);
    }

    void acceleratorsReadTheLinuxWay_data()
    {
        QTest::addColumn<QString>("accelerator");
        QTest::addColumn<QString>("text");
        QTest::newRow("super") << "<Super>m"
                               << "Super+M";
        QTest::newRow("primary alt") << "<Primary><Alt>l"
                                     << "Ctrl+Alt+L";
        QTest::newRow("control shift named key") << "<Control><Shift>F5"
                                                 << "Ctrl+Shift+F5";
        QTest::newRow("unknown modifier kept") << "<Mod5>x"
                                               << "Mod5+X";
    }
    void acceleratorsReadTheLinuxWay()
    {
        QFETCH(QString, accelerator);
        QFETCH(QString, text);
        QCOMPARE(acceleratorText(accelerator), text);
    }
};

QTEST_GUILESS_MAIN(GnomeShortcutTest)
#include "tst_gnome_shortcut.moc"
