// The controller's flows against a fixture web app, an in-memory session,
// scripted dialogs and a clock the test moves by hand.
#include "app/companion_delegate.h"
#include "app/menu_texts.h"
#include "app/status_item.h"
#include "card/card_model.h"
#include "card/card_panel.h"
#include "card/floating_panel.h"
#include "fixture_server.h"
#include "library/phrase_feed.h"
#include "lookup/phrase_lookup_model.h"
#include "lookup/phrase_lookup_window.h"
#include "schedule/preferences.h"
#include "schedule/reminder_interval.h"
#include "updates/companion_updater.h"

#include <QApplication>
#include <QDialog>
#include <QJsonDocument>
#include <QLocale>
#include <QMenu>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <map>
#include <qcoro/qcorotimer.h>

using namespace Qt::StringLiterals;

namespace {

// The status menu's top-level rows.
QStringList menuRows(CompanionDelegate &delegate)
{
    QMenu menu;
    delegate.statusMenu().rebuild(&menu);
    QStringList rows;
    for (const QAction *action : menu.actions())
        rows << action->text();
    return rows;
}

// Chooses the top-level menu item titled `title`; false when there is none.
bool choose(CompanionDelegate &delegate, const QString &title)
{
    QMenu menu;
    delegate.statusMenu().rebuild(&menu);
    for (QAction *action : menu.actions()) {
        if (action->text() == title) {
            action->trigger();
            return true;
        }
    }
    return false;
}

QString shortTime(double instant)
{
    return QLocale::system().toString(QDateTime::fromMSecsSinceEpoch(qint64(instant * 1000)).time(),
                                      QLocale::ShortFormat);
}

// A sign-in session without a web view; the test decides when a wipe ends.
struct InMemorySession : SignInSession {
    QCoro::Task<QList<QNetworkCookie>> cookies(QUrl url) override
    {
        co_return token.isEmpty() || url.host() != u"127.0.0.1" ? QList<QNetworkCookie>()
                                                                : QList{QNetworkCookie("auth.session-token"_ba, token)};
    }
    QCoro::Task<void> acceptCookies(QList<QNetworkReply::RawHeaderPair>, QUrl) override { co_return; }
    void showLogin(const QUrl &origin) override { loginsShown << origin; }
    void finishLogin() override { ++loginsFinished; }
    QCoro::Task<void> clear() override
    {
        token.clear();
        if (holdClear) { // awaited as a timer, which releaseClear() fires at once
            release.setSingleShot(true);
            release.start(std::chrono::hours(1));
            co_await release;
        }
    }
    void releaseClear() { release.start(0); }

    QByteArray token; // empty: signed out
    bool holdClear = false;
    QTimer release;
    QList<QUrl> loginsShown;
    int loginsFinished = 0;
};

// Each run takes the next of `answers`; none left or a null text is "Cancel".
struct ScriptedDialogs : CompanionDialogs {
    std::optional<QString> askInterval(const QString &text, const QString &info) override
    {
        return ask(text + u'|' + info);
    }
    std::optional<QString> askOrigin(const QString &text) override { return ask(text); }
    void alertInvalidOrigin(const QString &informative) override { shown << u"alert: "_s + informative; }
    std::optional<QString> ask(const QString &shownText)
    {
        shown << shownText;
        const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
        return answer.isNull() ? std::nullopt : std::optional<QString>(answer);
    }
    QStringList answers, shown; // shown: each run's field text ("|informative" for the interval), each alert
};

constexpr double launchTime = 1'800'000'000.0;

const QByteArray firstToken = "token-one"_ba;  // user u1, phrases p1…
const QByteArray secondToken = "token-two"_ba; // user u2, phrases q1, q2

struct Harness {
    explicit Harness(const QStringList &arguments = {}, bool signedIn = true)
    {
        for (const char *key :
             {ReminderInterval::key, PreferenceKeys::pausedUntil, PreferenceKeys::phraseLookupShortcutEnabled})
            Preferences::standard().remove(QString::fromLatin1(key));
        server.setHandler([this](const FixtureServer::Request &request) { return answer(request); });
        if (!server.listen())
            qFatal("fixture server did not start");
        accounts.insert(firstToken, {u"u1"_s, phrases(3, u"p"_s)});
        accounts.insert(secondToken, {u"u2"_s, phrases(2, u"q"_s)});
        Preferences::standard().setValue(QString::fromLatin1(PreferenceKeys::webOrigin), server.origin().toString());
        CompanionDelegate::Environment environment;
        environment.session.reset(session = new InMemorySession);
        environment.dialogs.reset(dialogs = new ScriptedDialogs);
        session->token = signedIn ? firstToken : QByteArray();
        environment.preferences = &Preferences::standard();
        environment.now = [this] { return now; };
        environment.arguments = QStringList{u"pelora-companion"_s} + arguments;
        environment.updateFeed = server.origin().resolved(QUrl(u"/companion/updates.json"_s));
        environment.useTray = false;
        delegate = std::make_unique<CompanionDelegate>(std::move(environment));
        watch(&delegate->cards(), &CardFlow::loadAndShowFinished);
        watch(&delegate->account(), &AccountFlow::sessionChangeFinished);
        watch(&delegate->account(), &AccountFlow::libraryRefreshFinished);
        watch(&delegate->account(), &AccountFlow::signOutFinished);
        watch(delegate.get(), &CompanionDelegate::launchFinished);
    }

