// The lookup model driven through a scripted client.
#include "lookup/companion_phrase_api.h"
#include "lookup/model/sample_card.h"
#include "lookup/model/scripted_lookup_api.h"
#include "lookup/phrase_lookup_model.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using Phase = PhraseLookupModel::Phase;

enum class Ending { cancelLookup, reconnect, clear, destroy };
Q_DECLARE_METATYPE(Ending)
Q_DECLARE_METATYPE(LookupOutcome<LookupPhrase>)
Q_DECLARE_METATYPE(LookupFailure)

namespace {
const QString sessionExpired = u"Your session expired. Sign in to look up a phrase."_s;
const QString incompleteCard = u"Pelora couldn’t return a complete phrase card. Try looking it up again."_s;
const QString unreachable = u"Couldn’t reach Pelora. Check your connection and try again."_s;
} // namespace

class PhraseLookupModelTest : public QObject {
    Q_OBJECT

    std::unique_ptr<PhraseLookupModel> model;
    std::shared_ptr<LookupScript> script;
    int saved = 0;
    int accountInvalid = 0;

    void connectWithQuery(const QString &query = u"less sugar"_s)
    {
        script = std::make_shared<LookupScript>();
        model->connect(std::make_unique<ScriptedLookupAPI>(script));
        model->setQuery(query);
    }

    void reachPreview()
    {
        model->lookup();
        script->lookups.last().answer(sampleCard());
        QCOMPARE(model->phase(), Phase::preview);
    }

    // The state after clear(), whatever came before.
    void verifySignedOut(const std::optional<QString> &message)
    {
        QVERIFY(!model->signedIn());
        QCOMPARE(model->query(), QString());
        QVERIFY(!model->phrase());
        QCOMPARE(model->phase(), Phase::idle);
        QCOMPARE(model->error(), message);
        QVERIFY(!model->canLookup() && !model->canSave());
    }

private Q_SLOTS:
    void init()
    {
        saved = accountInvalid = 0;
        model = std::make_unique<PhraseLookupModel>();
        model->onSaved = [this] { ++saved; };
        model->onAccountInvalid = [this] { ++accountInvalid; };
    }

    void cleanup()
    {
        model.reset();
        script.reset();
    }

    void lookupAndSaveWalkThroughThePhases()
    {
        QSignalSpy availability(model.get(), &PhraseLookupModel::availabilityChanged);
        model->setQuery(u"less sugar"_s);
        QVERIFY(!model->canLookup()); // not connected
        model->lookup();
        QCOMPARE(model->phase(), Phase::idle);

        connectWithQuery(u"  less sugar \n"_s);
        QCOMPARE(availability.size(), 1);
        model->lookup();
        model->discard(); // busy: ignored
        QCOMPARE(model->phase(), Phase::lookingUp);
        QVERIFY(model->busy() && !model->canLookup());
        QCOMPARE(availability.size(), 2);
        QCOMPARE(script->lookups.first().sent, u"less sugar"_s);
        script->lookups.first().answer(sampleCard());
        QCOMPARE(model->property("phaseName").toString(), u"preview"_s);
        QCOMPARE(model->phrase(), std::optional(sampleCard()));
        QCOMPARE(model->property("phrase").toMap().value(u"usageExamples"_s).toList().first().toMap().value(u"situation"_s),
                 u"Ordering at the counter"_s);
        QVERIFY(model->canSave() && model->canLookup());
        QCOMPARE(availability.size(), 3);

        model->save();
        model->save(); // no second save while one is in flight
        model->cancelLookup(); // the window hides: a save goes on
        model->discard();      // busy: ignored
        QCOMPARE(model->phase(), Phase::saving);
        QVERIFY(!model->canSave());
        QCOMPARE(script->abandons, 0);
        QCOMPARE(script->saves.size(), 1);
        QCOMPARE(script->saves.first().sent, sampleCard());
        script->saves.first().answer(u"p-1"_s);
        QCOMPARE(model->phase(), Phase::saved);
        QCOMPARE(saved, 1);
        QVERIFY(!model->canSave());
        model->save();
        QCOMPARE(script->saves.size(), 1);

        model->lookup(); // drops the saved card as it starts
        QVERIFY(!model->phrase());
        script->lookups.last().answer(sampleCard());
        model->discard();
        QCOMPARE(model->phase(), Phase::idle);
        QVERIFY(!model->property("hasPhrase").toBool());
        QCOMPARE(model->query(), u"  less sugar \n"_s);
    }

