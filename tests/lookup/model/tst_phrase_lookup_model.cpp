// The lookup model driven through a scripted client.
#include "lookup/model/sample_card.h"
#include "lookup/model/scripted_lookup_api.h"
#include "lookup/phrase_lookup_model.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using Phase = PhraseLookupModel::Phase;

Q_DECLARE_METATYPE(LookupFailure)

namespace {

const QString sessionExpired = u"Your session expired. Sign in to look up a phrase."_s;
const QString accountChanged = u"Your account changed. Reopen phrase lookup to continue."_s;
const QString notAvailable = u"Phrase lookup is not available at this web app address yet."_s;
const QString incompleteCard = u"Pelora couldn’t return a complete phrase card. Try looking it up again."_s;
const QString unreachable = u"Couldn’t reach Pelora. Check your connection and try again."_s;
const QString saveUncertain =
    u"Couldn’t confirm the save. Check your phrasebook before looking up and saving this phrase again."_s;

} // namespace

class PhraseLookupModelTest : public QObject {
    Q_OBJECT

    std::unique_ptr<PhraseLookupModel> model;
    std::shared_ptr<LookupScript> script;
    int saved = 0;
    int accountInvalid = 0;

    // Connects a fresh scripted client and types `query`.
    void connectWithQuery(const QString &query = u"less sugar"_s)
    {
        script = std::make_shared<LookupScript>();
        model->connect(std::make_unique<ScriptedLookupAPI>(script));
        model->setQuery(query);
    }

    // Looks up and answers with the sample card: the model shows a preview.
    void reachPreview()
    {
        model->lookup();
        QCOMPARE(script->lookups.size(), 1);
        script->lookups.last().answer(sampleCard());
        QCOMPARE(model->phase(), Phase::preview);
    }

    // The state the model is in after clear(), whatever came before.
    void verifySignedOut(const std::optional<QString> &message)
    {
        QVERIFY(!model->signedIn());
        QCOMPARE(model->query(), QString());
        QVERIFY(!model->phrase());
        QCOMPARE(model->phase(), Phase::idle);
        QCOMPARE(model->error(), message);
        QVERIFY(!model->canLookup());
        QVERIFY(!model->canSave());
    }

private Q_SLOTS:
    void init()
    {
        model = std::make_unique<PhraseLookupModel>();
        saved = 0;
        accountInvalid = 0;
        model->onSaved = [this] { ++saved; };
        model->onAccountInvalid = [this] { ++accountInvalid; };
        script.reset();
    }

    void cleanup() { model.reset(); }

    void lookupAndSaveWalkThroughThePhases()
    {
        model->setQuery(u"less sugar"_s);
        QVERIFY(!model->canLookup()); // not connected
        model->lookup();
        QCOMPARE(model->phase(), Phase::idle);

        connectWithQuery(u"  less sugar \n"_s);
        QVERIFY(model->signedIn());
        QVERIFY(model->canLookup());
        model->lookup();
        QCOMPARE(model->phase(), Phase::lookingUp);
        QVERIFY(model->busy() && !model->canLookup());
        QCOMPARE(script->lookups.first().query, u"less sugar"_s);

        script->lookups.first().answer(sampleCard());
        QCOMPARE(model->phase(), Phase::preview);
        QCOMPARE(model->phrase(), std::optional(sampleCard()));
        QVERIFY(model->canSave() && model->canLookup());

        model->save();
        QCOMPARE(model->phase(), Phase::saving);
        QVERIFY(!model->canSave());
        QCOMPARE(script->saves.size(), 1);
        QCOMPARE(script->saves.first().card, sampleCard());
        model->save(); // no second save while one is in flight
        QCOMPARE(script->saves.size(), 1);

        script->saves.first().answer(u"p-1"_s);
        QCOMPARE(model->phase(), Phase::saved);
        QCOMPARE(saved, 1);
        QVERIFY(!model->canSave());
        model->save();
        QCOMPARE(script->saves.size(), 1);

        // A new lookup from `saved` drops the earlier card as it starts.
        model->lookup();
        QCOMPARE(model->phase(), Phase::lookingUp);
        QVERIFY(!model->phrase());
        script->lookups.last().answer(sampleCard());
        model->discard();
        QCOMPARE(model->phase(), Phase::idle);
        QVERIFY(!model->phrase());
        QCOMPARE(model->query(), u"  less sugar \n"_s);
        QCOMPARE(accountInvalid, 0);
    }