    CompanionDelegate &launch()
    {
        delegate->applicationDidFinishLaunching();
        if (!waitFor(&CompanionDelegate::launchFinished))
            qFatal("the launch task did not finish");
        return *delegate;
    }

    void tick(double seconds)
    {
        now += seconds;
        delegate->cards().tick();
    }

    template <typename Flow> void watch(Flow *flow, void (Flow::*finished)())
    {
        watches[QMetaMethod::fromSignal(finished).methodSignature()] = {std::make_unique<QSignalSpy>(flow, finished),
                                                                        0};
    }

    // The next emission of a "…Finished" signal not yet waited for, also one emitted before the call.
    template <typename Flow> bool waitFor(void (Flow::*finished)())
    {
        auto &[spy, consumed] = watches.at(QMetaMethod::fromSignal(finished).methodSignature());
        if (spy->count() <= consumed && !spy->wait(5000))
            return false;
        ++consumed;
        return true;
    }

    int requestsFor(const QString &path) const
    {
        return int(std::count_if(server.requests().cbegin(), server.requests().cend(),
                                 [&](const auto &request) { return request.url.path() == path; }));
    }
    int feedRequests() const { return requestsFor(u"/api/companion/phrases"_s); }

    // Each account's library in one page, by session token.
    FixtureServer::Response answer(const FixtureServer::Request &request)
    {
        const QByteArray cookie = request.header("cookie");
        const QByteArray name = "auth.session-token="_ba;
        const QByteArray token = cookie.startsWith(name) ? cookie.mid(name.size()) : QByteArray();
        FixtureServer::Response response;
        response.status = status ? status : 401;
        if (request.url.path() == u"/companion/updates.json" && !updateFeed.isEmpty())
            return FixtureServer::Response::json(200, updateFeed);
        if (!status && request.url.path() == u"/api/companion/phrases" && accounts.contains(token)) {
            PhraseFeed page;
            page.userID = accounts[token].first;
            page.phrases = accounts[token].second;
            response = FixtureServer::Response::json(200, QJsonDocument(page.toJson()).toJson(QJsonDocument::Compact));
        }
        return response;
    }

    static QList<Phrase> phrases(int count, const QString &prefix)
    {
        QList<Phrase> phrases(count,
                              {.id = {},
                               .malay = u"Frasa"_s,
                               .english = u"Phrase"_s,
                               .category = u"Everyday"_s,
                               .context = u"When testing."_s,
                               .words = {},
                               .notes = {},
                               .usageExamples = {}});
        for (int i = 0; i < count; ++i)
            phrases[i].id = prefix + QString::number(i + 1);
        return phrases;
    }

    FixtureServer server;
    QHash<QByteArray, QPair<QString, QList<Phrase>>> accounts; // token → user id and library
    int status = 0;                                            // 0: normal answers
    QByteArray updateFeed;                                     // empty: the update feed is refused
    double now = launchTime;
    InMemorySession *session = nullptr;
    ScriptedDialogs *dialogs = nullptr;
    std::unique_ptr<CompanionDelegate> delegate;
    std::map<QByteArray, std::pair<std::unique_ptr<QSignalSpy>, qsizetype>> watches; // spy, emissions consumed
};

// What happens to the library between the card being shown and the sync
// that follows.
enum class LibraryChange { kept, deleted, unavailable, messageCard };

} // namespace