    void queryLimits_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("allowed");
        const QString emoji = u"\U0001F35C"_s; // two UTF-16 units
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("only white space") << u"  \t\n\u00A0\u2003"_s << false;
        QTest::newRow("500 units") << QString(498, u'a') + emoji << true;
        QTest::newRow("500 units inside spaces") << u"   "_s + QString(498, u'a') + emoji + u"\n\n"_s << true;
        QTest::newRow("501 units") << QString(499, u'a') + emoji << false;
        QTest::newRow("250 characters of 501 units") << u"a"_s + emoji.repeated(250) << false;
    }

    void queryLimits()
    {
        QFETCH(QString, query);
        QFETCH(bool, allowed);
        connectWithQuery(query);
        QCOMPARE(model->canLookup(), allowed);
        model->lookup();
        QCOMPARE(script->lookups.size(), allowed ? 1 : 0);
        QCOMPARE(model->phase(), allowed ? Phase::lookingUp : Phase::idle);
    }

    void lookupFailuresShowOneMessage_data()
    {
        QTest::addColumn<LookupOutcome<LookupPhrase>>("outcome");
        QTest::addColumn<QString>("message");
        LookupPhrase incomplete = sampleCard();
        incomplete.register_ = u"Polite"_s;
        using O = LookupOutcome<LookupPhrase>;
        QTest::newRow("refused") << O(LookupError::rejected(u"Try a shorter phrase."_s)) << u"Try a shorter phrase."_s;
        QTest::newRow("no lookup endpoint")
            << O(LookupError::unavailable()) << u"Phrase lookup is not available at this web app address yet."_s;
        QTest::newRow("unusable answer") << O(LookupError::invalidResponse()) << incompleteCard;
        QTest::newRow("incomplete card") << O(incomplete) << incompleteCard;
        QTest::newRow("not decodable") << O(LookupFailure::decoding()) << unreachable;
        QTest::newRow("timed out") << O(LookupFailure::transport(QNetworkReply::TimeoutError)) << unreachable;
        QTest::newRow("cancelled underneath") << O(LookupFailure::cancelled()) << unreachable;
    }

    void lookupFailuresShowOneMessage()
    {
        QFETCH(LookupOutcome<LookupPhrase>, outcome);
        QFETCH(QString, message);
        connectWithQuery();
        model->lookup();
        script->lookups.first().answer(outcome);

        QCOMPARE(model->phase(), Phase::idle);
        QCOMPARE(model->error(), std::optional(message));
        QVERIFY(!model->phrase() && !model->canSave());
        QVERIFY(model->signedIn() && model->canLookup());
        QCOMPARE(model->query(), u"less sugar"_s);
        QCOMPARE(accountInvalid, 0);
        model->lookup(); // the next lookup removes the message
        QVERIFY(!model->hasError());
    }

    void accountFailuresSignOut_data()
    {
        QTest::addColumn<bool>("duringSave");
        QTest::addColumn<LookupFailure>("failure");
        QTest::addColumn<QString>("message");
        for (const bool duringSave : {false, true}) {
            const char *when = duringSave ? "save" : "lookup";
            QTest::addRow("401 during %s", when) << duringSave << LookupFailure(LookupError::signedOut()) << sessionExpired;
            QTest::addRow("409 during %s", when) << duringSave << LookupFailure(LookupError::accountChanged())
                                                 << u"Your account changed. Reopen phrase lookup to continue."_s;
        }
    }

    void accountFailuresSignOut()
    {
        QFETCH(bool, duringSave);
        QFETCH(LookupFailure, failure);
        QFETCH(QString, message);
        connectWithQuery();
        if (duringSave) {
            reachPreview();
            model->save();
            script->saves.first().answer(failure);
        } else {
            model->lookup();
            script->lookups.first().answer(failure);
        }

        verifySignedOut(message);
        QCOMPARE(accountInvalid, 1);
        QCOMPARE(saved, 0);
        QCOMPARE(script->cancels, 1); // the client was ended and dropped
        model->setQuery(u"again"_s);
        model->lookup();
        QCOMPARE(script->lookups.size(), 1);

        connectWithQuery(QString()); // reconnecting removes the message
        QVERIFY(!model->hasError() && model->signedIn());
    }

    void aClientThatFailsAtOnce()
    {
        // Without a session the client fails before it waits for anything.
        model->connect(std::make_unique<CompanionPhraseAPI>(QUrl(u"http://127.0.0.1:9"_s), u"user-1"_s, nullptr));
        model->setQuery(u"less sugar"_s);
        model->lookup();
        verifySignedOut(sessionExpired);
        QCOMPARE(accountInvalid, 1);
    }

    void everySaveFailureLeavesTheOutcomeOpen_data()
    {
        QTest::addColumn<LookupFailure>("failure");
        QTest::newRow("429 with a message") << LookupFailure(LookupError::rejected(u"Daily limit reached."_s));
        QTest::newRow("unusable receipt") << LookupFailure(LookupError::invalidResponse());
        QTest::newRow("not decodable") << LookupFailure::decoding();
        QTest::newRow("connection lost") << LookupFailure::transport(QNetworkReply::RemoteHostClosedError);
    }

    void everySaveFailureLeavesTheOutcomeOpen()
    {
        QFETCH(LookupFailure, failure);
        connectWithQuery();
        reachPreview();
        model->save();
        script->saves.first().answer(failure);

        QCOMPARE(model->phase(), Phase::saveUncertain);
        QCOMPARE(model->error(), std::optional(u"Couldn’t confirm the save. Check your phrasebook before looking up "
                                                u"and saving this phrase again."_s));
        QCOMPARE(model->phrase(), std::optional(sampleCard()));
        QCOMPARE(saved, 0);
        // No second save: the first may have reached the web app.
        model->save();
        QCOMPARE(script->saves.size(), 1);
        QVERIFY(!model->canSave() && model->canLookup());
    }

    // A request whose lookup was abandoned, whose client was dropped, or whose
    // model was signed out or destroyed: its late answer, success or 401, changes
    // nothing, not even the next lookup already waiting.
    void lateAnswersChangeNothing_data()
    {
        QTest::addColumn<Ending>("ending");
        QTest::addColumn<bool>("duringSave");
        QTest::addColumn<bool>("lateFailure");
        const std::pair<Ending, const char *> endings[] = {{Ending::cancelLookup, "cancelLookup"},
            {Ending::reconnect, "reconnect"}, {Ending::clear, "clear"}, {Ending::destroy, "destroy"}};
        for (const auto &[ending, name] : endings)
            for (const bool duringSave : {false, true})
                for (const bool lateFailure : {false, true})
                    if (ending != Ending::cancelLookup || !duringSave) // a save outlives the window
                        QTest::addRow("%s during %s, late %s", name, duringSave ? "save" : "lookup",
                                      lateFailure ? "401" : "success") << ending << duringSave << lateFailure;
    }

    void lateAnswersChangeNothing()
    {
        QFETCH(Ending, ending);
        QFETCH(bool, duringSave);
        QFETCH(bool, lateFailure);
        connectWithQuery();
        if (duringSave) {
            reachPreview();
            model->save();
        } else {
            model->lookup();
        }
        const std::shared_ptr<LookupScript> stale = script;
        switch (ending) {
        case Ending::cancelLookup:
            model->cancelLookup();
            model->cancelLookup(); // not looking up: nothing happens
            QCOMPARE(script->abandons, 1);
            QCOMPARE(script->cancels, 0); // the client stays
            break;
        case Ending::reconnect:
            connectWithQuery();
            QCOMPARE(stale->cancels, 1);
            break;
        case Ending::clear:
            model->clear();
            verifySignedOut(std::nullopt);
            break;
        case Ending::destroy:
            model.reset();
            QCOMPARE(stale->cancels, 1);
            break;
        }
        const bool live = ending == Ending::cancelLookup || ending == Ending::reconnect;
        if (live)
            model->lookup();

        const LookupFailure signedOut = LookupError::signedOut();
        if (duringSave)
            stale->saves.first().answer(lateFailure ? LookupOutcome<QString>(signedOut) : u"p-1"_s);
        else
            stale->lookups.first().answer(lateFailure ? LookupOutcome<LookupPhrase>(signedOut) : sampleCard());
        QCOMPARE(saved + accountInvalid, 0);
        if (!model)
            return;
        QCOMPARE(model->signedIn(), live);
        QVERIFY(!model->phrase() && !model->hasError());
        QCOMPARE(model->phase(), live ? Phase::lookingUp : Phase::idle);
        if (live) {
            script->lookups.last().answer(sampleCard());
            QCOMPARE(model->phase(), Phase::preview);
        }
    }
};

QTEST_GUILESS_MAIN(PhraseLookupModelTest)
#include "tst_phrase_lookup_model.moc"
