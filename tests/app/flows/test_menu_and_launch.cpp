// The status menu's rows, the interval commands and the launch choices.
#include "harness.h"

#include "app/status_item.h"
#include "card/card_model.h"
#include "card/card_panel.h"
#include "lookup/lookup_hot_key.h"
#include "lookup/phrase_lookup_window.h"
#include "schedule/preferences.h"
#include "updates/companion_updater.h"

#include <QDateTime>
#include <QMenu>
#include <QTest>

namespace {

struct Row {
    QString title;
    QString key;
    bool enabled;
    bool checked;
};

QList<Row> rows(QMenu *menu)
{
    QList<Row> result;
    for (QAction *action : menu->actions()) {
        if (action->isSeparator())
            result.append({QStringLiteral("—"), {}, false, false});
        else
            result.append({action->text().section(QLatin1Char('\t'), 0, 0), action->text().section(QLatin1Char('\t'), 1),
                           action->isEnabled(), action->isChecked()});
    }
    return result;
}

QStringList titles(const QList<Row> &rows)
{
    QStringList list;
    for (const Row &row : rows)
        list << row.title;
    return list;
}

QMenu *intervalMenu(QMenu *menu)
{
    for (QAction *action : menu->actions()) {
        if (action->menu())
            return action->menu();
    }
    return nullptr;
}

} // namespace

class MenuAndLaunchTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { resetPreferences(); }

    void signedInMenuHasEveryRowInOrder()
    {
        Harness h;
        h.launch();
        QMenu menu;
        h.delegate->menuNeedsUpdate(&menu);
        const QList<Row> r = rows(&menu);
        const QStringList t = titles(r);
        const QStringList expectedStart{QStringLiteral("PELORA  /  A LITTLE MALAY")};
        QCOMPARE(t.first(), expectedStart.first());
        QVERIFY(t.at(1).startsWith(QStringLiteral("Every 5 minutes · next at ")));
        QVERIFY(!r.at(0).enabled && !r.at(1).enabled);
        const int lookup = int(t.indexOf(QStringLiteral("Look up a phrase…")));
        QCOMPARE(lookup, 3);
        QCOMPARE(t.at(lookup + 1), QStringLiteral("Use Super+M for phrase lookup"));
        QVERIFY(r.at(lookup + 1).checked);
        // Offscreen there is no key grab: the shortcut is reported unavailable
        // and the lookup item shows no key.
        QCOMPARE(h.delegate->lookupHotKey().isRegistered(), false);
        QCOMPARE(t.at(lookup + 2), QStringLiteral("Super+M unavailable · another app may be using it"));
        QCOMPARE(r.at(lookup).key, QString());
        const QStringList middle{QStringLiteral("Show a phrase"), QStringLiteral("Show expanded card"),
                                 QStringLiteral("Dismiss card"), QStringLiteral("Pause for an hour"),
                                 QStringLiteral("Reminder interval"), QStringLiteral("—"),
                                 QStringLiteral("Switch account…"), QStringLiteral("Sign out"),
                                 QStringLiteral("Open my phrasebook"), QStringLiteral("Sync saved phrases"),
                                 QStringLiteral("3 saved phrases · synced"), QStringLiteral("Web app address…"),
                                 QStringLiteral("—")};
        QCOMPARE(t.mid(lookup + 3, middle.size()), middle);
        QCOMPARE(r.at(lookup + 3).key, QStringLiteral("Ctrl+N"));
        QVERIFY(t.contains(QStringLiteral("Check for Updates…")));
        QCOMPARE(t.last(), QStringLiteral("Quit Pelora"));
        QCOMPARE(r.last().key, QStringLiteral("Ctrl+Q"));
        QCOMPARE(t.at(t.size() - 2), QStringLiteral("—"));
    }

    void signedOutMenuOffersSignInOnly()
    {
        Harness h({}, false);
        h.launch();
        QMenu menu;
        h.delegate->menuNeedsUpdate(&menu);
        const QStringList t = titles(rows(&menu));
        QVERIFY(t.contains(QStringLiteral("Sign in…")));
        QVERIFY(!t.contains(QStringLiteral("Sign out")));
        QVERIFY(t.contains(QStringLiteral("Sign in to use your saved phrases")));
    }

    void menuFollowsLoadingUnavailableAndShortcutOff()
    {
        Harness h;
        h.launch();
        CompanionDelegate &d = *h.delegate;
        h.server.setDelay(300);
        d.refresh();
        QMenu menu;
        d.menuNeedsUpdate(&menu);
        QStringList t = titles(rows(&menu));
        QVERIFY(t.contains(QStringLiteral("Syncing your phrasebook…")));
        QVERIFY(t.contains(QStringLiteral("Switch account…"))); // the account stays known while loading
        QVERIFY(h.waitFor(SIGNAL(libraryRefreshFinished())));

        h.server.setDelay(0);
        h.server.setStatus(500);
        d.refresh();
        QVERIFY(h.waitFor(SIGNAL(libraryRefreshFinished())));
        d.menuNeedsUpdate(&menu);
        t = titles(rows(&menu));
        QVERIFY(t.contains(QStringLiteral("Couldn’t sync · check connection and try again")));
        QVERIFY(t.contains(QStringLiteral("Sign out")));

        // The shortcut turned off: unchecked, and no "unavailable" row.
        d.toggleLookupShortcut();
        QCOMPARE(Preferences::standard().value(QStringLiteral("phraseLookupShortcutEnabled")), QVariant(false));
        d.menuNeedsUpdate(&menu);
        const QList<Row> r = rows(&menu);
        t = titles(r);
        const int item = int(t.indexOf(QStringLiteral("Use Super+M for phrase lookup")));
        QVERIFY(!r.at(item).checked);
        QVERIFY(!t.contains(QStringLiteral("Super+M unavailable · another app may be using it")));
        QCOMPARE(r.at(t.indexOf(QStringLiteral("Look up a phrase…"))).key, QString());
    }

    void intervalSubmenuChecksExactlyOneItem()
    {
        Harness h;
        h.launch();
        CompanionDelegate &d = *h.delegate;
        d.selectInterval(30);
        QMenu menu;
        d.menuNeedsUpdate(&menu);
        QList<Row> sub = rows(intervalMenu(&menu));
        QCOMPARE(titles(sub), (QStringList{QStringLiteral("Every 5 minutes"), QStringLiteral("Every 10 minutes"),
                                           QStringLiteral("Every 15 minutes"), QStringLiteral("Every 30 minutes"),
                                           QStringLiteral("Every 60 minutes"), QStringLiteral("—"),
                                           QStringLiteral("Custom…")}));
        QCOMPARE(std::count_if(sub.cbegin(), sub.cend(), [](const Row &row) { return row.checked; }), 1);
        QVERIFY(sub.at(3).checked);

        h.dialogs->intervalAnswers = {QStringLiteral("45")};
        d.configureInterval();
        d.menuNeedsUpdate(&menu);
        sub = rows(intervalMenu(&menu));
        QCOMPARE(sub.last().title, QStringLiteral("Custom (45 min)…"));
        QVERIFY(sub.last().checked);
        QCOMPARE(std::count_if(sub.cbegin(), sub.cend(), [](const Row &row) { return row.checked; }), 1);
        QCOMPARE(Preferences::standard().value(QStringLiteral("reminderIntervalMinutes")).toInt(), 45);
    }

    void customIntervalDialogRetriesUntilValid()
    {
        Harness h;
        h.launch();
        CompanionDelegate &d = *h.delegate;
        h.dialogs->intervalAnswers = {QStringLiteral("0"), QStringLiteral("1441"), QStringLiteral("abc"),
                                      QStringLiteral(""), QStringLiteral(" 90 ")};
        d.configureInterval();
        QCOMPARE(h.dialogs->intervalInformativeTexts.size(), 5);
        QVERIFY(h.dialogs->intervalInformativeTexts.first().startsWith(QStringLiteral("Minutes between reminders (1–1440).")));
        for (int i = 1; i < 5; ++i)
            QCOMPARE(h.dialogs->intervalInformativeTexts.at(i),
                     QStringLiteral("Enter a whole number from 1 to 1440 minutes."));
        QCOMPARE(h.dialogs->intervalFieldTexts.first(), QStringLiteral("5"));
        QCOMPARE(h.dialogs->intervalFieldTexts.at(2), QStringLiteral("1441")); // what was typed stays
        QCOMPARE(d.schedule().interval(), 90 * 60.0);
        QVERIFY(d.statusItem()->toolTip().endsWith(QStringLiteral("every 90 minutes")));

        // Cancel after a failed entry changes nothing.
        h.dialogs->intervalAnswers = {QStringLiteral("-5"), QString()};
        d.configureInterval();
        QCOMPARE(d.schedule().interval(), 90 * 60.0);
    }

    void presetDuringPauseKeepsThePause()
    {
        Harness h;
        h.launch();
        CompanionDelegate &d = *h.delegate;
        d.togglePause();
        const double pauseEnd = *d.schedule().pausedUntil();
        d.selectInterval(10);
        QCOMPARE(*d.schedule().pausedUntil(), pauseEnd);
        QCOMPARE(d.schedule().nextDue(), pauseEnd + 600);
        QMenu menu;
        d.menuNeedsUpdate(&menu);
        const QStringList t = titles(rows(&menu));
        QVERIFY(t.at(1).startsWith(QStringLiteral("Paused until ")));
        QVERIFY(t.contains(QStringLiteral("Resume reminders")));

        d.togglePause();
        QVERIFY(!d.schedule().pausedUntil());
        QCOMPARE(d.schedule().nextDue(), h.now + 600);
        QVERIFY(!Preferences::standard().value(QStringLiteral("pausedUntil")).isValid());
    }

    void storedPauseInTheFutureShowsNoCardAtLaunch()
    {
        Harness h;
        Preferences::standard().setValue(QStringLiteral("pausedUntil"),
                                         QDateTime::fromMSecsSinceEpoch(qint64((h.now + 60) * 1000)));
        h.launch();
        QVERIFY(h.delegate->schedule().pausedUntil().has_value());
        QVERIFY(!h.delegate->panel()->isVisible());
        // The pause ends by itself; the first card comes one interval later.
        h.advance(60);
        h.delegate->tick();
        QVERIFY(!h.delegate->schedule().pausedUntil());
        QCOMPARE(h.delegate->schedule().nextDue(), h.now + 300);
    }

    void storedPauseInThePastIsIgnored()
    {
        Harness h;
        Preferences::standard().setValue(QStringLiteral("pausedUntil"),
                                         QDateTime::fromMSecsSinceEpoch(qint64((h.now - 60) * 1000)));
        h.launch();
        QVERIFY(!h.delegate->schedule().pausedUntil());
        QVERIFY(h.delegate->panel()->isVisible());
        QVERIFY(Preferences::standard().value(QStringLiteral("pausedUntil")).isValid()); // left in the store
    }

    void lookupFlagOpensLookupAndWinsOverSignIn()
    {
        Harness h({QStringLiteral("--sign-in"), QStringLiteral("--lookup")}, false);
        h.launch();
        QVERIFY(h.delegate->lookupWindow().isVisible());
        QVERIFY(!h.delegate->panel()->isVisible());
        QVERIFY(h.session->loginsShown.isEmpty());
        h.delegate->lookupWindow().hide();
    }

    void signInFlagDependsOnTheSession()
    {
        {
            Harness h({QStringLiteral("--sign-in")}, false);
            h.launch();
            QCOMPARE(h.session->loginsShown.size(), 1);
            QVERIFY(!h.delegate->panel()->isVisible());
        }
        {
            Harness h({QStringLiteral("--sign-in")}, true);
            h.launch();
            QVERIFY(h.session->loginsShown.isEmpty());
            QVERIFY(h.delegate->panel()->isVisible());
            QVERIFY(h.delegate->panel()->model()->phrase().has_value());
        }
    }

    void laterLaunchesOpenLookupOrSignInWithoutSigningOut()
    {
        Harness h;
        h.launch();
        CompanionDelegate &d = *h.delegate;
        d.handleForwardedArguments({QStringLiteral("pelora-companion"), QStringLiteral("--sign-in")});
        QVERIFY(!d.signingOut());
        QCOMPARE(d.store().state(), PhraseStore::State::ready);
        QVERIFY(h.session->loginsShown.isEmpty());
        d.handleForwardedArguments({QStringLiteral("pelora-companion"), QStringLiteral("--lookup")});
        QVERIFY(d.lookupWindow().isVisible());
        d.handleForwardedArguments({QStringLiteral("pelora-companion"), QStringLiteral("--lookup")});
        QVERIFY(!d.lookupWindow().isVisible());

        d.signOut();
        if (d.signingOut())
            QVERIFY(h.waitFor(SIGNAL(signOutFinished())));
        d.handleForwardedArguments({QStringLiteral("pelora-companion"), QStringLiteral("--sign-in")});
        QCOMPARE(h.session->loginsShown.size(), 1);
    }

    void hotKeyPressTogglesLookup()
    {
        Harness h;
        h.launch();
        h.delegate->lookupHotKey().onPress();
        QVERIFY(h.delegate->lookupWindow().isVisible());
        h.delegate->lookupHotKey().onPress();
        QVERIFY(!h.delegate->lookupWindow().isVisible());
    }

    void updateAvailabilityBadgesTheItemAndNamesTheVersion()
    {
        Harness h;
        h.server.setUpdateVersion(QStringLiteral("99.0.0"));
        h.launch();
        CompanionDelegate &d = *h.delegate;
        // The background check at launch finds the newer version.
        QTRY_COMPARE_WITH_TIMEOUT(d.updater().availableVersion(), std::optional<QString>(QStringLiteral("99.0.0")), 5000);
        QCOMPARE(d.statusItem()->title(), QStringLiteral(" •"));
        QCOMPARE(d.statusItem()->toolTip(), QStringLiteral("Pelora 99.0.0 is available · Click to update"));
        QMenu menu;
        d.menuNeedsUpdate(&menu);
        QVERIFY(titles(rows(&menu)).contains(QStringLiteral("Update to 99.0.0…")));
    }

    void noUpdateKeepsTheReminderTooltip()
    {
        Harness h;
        h.launch();
        QCOMPARE(h.delegate->statusItem()->title(), QString());
        QCOMPARE(h.delegate->statusItem()->toolTip(), QStringLiteral("Pelora · Your saved Malay, every 5 minutes"));
    }
};

QTEST_MAIN(MenuAndLaunchTest)
#include "test_menu_and_launch.moc"