Q_DECLARE_METATYPE(LibraryChange)

class FlowsTest : public QObject {
    Q_OBJECT
    std::optional<Harness> h;

private Q_SLOTS:
    void init() { h.emplace(); }

    // The clock hides a card whose time is up and brings the next from a
    // fresh library when it is due; the card's settled hover reaches the
    // schedule.
    void reminderClock()
    {
        CompanionDelegate &d = h->launch();
        h->tick(45);
        QVERIFY(!d.cards().panel()->isVisible());
        const int requests = h->feedRequests();
        h->tick(300 - 45);
        QVERIFY(h->waitFor(&CardFlow::loadAndShowFinished));
        QVERIFY(d.cards().panel()->isVisible());
        QCOMPARE(h->feedRequests(), requests + 1);

        Q_EMIT d.cards().panel()->model()->hover(true);
        QVERIFY(d.cards().schedule().expanded());
    }

    // Asleep or in lookup no card comes, however long it is; a wake restarts
    // the countdown from the moment of waking.
    void noCardWhileAsleepOrInLookup_data()
    {
        QTest::addColumn<bool>("asleep");
        QTest::newRow("in lookup") << false;
        QTest::newRow("asleep") << true;
    }

    void noCardWhileAsleepOrInLookup()
    {
        QFETCH(bool, asleep);
        CompanionDelegate &d = h->launch();
        if (asleep)
            d.suspend();
        else
            d.account().showLookup();
        QCOMPARE(d.lookupWindow().isVisible(), !asleep);
        h->tick(3600);
        QVERIFY(!d.cards().presenting());
        QVERIFY(!d.cards().panel()->isVisible());
        if (!asleep)
            return;
        d.wake();
        QCOMPARE(d.cards().schedule().nextDue(), h->now + 300);
        h->tick(300);
        QVERIFY(h->waitFor(&CardFlow::loadAndShowFinished));
        QVERIFY(d.cards().panel()->isVisible());
    }

    // "Show expanded card" gives the card the keyboard, but not when lookup
    // opened while the library loaded: the hidden card, and the next
    // reminder's card, then take nothing from the learner's application.
    void showExpandedTakesTheKeyboardOnlyForACardOnScreen_data()
    {
        QTest::addColumn<bool>("lookupOpens");
        QTest::newRow("card shown") << false;
        QTest::newRow("lookup opened meanwhile") << true;
    }

    void showExpandedTakesTheKeyboardOnlyForACardOnScreen()
    {
        QFETCH(bool, lookupOpens);
        CompanionDelegate &d = h->launch();
        d.cards().dismiss();
        d.cards().showExpanded();
        if (lookupOpens)
            d.account().showLookup();
        QVERIFY(h->waitFor(&CardFlow::loadAndShowFinished));
        QCOMPARE(d.cards().panel()->isVisible(), !lookupOpens);
        QCOMPARE(d.cards().panel()->window()->takesFocus(), !lookupOpens);

        d.lookupWindow().hide();
        d.cards().dismiss();
        h->tick(3600);
        QVERIFY(h->waitFor(&CardFlow::loadAndShowFinished));
        QVERIFY(d.cards().panel()->isVisible());
        QVERIFY(!d.cards().panel()->window()->takesFocus());
    }

    // The keys the menu names work while it is open, also after it was rebuilt.
    void ctrlNInTheOpenMenuShowsAPhrase()
    {
        CompanionDelegate &d = h->launch();
        d.cards().dismiss();
        QMenu *menu = d.statusMenu().statusItem()->menu();
        menu->popup(QPoint(10, 10));
        QTRY_VERIFY(menu->isVisible());
        menu->hide();
        menu->popup(QPoint(10, 10)); // opened again: the menu is rebuilt
        QTRY_VERIFY(menu->isVisible());
        QTest::keyClick(menu, Qt::Key_N, Qt::ControlModifier);
        QVERIFY(!menu->isVisible());
        QVERIFY(h->waitFor(&CardFlow::loadAndShowFinished));
        QVERIFY(d.cards().panel()->isVisible());
        QVERIFY(d.cards().panel()->model()->phrase().has_value());
    }

