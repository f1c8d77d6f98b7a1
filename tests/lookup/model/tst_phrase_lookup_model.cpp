// The lookup model driven through a scripted client.
#include "lookup/companion_phrase_api.h"
#include "lookup/model/sample_card.h"
#include "lookup/model/scripted_lookup_api.h"
#include "lookup/phrase_lookup_model.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Outcome = LookupOutcome<LookupPhrase>;
Q_DECLARE_METATYPE(Outcome)

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

    // Starts a lookup, or a save of the sample card.
    void start(bool save)
    {
        model->lookup();
        if (save) {
            script->lookups.last().answer(sampleCard());
            model->save();
        }
    }

    // The model as its view sees it: phase, the flags that are set, query and message.
    QString state() const
    {
        QStringList parts{model->property("phaseName").toString()};
        for (const char *flag : {"signedIn", "busy", "canLookup", "canSave", "hasPhrase"})
            if (model->property(flag).toBool())
                parts.append(QString::fromLatin1(flag));
        return parts.join(u' ') + u" | "_s + model->query() + u" | "_s + model->errorText();
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
        model->setQuery(u"less sugar"_s);
        QCOMPARE(state(), u"idle | less sugar | "_s); // not connected: no lookup
        connectWithQuery(u" less sugar\n"_s);
        model->lookup();
        model->discard(); // busy: ignored
        QCOMPARE(state(), u"lookingUp signedIn busy |  less sugar\n | "_s);
        QCOMPARE(script->lookups.first().sent, u"less sugar"_s); // trimmed
        script->lookups.first().answer(sampleCard());
        QCOMPARE(state(), u"preview signedIn canLookup canSave hasPhrase |  less sugar\n | "_s);
        QCOMPARE(model->phrase(), std::optional(sampleCard()));

        model->save();
        model->save();         // no second save while one is in flight
        model->cancelLookup(); // the window hides: a save goes on
        model->discard();      // busy: ignored
        QCOMPARE(state(), u"saving signedIn busy hasPhrase |  less sugar\n | "_s);
        QCOMPARE(script->abandons, 0);
        QCOMPARE(script->saves.size(), 1);
        QCOMPARE(script->saves.first().sent, sampleCard());
        script->saves.first().answer(u"p-1"_s);
        QCOMPARE(state(), u"saved signedIn canLookup hasPhrase |  less sugar\n | "_s);
        QCOMPARE(saved, 1);
        model->save(); // saved: no second save
        QCOMPARE(script->saves.size(), 1);

        model->lookup(); // drops the saved card as it starts
        QVERIFY(!model->phrase());
        script->lookups.last().answer(sampleCard());
        model->discard();
        QCOMPARE(state(), u"idle signedIn canLookup |  less sugar\n | "_s);
    }

    // At most 500 UTF-16 units once trimmed: an emoji counts two.
    void queryLimits()
    {
        const QString emoji = u"\U0001F35C"_s;
        for (const bool allowed : {true, false}) {
            connectWithQuery(u"  "_s + QString(allowed ? 248 : 249, u'a') + emoji.repeated(126) + u"\n"_s);
            model->lookup();
            QCOMPARE(script->lookups.size(), allowed ? 1 : 0);
        }
    }

    void failures_data()
    {
        QTest::addColumn<bool>("duringSave");
        QTest::addColumn<Outcome>("outcome"); // a save is answered with its failure
        QTest::addColumn<QString>("state");
        LookupPhrase incomplete = sampleCard();
        incomplete.register_ = u"Polite"_s;
        const QString failed = u"idle signedIn canLookup | less sugar | "_s, signedOut = u"idle |  | "_s;
        const QString unreachable = failed + u"Couldn’t reach Pelora. Check your connection and try again."_s;
        // The save may have reached the web app: its outcome stays open.
        const QString saveUncertain = u"saveUncertain signedIn canLookup hasPhrase | less sugar | Couldn’t confirm the "
                                      u"save. Check your phrasebook before looking up and saving this phrase again."_s;
        const auto row = [](const char *name, bool save, auto outcome, const QString &state) {
            QTest::addRow("%s during %s", name, save ? "save" : "lookup") << save << Outcome(outcome) << state;
        };
        // A lookup error shows its own description.
        row("refused", false, LookupError::rejected(u"Shorter."_s), failed + u"Shorter."_s);
        row("no endpoint", false, LookupError::unavailable(), failed + LookupError::unavailable().description());
        row("incomplete card", false, incomplete, failed + LookupError::invalidResponse().description());
        row("not decodable", false, LookupFailure::decoding(), unreachable);
        row("time-out", false, LookupFailure::transport(QNetworkReply::TimeoutError), unreachable);
        row("cancelled underneath", false, LookupFailure::cancelled(), unreachable);
        row("429", true, LookupError::rejected(u"Daily limit reached."_s), saveUncertain);
        row("unusable receipt", true, LookupError::invalidResponse(), saveUncertain);
        row("not decodable", true, LookupFailure::decoding(), saveUncertain);
        row("connection lost", true, LookupFailure::transport(QNetworkReply::RemoteHostClosedError), saveUncertain);
        for (const bool save : {false, true}) {
            row("401", save, LookupError::signedOut(), signedOut + LookupError::signedOut().description());
            row("409", save, LookupError::accountChanged(), signedOut + LookupError::accountChanged().description());
        }
    }

    void failures()
    {
        QFETCH(bool, duringSave);
        QFETCH(Outcome, outcome);
        QFETCH(QString, state);
        connectWithQuery();
        start(duringSave);
        if (duringSave)
            script->saves.first().answer(outcome.error());
        else
            script->lookups.first().answer(outcome);
        QCOMPARE(this->state(), state);
        const bool signedOut = !model->signedIn();
        if (duringSave && !signedOut)
            QCOMPARE(model->phrase(), std::optional(sampleCard()));
        QCOMPARE(saved, 0);
        QCOMPARE(accountInvalid, signedOut ? 1 : 0);
        QCOMPARE(script->cancels, signedOut ? 1 : 0); // signing out ends and drops the client

        model->save(); // never a second save
        QCOMPARE(script->saves.size(), duringSave ? 1 : 0);
        model->setQuery(u"again"_s);
        model->lookup(); // removes the message, unless signed out
        QCOMPARE(script->lookups.size(), signedOut ? 1 : 2);
        QCOMPARE(model->hasError(), signedOut);
        connectWithQuery(QString()); // reconnecting removes the message
        QVERIFY(!model->hasError() && model->signedIn());
    }

    void aClientThatFailsAtOnce()
    {
        // Without a session the client fails before it waits for anything.
        model->connect(std::make_unique<CompanionPhraseAPI>(QUrl(u"http://127.0.0.1:9"_s), u"user-1"_s, nullptr));
        model->setQuery(u"less sugar"_s);
        model->lookup();
        QCOMPARE(state(), u"idle |  | "_s + LookupError::signedOut().description());
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
            for (const bool save : {false, true})
                for (const bool failure : {false, true})
                    if (ending != "cancelLookup"_L1 || !save) // a save outlives the window
                        QTest::addRow("%s during %s, late %s", ending, save ? "save" : "lookup",
                                      failure ? "401" : "success")
                            << QString::fromLatin1(ending) << save << failure;
    }

    void lateAnswersChangeNothing()
    {
        QFETCH(QString, ending);
        QFETCH(bool, duringSave);
        QFETCH(bool, lateFailure);
        connectWithQuery();
        start(duringSave);
        const std::shared_ptr<LookupScript> stale = script;
        if (ending == "cancelLookup"_L1) {
            model->cancelLookup();
            model->cancelLookup(); // not looking up: nothing happens
            QCOMPARE(script->abandons, 1);
        } else if (ending == "reconnect"_L1) {
            connectWithQuery();
        } else if (ending == "clear"_L1) {
            model->clear();
        } else {
            model.reset();
        }
        QCOMPARE(stale->cancels, ending == "cancelLookup"_L1 ? 0 : 1); // only an abandoned lookup keeps its client
        const bool live = ending == "cancelLookup"_L1 || ending == "reconnect"_L1;
        if (live)
            model->lookup();

        const LookupFailure signedOut = LookupError::signedOut();
        if (duringSave)
            stale->saves.first().answer(lateFailure ? LookupOutcome<QString>(signedOut) : u"p-1"_s);
        else
            stale->lookups.first().answer(lateFailure ? Outcome(signedOut) : sampleCard());
        QCOMPARE(saved + accountInvalid, 0);
        if (!model)
            return;
        QCOMPARE(state(), live ? u"lookingUp signedIn busy | less sugar | "_s : u"idle |  | "_s);
        if (live) {
            script->lookups.last().answer(sampleCard());
            QCOMPARE(model->phaseName(), u"preview"_s);
        }
    }
};

QTEST_GUILESS_MAIN(PhraseLookupModelTest)
#include "tst_phrase_lookup_model.moc"
