// The lookup shortcut as a GNOME custom shortcut, written through the real
// `gsettings` tool against GNOME's installed schemas, stored by GLib's keyfile
// backend in the test's private home: the learner's own shortcuts survive
// every step, and only our entry comes and goes.
#include "fresh_hot_key.h"
#include "lookup/gnome_custom_shortcut.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

using namespace GnomeCustomShortcut;
using namespace Qt::StringLiterals;

namespace {

const QString mediaKeys = u"org.gnome.settings-daemon.plugins.media-keys"_s;
const QString learnerPath = u"/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/"_s;
const QString ourPath = QString::fromLatin1(entryPath);

QString gsettings(const QStringList &arguments)
{
    QProcess process;
    process.start(u"gsettings"_s, arguments);
    if (!process.waitForFinished(5000) || process.exitCode() != 0)
        return u"(failed: %1)"_s.arg(QString::fromUtf8(process.readAllStandardError()));
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The schema and path of one custom shortcut, as gsettings names it.
QString entryAt(const QString &path)
{
    return QString::fromLatin1(entrySchema) + u':' + path;
}

QString entryKey(const QString &path, const QString &key)
{
    return gsettings({u"get"_s, entryAt(path), key});
}

QString list()
{
    return gsettings({u"get"_s, mediaKeys, u"custom-keybindings"_s});
}

} // namespace

class GnomeShortcutTest : public QObject {
    Q_OBJECT
    std::unique_ptr<LookupHotKey> hotKey;

    LookupHotKey::Availability settle() { return waitUntilSettled(*hotKey); }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("GSETTINGS_BACKEND", "keyfile"); // the private home's keyfile, never the learner's dconf
        qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
        // The learner's own shortcut, made as GNOME Settings makes one.
        gsettings({u"set"_s, entryAt(learnerPath), u"name"_s, u"'Terminal'"_s});
        gsettings({u"set"_s, entryAt(learnerPath), u"command"_s, u"'kgx'"_s});
        gsettings({u"set"_s, entryAt(learnerPath), u"binding"_s, u"'<Primary><Alt>t'"_s});
        gsettings({u"set"_s, mediaKeys, u"custom-keybindings"_s, u"['"_s + learnerPath + u"']"_s});
    }

    void init() { hotKey = freshHotKey(); }

    // Offered, added once after the learner agreed, named by the key GNOME
    // holds, and taken out again when the shortcut is turned off.
    void addedOnceAndRemovedAloneKeepingTheLearnersOwn()
    {
        const QString learnerList = u"['"_s + learnerPath + u"']"_s;
        const QString bothList = u"['"_s + learnerPath + u"', '"_s + ourPath + u"']"_s;
        hotKey->start();
        QCOMPARE(settle(), LookupHotKey::Availability::gnomeSetupOffered);
        QCOMPARE(list(), learnerList); // nothing is written before the learner agrees

        QVERIFY(QCoro::waitFor(hotKey->setUpGnomeShortcut()));
        QCOMPARE(settle(), LookupHotKey::Availability::registered);
        QCOMPARE(list(), bothList);
        QVERIFY(QCoro::waitFor(hotKey->setUpGnomeShortcut())); // a second set-up does not add it twice
        QCOMPARE(settle(), LookupHotKey::Availability::registered);
        QCOMPARE(list(), bothList);
        QCOMPARE(hotKey->boundKey(), u"Super+M"_s);
        QCOMPARE(entryKey(ourPath, u"command"_s), u"'pelora-companion --lookup'"_s);
        QCOMPARE(entryKey(ourPath, u"binding"_s), u"'<Super>m'"_s);

        // The learner moves our shortcut in GNOME Settings: the menu names the new key.
        gsettings({u"set"_s, entryAt(ourPath), u"binding"_s, u"'<Primary><Alt>l'"_s});
        hotKey->start();
        QCOMPARE(settle(), LookupHotKey::Availability::registered);
        QCOMPARE(hotKey->boundKey(), u"Ctrl+Alt+L"_s);

        hotKey->toggle(); // off: our entry goes, the learner's stays
        QCOMPARE(hotKey->availability(), LookupHotKey::Availability::off);
        QTRY_COMPARE(list(), learnerList);
        QCOMPARE(entryKey(learnerPath, u"command"_s), u"'kgx'"_s);
        QCOMPARE(entryKey(learnerPath, u"binding"_s), u"'<Primary><Alt>t'"_s);

        hotKey->toggle(); // on again: offered, not silently re-added
        QCOMPARE(settle(), LookupHotKey::Availability::gnomeSetupOffered);
        QCOMPARE(list(), learnerList);
    }

    // GNOME without its settings schemas: nothing to offer. (Another desktop
    // is the portal test's case: it falls through to the same answer.)
    void withoutGnomesSchemasTheShortcutIsUnsupported()
    {
        const QByteArray savedDirs = qgetenv("XDG_DATA_DIRS");
        qputenv("XDG_DATA_DIRS", "/nonexistent");
        hotKey->start();
        const LookupHotKey::Availability outcome = settle();
        qputenv("XDG_DATA_DIRS", savedDirs);
        QCOMPARE(outcome, LookupHotKey::Availability::unsupported);
    }

    // GSettings' printed string arrays: the list is written back whole, so a
    // misread item would change or drop the learner's own shortcuts.
    void stringArrays_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("empty, typed") << u"@as []"_s << true << QStringList();
        QTest::newRow("double quoted") << u"['/a/', \"it's\"]"_s << true << QStringList{u"/a/"_s, u"it's"_s};
        QTest::newRow("escaped") << u"['a\\'b', 'c\\\\d']"_s << true << QStringList{u"a'b"_s, u"c\\d"_s};
        QTest::newRow("unterminated") << u"['/a/]"_s << false << QStringList();
        QTest::newRow("trailing comma") << u"['/a/', ]"_s << false << QStringList();
        QTest::newRow("bare word") << u"[abc]"_s << false << QStringList();
        QTest::newRow("not a list") << u"'/a/'"_s << false << QStringList();
    }

    void stringArrays()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QStringList, items);
        const std::optional<QStringList> parsed = parseList(text);
        QCOMPARE(parsed.has_value(), valid);
        if (!parsed)
            return;
        QCOMPARE(*parsed, items);
        QCOMPARE(parseList(formatList(items)), std::optional(items)); // written as it is read
    }
};

QTEST_GUILESS_MAIN(GnomeShortcutTest)
#include "tst_gnome_shortcut.moc"