    // "Pause for an hour" hides the card, shows in the menu and is stored;
    // "Resume reminders" forgets it and counts a full interval from then.
    void pauseAndResumeFromTheMenu()
    {
        CompanionDelegate &d = h->launch();
        QVERIFY(choose(d, u"Pause for an hour"_s));
        const double until = h->now + 3600;
        QVERIFY(!d.cards().panel()->isVisible());
        QCOMPARE(Preferences::standard().value(u"pausedUntil"_s).toDateTime().toSecsSinceEpoch(), qint64(until));
        QCOMPARE(menuRows(d).at(1), u"Paused until "_s + shortTime(until));
        h->tick(1800);

        QVERIFY(choose(d, u"Resume reminders"_s));
        QVERIFY(!Preferences::standard().value(u"pausedUntil"_s).isValid());
        QCOMPARE(menuRows(d).at(1), u"Every 5 minutes · next at "_s + shortTime(h->now + 300));
    }

    // A stored pause still in force keeps the first card back; one that is
    // over is ignored and left stored.
    void storedPauseAtLaunch_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("inForce");
        const auto at = [](double instant) { return QVariant(QDateTime::fromSecsSinceEpoch(qint64(instant))); };
        QTest::newRow("a minute ahead") << at(launchTime + 60) << true;
        QTest::newRow("ending now") << at(launchTime) << false;
    }

    void storedPauseAtLaunch()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, inForce);
        Preferences::standard().setValue(u"pausedUntil"_s, stored);
        CompanionDelegate &d = h->launch();
        QCOMPARE(d.cards().schedule().pausedUntil().has_value(), inForce);
        QCOMPARE(d.cards().panel()->isVisible(), !inForce);
        QCOMPARE(Preferences::standard().value(u"pausedUntil"_s), stored);
    }

    // A background check that finds a newer version puts the bullet on the
    // status item and names the version in the tooltip; the learner's own
    // check, from the menu, takes the announcement back.
    void updateAnnouncement_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("announced");
        QTest::newRow("newer") << u"99.0.1"_s << true;
        QTest::newRow("this one") << CompanionUpdater::currentVersion() << false;
    }

    void updateAnnouncement()
    {
        QFETCH(QString, version);
        QFETCH(bool, announced);
        h->updateFeed =
            "{\"version\": \""_ba + version.toUtf8() + "\", \"url\": \"https://www.pelora.app/download\"}"_ba;
        CompanionDelegate &d = h->launch();
        QTRY_COMPARE(h->requestsFor(u"/companion/updates.json"_s), 1);
        QTest::qWait(100);
        const StatusItem &item = *d.statusMenu().statusItem();
        const QString calm = u"Pelora · Your saved Malay, every 5 minutes"_s;
        QCOMPARE(item.title(), announced ? u" •"_s : QString());
        QCOMPARE(item.toolTip(), announced ? u"Pelora 99.0.1 is available · Click to update"_s : calm);

        QVERIFY(choose(d, announced ? u"Update to 99.0.1…"_s : u"Check for Updates…"_s));
        QTRY_COMPARE(h->requestsFor(u"/companion/updates.json"_s), 2);
        QTRY_COMPARE(item.toolTip(), calm);
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto *dialog = qobject_cast<QDialog *>(widget))
                dialog->close();
    }

    void signOutIsImmediateAndBlocksEverythingUntilTheWipeEnds()
    {
        CompanionDelegate &d = h->launch();
        h->session->holdClear = true;
        d.account().signOut();
        QVERIFY(menuRows(d).contains(u"Sign in…"_s));
        QCOMPARE(d.store().state(), PhraseStore::State::signedOut);
        QVERIFY(!d.account().lookupAccount());
        QVERIFY(!d.lookupWindow().model()->signedIn());
        QVERIFY(!d.cards().panel()->isVisible());
        QVERIFY(!d.cards().panel()->model()->phrase());

        const int requests = h->feedRequests();
        d.account().signIn();
        d.account().showLookup();
        d.cards().showPhrase();
        d.account().refresh();
        h->tick(3600);
        QTest::qWait(100);
        QCOMPARE(h->feedRequests(), requests);
        QCOMPARE(h->session->loginsShown.size(), 0);
        QVERIFY(!d.lookupWindow().isVisible());
        QVERIFY(!d.cards().presenting());
        QVERIFY(!d.cards().panel()->isVisible());

        h->session->releaseClear();
        QVERIFY(h->waitFor(&AccountFlow::signOutFinished));
        QCOMPARE(h->session->loginsShown.size(), 0); // a plain sign-out opens no sign-in
        d.account().signIn();
        QCOMPARE(h->session->loginsShown.size(), 1);
    }

    // "Switch account…" signs out first; the new account's first card follows.
    void switchingAccountForgetsTheDeckAndShowsTheNewAccountsCard()
    {
        CompanionDelegate &d = h->launch();
        QVERIFY(d.cards().deck().lastID().has_value());
        d.account().signIn();
        QVERIFY(h->waitFor(&AccountFlow::signOutFinished));
        QVERIFY(!d.cards().deck().lastID().has_value());
        QCOMPARE(h->session->loginsShown.size(), 1);
        h->session->token = secondToken;
        d.account().sessionChanged();
        QVERIFY(h->waitFor(&AccountFlow::sessionChangeFinished));
        QCOMPARE(d.store().userID(), u"u2"_s);
        QCOMPARE(d.account().lookupAccount(), u"u2"_s);
        QCOMPARE(h->session->loginsFinished, 1);
        QVERIFY(d.cards().panel()->isVisible());
        QVERIFY(d.cards().panel()->model()->phrase()->id.startsWith(u'q'));
    }

    // No phantom cards: after a session change of the same learner or a sync,
    // a card stays only while its phrase is still in the library.
    void cardStaysOnlyWhileItsPhraseIsInTheLibrary_data()
    {
        QTest::addColumn<bool>("sync");
        QTest::addColumn<LibraryChange>("change");
        QTest::newRow("session change, phrase kept") << false << LibraryChange::kept;
        QTest::newRow("session change, phrase deleted") << false << LibraryChange::deleted;
        QTest::newRow("session change, library unavailable") << false << LibraryChange::unavailable;
        QTest::newRow("sync, phrase kept") << true << LibraryChange::kept;
        QTest::newRow("sync, phrase deleted") << true << LibraryChange::deleted;
        QTest::newRow("sync, message card shown") << true << LibraryChange::messageCard;
    }

    void cardStaysOnlyWhileItsPhraseIsInTheLibrary()
    {
        QFETCH(bool, sync);
        QFETCH(LibraryChange, change);
        CompanionDelegate &d = h->launch();
        const QString shown = d.cards().panel()->model()->phrase()->id;
        if (change == LibraryChange::deleted)
            h->accounts[firstToken].second.removeIf([&](const Phrase &phrase) { return phrase.id == shown; });
        if (change == LibraryChange::messageCard)
            d.cards().panel()->showMessage(PhraseStore::State::ready, d.store().status());
        if (change == LibraryChange::unavailable)
            h->status = 500;
        if (sync) {
            d.account().refresh();
            QVERIFY(h->waitFor(&AccountFlow::libraryRefreshFinished));
        } else {
            d.account().sessionChanged();
            QVERIFY(h->waitFor(&AccountFlow::sessionChangeFinished));
        }
        QCOMPARE(d.cards().panel()->isVisible(), change == LibraryChange::kept);
        if (change == LibraryChange::kept)
            QCOMPARE(d.cards().panel()->model()->phrase()->id, shown);
        if (change == LibraryChange::unavailable) { // the card's phrase is forgotten, the account is not
            QVERIFY(!d.cards().panel()->model()->phrase());
            QVERIFY(menuRows(d).contains(u"Switch account…"_s));
        }
    }

    // The address dialog opens on the current origin. Entering it again
    // changes nothing; an entry the origin rules refuse brings an alert and
    // changes nothing either; a new address signs out and opens sign-in there.
    void originEntry_data()
    {
        QTest::addColumn<QString>("entered"); // null: the current origin as it is
        QTest::addColumn<bool>("alerted");
        QTest::addColumn<QString>("origin"); // null: the current one stays
        const QString local = u"http://localhost:3000"_s;
        QTest::newRow("unchanged") << QString() << false << QString();
        QTest::newRow("a path") << u"https://example.org/app"_s << true << QString();
        QTest::newRow("a new address") << local << false << local;
    }

    void originEntry()
    {
        QFETCH(QString, entered);
        QFETCH(bool, alerted);
        QFETCH(QString, origin);
        CompanionDelegate &d = h->launch();
        const QString current = d.account().origin().text();
        h->dialogs->answers = {entered.isNull() ? current : entered};
        d.statusMenu().configureOrigin();
        const QString alert = u"alert: "_s + DialogTexts::invalidOriginInformative();
        QCOMPARE(h->dialogs->shown, (alerted ? QStringList{current, alert} : QStringList{current}));
        if (!origin.isNull())
            QVERIFY(h->waitFor(&AccountFlow::signOutFinished));
        QCOMPARE(Preferences::standard().text(u"webOrigin"_s), origin.isNull() ? current : origin);
        QCOMPARE(d.store().state(), origin.isNull() ? PhraseStore::State::ready : PhraseStore::State::signedOut);
        QCOMPARE(h->session->loginsShown, origin.isNull() ? QList<QUrl>() : QList<QUrl>{QUrl(origin)});
    }

    // A refused entry brings the dialog back with what was typed; Cancel
    // after a refused entry keeps the interval there was.
    void customIntervalDialogComesBackUntilTheEntryIsValid()
    {
        CompanionDelegate &d = h->launch();
        h->dialogs->answers = {u"abc"_s, u" 90 "_s};
        d.statusMenu().configureInterval();
        const QStringList shown{u"5|"_s + DialogTexts::intervalInformative(),
                                u"abc|Enter a whole number from 1 to 1440 minutes."_s};
        QCOMPARE(h->dialogs->shown, shown);
        QCOMPARE(d.cards().schedule().interval(), 90 * 60.0);
        QCOMPARE(Preferences::standard().value(u"reminderIntervalMinutes"_s).toInt(), 90);

        h->dialogs->answers = {u"-5"_s, QString()};
        d.statusMenu().configureInterval();
        QCOMPARE(d.cards().schedule().interval(), 90 * 60.0);
    }

    // "--sign-in" at launch opens sign-in only for a learner signed out and
    // not asking for lookup in the same breath.
    void launchFlags_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<bool>("lookupShown");
        QTest::newRow("--sign-in --lookup: lookup wins") << QStringList{u"--sign-in"_s, u"--lookup"_s} << false << true;
        QTest::newRow("--sign-in signed in: the first card") << QStringList{u"--sign-in"_s} << true << false;
    }

    void launchFlags()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, signedIn);
        QFETCH(bool, lookupShown);
        h.emplace(arguments, signedIn);
        CompanionDelegate &d = h->launch();
        QCOMPARE(h->session->loginsShown.size(), 0);
        QCOMPARE(d.lookupWindow().isVisible(), lookupShown);
        QCOMPARE(d.cards().panel()->isVisible(), signedIn);
        QCOMPARE(d.cards().panel()->model()->phrase().has_value(), signedIn);
        d.lookupWindow().hide();
    }

    void laterLaunchesToggleLookupOrSignInWithoutSigningOut()
    {
        CompanionDelegate &d = h->launch();
        const auto launch = [&](const QString &flag) { d.handleForwardedArguments({u"pelora-companion"_s, flag}); };
        launch(u"--sign-in"_s);
        QCOMPARE(h->session->loginsShown.size(), 0);
        QCOMPARE(d.store().state(), PhraseStore::State::ready);

        launch(u"--lookup"_s);
        QVERIFY(d.lookupWindow().isVisible());
        launch(u"--lookup"_s);
        QVERIFY(!d.lookupWindow().isVisible());

        // Without a tray, "--menu" opens the status menu, rebuilt, at the pointer.
        launch(u"--menu"_s);
        QMenu *menu = d.statusMenu().statusItem()->menu();
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(menu->actions().value(0)->text(), MenuTexts::heading());
        menu->hide();
        d.account().signOut();
        QVERIFY(h->waitFor(&AccountFlow::signOutFinished));
        launch(u"--sign-in"_s);
        QCOMPARE(h->session->loginsShown.size(), 1);
    }
};

QTEST_MAIN(FlowsTest)
#include "test_flows.moc"