    void queryLimits_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("allowed");

        const QString emoji = u"\U0001F35C"_s; // two UTF-16 units
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("only spaces and line breaks") << u"  \t\n\u00A0\u2003"_s << false;
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
        QTest::addColumn<LookupFailure>("failure");
        QTest::addColumn<QString>("message");

        const auto row = [](const char *name, const LookupFailure &failure, const QString &message) {
            QTest::newRow(name) << failure << message;
        };
        row("refused with a message", LookupError::rejected(u"Try a shorter phrase."_s), u"Try a shorter phrase."_s);
        row("no lookup endpoint", LookupError::unavailable(), notAvailable);
        row("unusable answer", LookupError::invalidResponse(), incompleteCard);
        row("body not decodable", LookupFailure::decoding(), unreachable);
        row("timed out", LookupFailure::transport(QNetworkReply::TimeoutError), unreachable);
        row("cancelled underneath", LookupFailure::cancelled(), unreachable);
    }

    void lookupFailuresShowOneMessage()
    {
        QFETCH(LookupFailure, failure);
        QFETCH(QString, message);
        connectWithQuery();
        model->lookup();
        script->lookups.first().answer(failure);

        QCOMPARE(model->phase(), Phase::idle);
        QCOMPARE(model->error(), std::optional(message));
        QVERIFY(!model->phrase());
        QVERIFY(model->signedIn());
        QCOMPARE(model->query(), u"less sugar"_s);
        QCOMPARE(accountInvalid, 0);
        QVERIFY(model->canLookup()); // the learner can try again

        // The next lookup removes the message as it starts.
        model->lookup();
        QVERIFY(!model->hasError());
    }

    void anIncompleteCardIsNotShown()
    {
        connectWithQuery();
        LookupPhrase card = sampleCard();
        card.register_ = u"Polite"_s;
        model->lookup();
        script->lookups.first().answer(card);

        QCOMPARE(model->phase(), Phase::idle);
        QVERIFY(!model->phrase());
        QCOMPARE(model->error(), std::optional(incompleteCard));
        QVERIFY(!model->canSave());
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
                                                 << accountChanged;
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

        // Reconnecting removes the message and signs in again.
        connectWithQuery(QString());
        QVERIFY(!model->hasError());
        QVERIFY(model->signedIn());
        QCOMPARE(model->phase(), Phase::idle);
    }

    void aClientThatAnswersAtOnce()
    {
        // A client may fail before it waits for anything (no cookie at all).
        connectWithQuery();
        script->instantLookup = LookupOutcome<LookupPhrase>(LookupFailure(LookupError::signedOut()));
        model->lookup();
        verifySignedOut(sessionExpired);
        QCOMPARE(accountInvalid, 1);

        connectWithQuery();
        script->instantLookup = LookupOutcome<LookupPhrase>(sampleCard());
        model->lookup();
        QCOMPARE(model->phase(), Phase::preview);
        QVERIFY(model->canSave());
    }

    void everySaveFailureLeavesTheOutcomeOpen_data()
    {
        QTest::addColumn<LookupFailure>("failure");
        QTest::newRow("429 with the web app's message") << LookupFailure(LookupError::rejected(u"Daily limit reached."_s));
        QTest::newRow("unusable receipt") << LookupFailure(LookupError::invalidResponse());
        QTest::newRow("receipt not decodable") << LookupFailure::decoding();
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
        QCOMPARE(model->error(), std::optional(saveUncertain));
        QCOMPARE(model->phrase(), std::optional(sampleCard()));
        QCOMPARE(saved, 0);
        // No second save: the first may have reached the web app.
        QVERIFY(!model->canSave());
        model->save();
        QCOMPARE(script->saves.size(), 1);
        QVERIFY(model->canLookup());
    }

    void lateAnswersAfterCancelLookupChangeNothing()
    {
        connectWithQuery();
        model->lookup();
        model->discard(); // busy: ignored
        QCOMPARE(model->phase(), Phase::lookingUp);
        model->cancelLookup();
        QCOMPARE(model->phase(), Phase::idle);
        QCOMPARE(script->abandons, 1);
        QCOMPARE(script->cancels, 0); // the client stays
        QCOMPARE(model->query(), u"less sugar"_s);
        QVERIFY(model->canLookup());
        model->cancelLookup(); // not looking up: nothing happens
        QCOMPARE(script->abandons, 1);

        script->lookups.first().answer(sampleCard());
        QCOMPARE(model->phase(), Phase::idle);
        QVERIFY(!model->phrase());

        // The window closed during lookup A and reopened for lookup B: A's
        // failure arrives while B waits and must not end B.
        model->lookup();
        model->cancelLookup();
        model->lookup();
        QCOMPARE(script->lookups.size(), 3);
        script->lookups.at(1).answer(LookupFailure(LookupError::signedOut()));
        QCOMPARE(model->phase(), Phase::lookingUp);
        QVERIFY(model->signedIn());
        QCOMPARE(accountInvalid, 0);
        script->lookups.at(2).answer(sampleCard());
        QCOMPARE(model->phase(), Phase::preview);
    }

    void aSaveSurvivesTheWindowButNotAClear()
    {
        connectWithQuery();
        reachPreview();
        model->save();
        model->cancelLookup(); // the window hides: a save goes on
        model->discard();      // busy: ignored
        QCOMPARE(model->phase(), Phase::saving);
        QCOMPARE(script->abandons, 0);
        script->saves.first().answer(u"p-1"_s);
        QCOMPARE(model->phase(), Phase::saved);
        QCOMPARE(saved, 1);

        model->lookup();
        script->lookups.last().answer(sampleCard());
        model->save();
        model->clear(); // signed out while saving
        verifySignedOut(std::nullopt);
        script->saves.last().answer(u"p-2"_s);
        QCOMPARE(model->phase(), Phase::idle);
        QCOMPARE(saved, 1);
    }

    void connectTwiceKeepsOnlyTheSecondClient()
    {
        connectWithQuery();
        model->lookup();
        const std::shared_ptr<LookupScript> first = script;

        connectWithQuery(QString());
        QCOMPARE(first->cancels, 1);
        QVERIFY(model->signedIn());
        QCOMPARE(model->phase(), Phase::idle);
        QCOMPARE(model->query(), QString());

        first->lookups.first().answer(sampleCard()); // from the dropped client
        QCOMPARE(model->phase(), Phase::idle);
        QVERIFY(!model->phrase());

        model->setQuery(u"thank you"_s);
        model->lookup();
        QCOMPARE(first->lookups.size(), 1);
        QCOMPARE(script->lookups.size(), 1);
        QCOMPARE(script->cancels, 0);
    }

    void aDestroyedModelIgnoresItsAnswers()
    {
        connectWithQuery();
        reachPreview();
        model->save();
        const std::shared_ptr<LookupScript> kept = script;
        model.reset();
        QCOMPARE(kept->cancels, 1);
        kept->saves.first().answer(u"p-1"_s);
        QCOMPARE(saved, 0);

        model = std::make_unique<PhraseLookupModel>();
        connectWithQuery();
        model->lookup();
        const std::shared_ptr<LookupScript> again = script;
        model.reset();
        again->lookups.first().answer(LookupFailure(LookupError::signedOut()));
        QCOMPARE(accountInvalid, 0);
    }

    void viewsAreToldWhatChanged()
    {
        QSignalSpy availability(model.get(), &PhraseLookupModel::availabilityChanged);
        QSignalSpy phase(model.get(), &PhraseLookupModel::phaseChanged);
        QSignalSpy phrase(model.get(), &PhraseLookupModel::phraseChanged);
        connectWithQuery();
        QCOMPARE(availability.size(), 1); // canLookup turned true with the query
        model->lookup();
        QCOMPARE(phase.size(), 1);
        QCOMPARE(availability.size(), 2);
        script->lookups.first().answer(sampleCard());
        QCOMPARE(phrase.size(), 1);
        QCOMPARE(availability.size(), 3);
        QCOMPARE(model->property("phaseName").toString(), u"preview"_s);

        const QVariantMap card = model->property("phrase").toMap();
        QCOMPARE(card.value(u"malay"_s).toString(), sampleCard().malay);
        QCOMPARE(card.value(u"scenario"_s).toString(), u"kopitiam"_s);
        QCOMPARE(card.value(u"usageExamples"_s).toList().first().toMap().value(u"situation"_s).toString(),
                 u"Ordering at the counter"_s);

        model->discard();
        QVERIFY(model->property("phrase").toMap().isEmpty());
        QVERIFY(!model->property("hasPhrase").toBool());
    }
};

QTEST_GUILESS_MAIN(PhraseLookupModelTest)
#include "tst_phrase_lookup_model.moc"
