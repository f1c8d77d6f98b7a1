// The lookup model driven through a scripted client that answers when the test says.
#include "lookup/model/sample_card.h"
#include "lookup/phrase_lookup_api.h"
#include "lookup/phrase_lookup_model.h"

#include <QTest>
#include <coroutine>

using namespace Qt::StringLiterals;
using Outcome = LookupOutcome<LookupPhrase>;
Q_DECLARE_METATYPE(Outcome)

// A request the test answers whenever it likes; copies share it.
template <typename In, typename Out> struct ScriptedCall {
    struct State {
        std::optional<LookupOutcome<Out>> outcome;
        std::coroutine_handle<> waiter;
    };
    In sent;
    std::shared_ptr<State> state = std::make_shared<State>();

    bool await_ready() const { return state->outcome.has_value(); }
    void await_suspend(std::coroutine_handle<> waiter) const { state->waiter = waiter; }
    LookupOutcome<Out> await_resume() const { return *state->outcome; }
    void answer(LookupOutcome<Out> outcome) const
    {
        if (state->outcome)
            return;
        state->outcome.emplace(std::move(outcome));
        if (auto waiter = std::exchange(state->waiter, {}))
            waiter.resume();
    }
    // Awaits a named call: GCC 12 can destroy a temporary in a co_await twice.
    static QCoro::Task<LookupOutcome<Out>> wait(QList<ScriptedCall> &calls, In input)
    {
        const ScriptedCall call{std::move(input)};
        calls.append(call);
        co_return co_await call;
    }
};

// What a scripted client was asked, shared with the test so it outlives the client; at its end, waiting requests fail.
struct LookupScript {
    using Lookup = ScriptedCall<QString, LookupPhrase>;
    using Save = ScriptedCall<LookupPhrase, QString>;
    QList<Lookup> lookups;
    QList<Save> saves;
    int cancels = 0;
    int abandons = 0;
    ~LookupScript()
    {
        for (const Lookup &call : lookups)
            call.answer(LookupFailure::cancelled());
        for (const Save &call : saves)
            call.answer(LookupFailure::cancelled());
    }
};

// Like a transport that cannot stop an answer on its way, it only counts cancel() and abandonRequests().
struct ScriptedLookupAPI : PhraseLookupAPI {
    using Task = QCoro::Task<LookupOutcome<LookupPhrase>>;
    std::shared_ptr<LookupScript> s;
    explicit ScriptedLookupAPI(std::shared_ptr<LookupScript> script) : s(std::move(script)) {}
    Task lookup(QString q) override { return LookupScript::Lookup::wait(s->lookups, q); }
    QCoro::Task<LookupOutcome<QString>> save(LookupPhrase p) override { return LookupScript::Save::wait(s->saves, p); }
    void cancel() override { ++s->cancels; }
    void abandonRequests() override { ++s->abandons; }
};

class PhraseLookupModelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The answer to a lookup or a save, or a late one after the lookup was abandoned, the client dropped, or the
    // model signed out or destroyed: a late answer, success or 401, changes nothing, not even the next lookup.
    void answers_data()
    {
        QTest::addColumn<QString>("before"); // what happened before the answer came
        QTest::addColumn<bool>("duringSave");
        QTest::addColumn<Outcome>("outcome"); // a save gets the failure, or a receipt
        QTest::addColumn<QString>("state");   // afterwards
        LookupPhrase incomplete = sampleCard();
        incomplete.register_ = u"Polite"_s;
        const QString failed = u"idle signedIn canLookup |  less sugar\n | "_s;
        const QString signedOut = u"idle |  | "_s;
        const QString unreachable = failed + u"Couldn’t reach Pelora. Check your connection and try again."_s;
        // The save may have reached the web app: its outcome stays open.
        const QString saveUncertain = u"saveUncertain signedIn canLookup hasPhrase |  less sugar\n | Couldn’t "
                                      u"confirm the save. Check your phrasebook before looking up and saving this "
                                      u"phrase again."_s;
        const auto row = [](const char *name, bool save, auto outcome, const QString &state) {
            QTest::addRow("%s during %s", name, save ? "save" : "lookup")
                << QString() << save << Outcome(outcome) << state;
        };
        row("card", false, sampleCard(), u"preview signedIn canLookup canSave hasPhrase |  less sugar\n | "_s);
        row("receipt", true, sampleCard(), u"saved signedIn canLookup hasPhrase |  less sugar\n | "_s);
        row("refused", false, LookupError::rejected(u"Shorter."_s), failed + u"Shorter."_s); // own description
        row("incomplete card", false, incomplete, failed + LookupError::invalidResponse().description());
        row("cancelled underneath", false, LookupFailure::cancelled(), unreachable);
        row("429", true, LookupError::rejected(u"Daily limit reached."_s), saveUncertain);
        row("connection lost", true, LookupFailure::transport(QNetworkReply::RemoteHostClosedError), saveUncertain);
        row("401", false, LookupError::signedOut(), signedOut + LookupError::signedOut().description());
        row("401", true, LookupError::signedOut(), signedOut + LookupError::signedOut().description());
        row("409", false, LookupError::accountChanged(), signedOut + LookupError::accountChanged().description());

        // Late answers. The next lookup waits, except after clear(), which signs out. A save outlives the
        // window, so cancelLookup() during a save is no "before" (see the save rows above).
        const QString nextLookup = u"lookingUp signedIn busy |  less sugar\n | "_s;
        const Outcome success(sampleCard());
        const Outcome expired(LookupError::signedOut());
        const auto late = [](const char *before, bool save, const Outcome &outcome, const QString &state) {
            QTest::addRow("%s during %s, then %s", before, save ? "save" : "lookup", outcome.ok() ? "success" : "401")
                << QString::fromLatin1(before) << save << outcome << state;
        };
        late("cancelLookup", false, success, nextLookup);
        late("cancelLookup", false, expired, nextLookup);
        late("reconnect", false, success, nextLookup);
        late("reconnect", true, expired, nextLookup);
        late("clear", false, expired, signedOut);
        late("clear", true, success, signedOut);
        late("destroy", false, success, nextLookup);
        late("destroy", true, expired, nextLookup);
    }

    void answers()
    {
        QFETCH(QString, before);
        QFETCH(bool, duringSave);
        QFETCH(Outcome, outcome);
        QFETCH(QString, state);
        int saved = 0;
        int accountInvalid = 0;
        auto model = std::make_unique<PhraseLookupModel>();
        connect(model.get(), &PhraseLookupModel::saved, this, [&saved] { ++saved; });
        connect(model.get(), &PhraseLookupModel::accountInvalid, this, [&accountInvalid] { ++accountInvalid; });
        std::shared_ptr<LookupScript> script;
        const auto connectWithQuery = [&] {
            script = std::make_shared<LookupScript>();
            model->connect(std::make_unique<ScriptedLookupAPI>(script));
            model->setQuery(u" less sugar\n"_s);
        };
        // The model as its view sees it: phase, the flags that are set, query and message.
        const auto view = [&model]() -> QString {
            QStringList parts{model->property("phaseName").toString()};
            for (const char *flag : {"signedIn", "busy", "canLookup", "canSave", "hasPhrase"})
                if (model->property(flag).toBool())
                    parts.append(QString::fromLatin1(flag));
            return parts.join(u' ') + u" | "_s + model->query() + u" | "_s + model->errorText();
        };
        model->setQuery(u"less sugar"_s);
        model->lookup(); // not connected: nothing happens
        QCOMPARE(view(), u"idle | less sugar | "_s);
        connectWithQuery();
        model->lookup();
        QCOMPARE(script->lookups.first().sent, u"less sugar"_s); // trimmed
        if (duringSave) {
            script->lookups.last().answer(sampleCard());
            model->save();
            model->save();         // no second save while one is in flight
            model->cancelLookup(); // the window hides: a save goes on
            QCOMPARE(script->saves.first().sent, sampleCard());
            QCOMPARE(script->abandons, 0);
        }
        model->discard(); // busy: ignored
        QCOMPARE(view(),
                 (duringSave ? u"saving signedIn busy hasPhrase"_s : u"lookingUp signedIn busy"_s)
                     + u" |  less sugar\n | "_s);
        const std::shared_ptr<LookupScript> first = script;
        if (before == "cancelLookup"_L1) {
            model->cancelLookup();
            model->cancelLookup(); // not looking up: nothing happens
            QCOMPARE(script->abandons, 1);
        }
        if (before == "reconnect"_L1)
            connectWithQuery();
        if (before == "clear"_L1)
            model->clear();
        if (before == "destroy"_L1)
            model.reset();
        if (model && model->canLookup())
            model->lookup(); // the next lookup, waiting
        if (duringSave)
            first->saves.first().answer(outcome.ok() ? LookupOutcome<QString>(u"p-1"_s) : outcome.error());
        else
            first->lookups.first().answer(outcome);
        const bool ownAnswer = before.isEmpty();
        const bool signedOut = model && !model->signedIn();
        QCOMPARE(saved, ownAnswer && duringSave && outcome.ok() ? 1 : 0);
        QCOMPARE(accountInvalid, ownAnswer && signedOut ? 1 : 0);
        // Only an abandoned lookup keeps its client; signing out ends and drops it.
        QCOMPARE(first->cancels, before == "cancelLookup"_L1 || (ownAnswer && !signedOut) ? 0 : 1);
        if (!model)
            return;
        QCOMPARE(view(), state);
        if (!ownAnswer) {
            if (model->busy()) {
                script->lookups.last().answer(sampleCard());
                QCOMPARE(model->phaseName(), u"preview"_s);
            }
            return;
        }
        model->save(); // a save only from the preview, and never a second one
        QCOMPARE(script->saves.size(), duringSave || state.startsWith("preview"_L1) ? 1 : 0);
        if (model->busy())
            return;
        model->lookup(); // removes the message and the card, unless signed out
        QCOMPARE(script->lookups.size(), signedOut ? 1 : 2);
        QCOMPARE(model->hasError(), signedOut);
        QCOMPARE(model->hasPhrase(), false);
        if (signedOut)
            return;
        script->lookups.last().answer(sampleCard());
        model->discard();
        QCOMPARE(view(), u"idle signedIn canLookup |  less sugar\n | "_s);
    }
};

QTEST_GUILESS_MAIN(PhraseLookupModelTest)
#include "tst_phrase_lookup_model.moc"
