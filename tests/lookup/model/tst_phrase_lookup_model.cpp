// The lookup model driven through a scripted client.
#include "lookup/companion_phrase_api.h"
#include "lookup/model/sample_card.h"
#include "lookup/model/scripted_lookup_api.h"
#include "lookup/phrase_lookup_model.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using Phase = PhraseLookupModel::Phase;

Q_DECLARE_METATYPE(LookupOutcome<LookupPhrase>)

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
        QVERIFY(!model->signedIn() && !model->phrase());
        QCOMPARE(model->query(), QString());
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
        QCOMPARE(model->property("phrase").toMap().value(u"usageExamples"_s).toList()[0].toMap().value(u"situation"_s),
                 u"Ordering at the counter"_s);
        QVERIFY(model->canSave() && model->canLookup());
        QCOMPARE(availability.size(), 3);

        model->save();
        model->save();         // no second save while one is in flight
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

    // At most 500 UTF-16 units once trimmed; an emoji counts two.
    void queryLimits()
    {
        const QString emoji = u"\U0001F35C"_s;
        const std::pair<QString, bool> queries[] = {{QString(), false},
                                                    {u"  \t\n\u00A0\u2003"_s, false},
                                                    {QString(498, u'a') + emoji, true},
                                                    {u"   "_s + QString(498, u'a') + emoji + u"\n\n"_s, true},
                                                    {QString(499, u'a') + emoji, false},
                                                    {u"a"_s + emoji.repeated(250), false}};
        for (const auto &[query, allowed] : queries) {
            connectWithQuery(query);
            QCOMPARE(model->canLookup(), allowed);
            model->lookup();
            QCOMPARE(script->lookups.size(), allowed ? 1 : 0);
            QCOMPARE(model->phase(), allowed ? Phase::lookingUp : Phase::idle);
        }
    }

    void failures_data()
    {
        QTest::addColumn<bool>("duringSave");
        QTest::addColumn<LookupOutcome<LookupPhrase>>("outcome"); // a save is answered with its failure
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("signsOut");
        LookupPhrase incomplete = sampleCard();
        incomplete.register_ = u"Polite"_s;
        const QString saveUncertain =
            u"Couldn’t confirm the save. Check your phrasebook before looking up and saving this phrase again."_s;
        const auto row = [](const char *name, bool duringSave, auto outcome, const QString &message,
                            bool signsOut = false) {
            QTest::addRow("%s during %s", name, duringSave ? "save" : "lookup")
                << duringSave << LookupOutcome<LookupPhrase>(outcome) << message << signsOut;
        };
        row("refused", false, LookupError::rejected(u"Try a shorter phrase."_s), u"Try a shorter phrase."_s);
        row("no endpoint", false, LookupError::unavailable(),
            u"Phrase lookup is not available at this web app address yet."_s);
        row("unusable answer", false, LookupError::invalidResponse(), incompleteCard);
        row("incomplete card", false, incomplete, incompleteCard);
        row("not decodable", false, LookupFailure::decoding(), unreachable);
        row("time-out", false, LookupFailure::transport(QNetworkReply::TimeoutError), unreachable);
        row("cancelled underneath", false, LookupFailure::cancelled(), unreachable);
        // The save may have reached the web app: its outcome stays open.
        row("429", true, LookupError::rejected(u"Daily limit reached."_s), saveUncertain);
        row("unusable receipt", true, LookupError::invalidResponse(), saveUncertain);
        row("not decodable", true, LookupFailure::decoding(), saveUncertain);
        row("connection lost", true, LookupFailure::transport(QNetworkReply::RemoteHostClosedError), saveUncertain);
        for (const bool duringSave : {false, true}) {
            row("401", duringSave, LookupError::signedOut(), sessionExpired, true);
            row("409", duringSave, LookupError::accountChanged(),
                u"Your account changed. Reopen phrase lookup to continue."_s, true);
        }
    }

    void failures()
    {
        QFETCH(bool, duringSave);
        QFETCH(LookupOutcome<LookupPhrase>, outcome);
        QFETCH(QString, message);
        QFETCH(bool, signsOut);
        connectWithQuery();
        if (duringSave) {
            reachPreview();
            model->save();
            script->saves.first().answer(outcome.error());
        } else {
            model->lookup();
            script->lookups.first().answer(outcome);
        }
        QCOMPARE(model->error(), std::optional(message));
        QCOMPARE(saved, 0);
        QCOMPARE(accountInvalid, signsOut ? 1 : 0);
        QCOMPARE(script->cancels, signsOut ? 1 : 0); // signing out ends and drops the client

        if (signsOut) {
            verifySignedOut(message);
            model->setQuery(u"again"_s);
            model->lookup();
            QCOMPARE(script->lookups.size(), 1);
            connectWithQuery(QString()); // reconnecting removes the message
            QVERIFY(!model->hasError() && model->signedIn());
        } else if (duringSave) {
            QCOMPARE(model->phase(), Phase::saveUncertain);
            QCOMPARE(model->phrase(), std::optional(sampleCard()));
            model->save(); // no second save
            QCOMPARE(script->saves.size(), 1);
            QVERIFY(!model->canSave() && model->canLookup());
        } else {
            QCOMPARE(model->phase(), Phase::idle);
            QVERIFY(!model->phrase() && !model->canSave());
            QVERIFY(model->signedIn() && model->canLookup());
            QCOMPARE(model->query(), u"less sugar"_s);
            model->lookup(); // the next lookup removes the message
            QVERIFY(!model->hasError());
        }
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

    // The late answer, success or 401, of a request whose lookup was
    // abandoned, whose client was dropped, or whose model was signed out or
    // destroyed changes nothing, not even the next lookup already waiting.
    void lateAnswersChangeNothing_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<bool>("duringSave");
        QTest::addColumn<bool>("lateFailure");
        for (const char *ending : {"cancelLookup", "reconnect", "clear", "destroy"})
            for (const bool duringSave : {false, true})
                for (const bool lateFailure : {false, true})
                    if (ending != "cancelLookup"_L1 || !duringSave) // a save outlives the window
                        QTest::addRow("%s during %s, late %s", ending, duringSave ? "save" : "lookup",
                                      lateFailure ? "401" : "success")
                            << QString::fromLatin1(ending) << duringSave << lateFailure;
    }

    void lateAnswersChangeNothing()
    {
        QFETCH(QString, ending);
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
        if (ending == "cancelLookup"_L1) {
            model->cancelLookup();
            model->cancelLookup(); // not looking up: nothing happens
            QCOMPARE(script->abandons, 1);
        } else if (ending == "reconnect"_L1) {
            connectWithQuery();
        } else if (ending == "clear"_L1) {
            model->clear();
            verifySignedOut(std::nullopt);
        } else {
            model.reset();
        }
        const bool live = ending == "cancelLookup"_L1 || ending == "reconnect"_L1;
        QCOMPARE(stale->cancels, ending == "cancelLookup"_L1 ? 0 : 1); // only an abandoned lookup keeps its client
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
