// The reminder clock and the card: what the learner sees, tick by tick.
#include "harness.h"

#include "card/card_model.h"
#include "card/card_panel.h"
#include "lookup/phrase_lookup_window.h"
#include "schedule/preferences.h"

#include <QSignalSpy>
#include <QTest>

class CardFlowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { resetPreferences(); }

    void launchShowsFirstCardThenReminderAfterInterval()
    {
        Harness h;
        h.launch();
        CompanionDelegate &d = *h.delegate;
        QCOMPARE(d.store().state(), PhraseStore::State::ready);
        QVERIFY(d.panel()->isVisible());
        QVERIFY(d.panel()->model()->phrase().has_value());
        QVERIFY(!d.panel()->model()->expanded());

        // Hidden 45 s after it was shown, not a second earlier.
        h.advance(44);
        d.tick();
        QVERIFY(d.panel()->isVisible());
        h.advance(1);
        d.tick();
        QVERIFY(!d.panel()->isVisible());

        // The next card comes 5 minutes after the last one was shown.
        const int requestsBefore = h.server.feedRequests();
        h.advance(300 - 45 - 1);
        d.tick();
        QVERIFY(!d.panel()->isVisible());
        QCOMPARE(h.server.feedRequests(), requestsBefore);
        h.advance(1);
        d.tick();
        QVERIFY(h.waitFor(SIGNAL(loadAndShowFinished())));
        QCOMPARE(h.server.feedRequests(), requestsBefore + 1);
        QVERIFY(d.panel()->isVisible());
    }

    void hoverExpandsAndKeepsTheCard()
    {
        Harness h;
        h.launch();
        CompanionDelegate &d = *h.delegate;
        d.panel()->model()->onHover(true);
        QVERIFY(d.panel()->model()->expanded());
        QVERIFY(d.schedule().expanded());
        h.advance(600);
        d.tick();
        QVERIFY(d.panel()->isVisible()); // an expanded card stays

        // Leaving collapses after 0.3 s; then it hides 12 s later.
        d.panel()->model()->onHover(false);
        QTRY_VERIFY_WITH_TIMEOUT(!d.panel()->model()->expanded(), 2000);
        QVERIFY(!d.schedule().expanded());
        h.advance(11);
        d.tick();
        QVERIFY(d.panel()->isVisible());
        h.advance(1);
        d.tick();
        QVERIFY(!d.panel()->isVisible());
    }

    void showPhraseDuringPauseKeepsThePause()
    {
        Harness h;
        h.launch();
        CompanionDelegate &d = *h.delegate;
        d.togglePause();
        QVERIFY(!d.panel()->isVisible());
        QVERIFY(d.schedule().pausedUntil().has_value());
        QCOMPARE(Preferences::standard().value(QStringLiteral("pausedUntil")).typeId(), QMetaType::QDateTime);

        d.showPhrase();
        QVERIFY(h.waitFor(SIGNAL(loadAndShowFinished())));
        QVERIFY(d.panel()->isVisible());
        QVERIFY(d.schedule().pausedUntil().has_value());

        // No reminder while paused, even long after the interval.
        d.dismiss();
        h.advance(1800);
        d.tick();
        QVERIFY(!d.panel()->isVisible());
        QVERIFY(!d.presenting());
    }

    // While a "Show a phrase" is loading, a second one or a reminder that
    // falls due is dropped: one refresh, one card.
    void requestsDuringALoadAreDropped_data()
    {
        QTest::addColumn<bool>("reminder");
        QTest::addRow("second Show a phrase") << false;
        QTest::addRow("due reminder") << true;
    }

    void requestsDuringALoadAreDropped()
    {
        QFETCH(bool, reminder);
        Harness h;
        h.launch();
        CompanionDelegate &d = *h.delegate;
        d.dismiss();
        h.server.setDelay(200);
        const int before = h.server.feedRequests();
        QSignalSpy finished(&d, &CompanionDelegate::loadAndShowFinished);
        d.showPhrase();
        if (reminder) {
            h.advance(300);
            d.tick();
        } else {
            d.showPhrase();
        }
        QVERIFY(finished.wait(5000));
        QTest::qWait(300);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(h.server.feedRequests(), before + 1);
        QVERIFY(d.panel()->isVisible());
    }

    void signedOutReminderShowsNothingButShowPhraseShowsMessage()
    {
        Harness h({}, /*signedIn=*/false);
        h.launch();
        CompanionDelegate &d = *h.delegate;
        // Launch signed out shows the signed-out message card.
        QVERIFY(d.panel()->isVisible());
        QVERIFY(!d.panel()->model()->phrase());
        QCOMPARE(d.panel()->model()->state(), PhraseStore::State::signedOut);
        d.dismiss();

        h.advance(300);
        d.tick();
        QVERIFY(h.waitFor(SIGNAL(loadAndShowFinished())));
        QVERIFY(!d.panel()->isVisible());
        QVERIFY(!d.schedule().visible());

        d.showPhrase();
        QVERIFY(h.waitFor(SIGNAL(loadAndShowFinished())));
        QVERIFY(d.panel()->isVisible());
        QCOMPARE(d.panel()->model()->state(), PhraseStore::State::signedOut);
        QCOMPARE(d.panel()->model()->detail(), QStringLiteral("Sign in to use your saved phrases"));
        QCOMPARE(h.server.feedRequests(), 0); // no cookie, no request
    }

    void readyLibraryWithNoPhraseFromDeckIsImpossibleButEmptyShowsMessage()
    {
        Harness h({}, true, /*phrases=*/0);
        h.launch();
        CompanionDelegate &d = *h.delegate;
        QCOMPARE(d.store().state(), PhraseStore::State::empty);
        QVERIFY(d.panel()->isVisible());
        QCOMPARE(d.panel()->model()->state(), PhraseStore::State::empty);
        QCOMPARE(d.panel()->model()->detail(), QStringLiteral("No saved phrases yet · look up a phrase"));
    }

    void messageCardActionPerState()
    {
        {
            Harness h({}, false);
            h.launch();
            h.delegate->panel()->model()->onAction();
            QCOMPARE(h.session->loginsShown.size(), 1); // signed out → sign in
            QVERIFY(!h.delegate->panel()->isVisible());
        }
        {
            Harness h({}, true, 0);
            h.launch();
            h.delegate->panel()->model()->onAction();
            QVERIFY(h.delegate->lookupWindow().isVisible()); // empty → look up
            h.delegate->lookupWindow().hide();
        }
        {
            Harness h;
            h.server.setStatus(500);
            h.launch();
            CompanionDelegate &d = *h.delegate;
            QCOMPARE(d.store().state(), PhraseStore::State::unavailable);
            QCOMPARE(d.panel()->model()->state(), PhraseStore::State::unavailable);
            h.server.setStatus(0);
            d.panel()->model()->onAction(); // unavailable → reload and show
            QVERIFY(h.waitFor(SIGNAL(loadAndShowFinished())));
            QCOMPARE(d.store().state(), PhraseStore::State::ready);
            QVERIFY(d.panel()->model()->phrase().has_value());
        }
    }

    void openPhrasebookOpensBrowserAndHidesCard()
    {
        Harness h;
        h.launch();
        h.delegate->openPhrasebook();
        QCOMPARE(h.openedUrls.size(), 1);
        QCOMPARE(h.openedUrls.first().toString(), h.server.origin().toString() + QStringLiteral("/phrasebook"));
        QVERIFY(!h.delegate->panel()->isVisible());
    }

    void sleepHidesEverythingAndWakeRestartsCountdown()
    {
        Harness h;
        h.launch();
        CompanionDelegate &d = *h.delegate;
        QVERIFY(d.panel()->isVisible());
        d.suspend();
        QVERIFY(!d.panel()->isVisible());
        QVERIFY(!d.lookupWindow().isVisible());
        h.advance(3600);
        d.tick();
        QVERIFY(!d.presenting());
        QVERIFY(!d.panel()->isVisible());

        d.wake();
        QCOMPARE(d.schedule().nextDue(), h.now + 300);
        h.advance(299);
        d.tick();
        QVERIFY(!d.presenting());
        h.advance(1);
        d.tick();
        QVERIFY(d.presenting());
        QVERIFY(h.waitFor(SIGNAL(loadAndShowFinished())));
        QVERIFY(d.panel()->isVisible());
    }

    void screensChangedOnlyRepositions()
    {
        Harness h;
        h.launch();
        CompanionDelegate &d = *h.delegate;
        const CardSchedule before = d.schedule();
        const bool visible = d.panel()->isVisible();
        d.screensChanged();
        QVERIFY(d.schedule() == before);
        QCOMPARE(d.panel()->isVisible(), visible);
    }

    void lookupWindowStopsTheClock()
    {
        Harness h;
        h.launch();
        CompanionDelegate &d = *h.delegate;
        d.showLookup();
        QVERIFY(d.lookupWindow().isVisible());
        QVERIFY(!d.panel()->isVisible()); // opening lookup dismissed the card
        h.advance(3600);
        d.tick();
        QVERIFY(!d.presenting());
        QVERIFY(!d.panel()->isVisible());
        d.lookupWindow().hide();
    }
};

QTEST_MAIN(CardFlowTest)
#include "test_card_flow.moc"
