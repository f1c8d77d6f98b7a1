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

// What happens to a lookup or save before its answer comes.
enum class Before { cancelLookup, reconnect, clear, destroy };
Q_DECLARE_METATYPE(Before)

class PhraseLookupModelTest : public QObject {
    Q_OBJECT

    std::unique_ptr<PhraseLookupModel> model;
    std::shared_ptr<LookupScript> script;
    int saved = 0;
    int accountInvalid = 0;

    // A new scripted client, and the query as the learner typed it.
    void connectClient()
    {
        script = std::make_shared<LookupScript>();
        model->connect(std::make_unique<ScriptedLookupAPI>(script));
        model->setQuery(u" less sugar\n"_s);
    }

    // A lookup waiting for its answer, or with `duringSave` a save of its card.
    void startRequest(bool duringSave)
    {
        connectClient();
        model->lookup();
        if (!duringSave)
            return;
        script->lookups.last().answer(sampleCard());
        model->save();
    }

    // Answers the first lookup `to` was asked, or with `duringSave` its first
    // save (a success is a receipt).
    static void answerFirst(const LookupScript &to, bool duringSave, const Outcome &outcome)
    {
        if (!duringSave)
            to.lookups.first().answer(outcome);
        else if (outcome.ok())
            to.saves.first().answer(u"p-1"_s);
        else
            to.saves.first().answer(outcome.error());
    }

    // The model as its view sees it: phase, the flags that are set, query and message.
    QString view() const
    {
        QStringList parts{model->phaseName()};
        for (const char *flag : {"signedIn", "busy", "canLookup", "canSave", "hasPhrase"})
            if (model->property(flag).toBool())
                parts.append(QString::fromLatin1(flag));
        return parts.join(u' ') + u" | "_s + model->query() + u" | "_s + model->errorText();
    }

private Q_SLOTS:
    void init()
    {
        saved = 0;
        accountInvalid = 0;
        model = std::make_unique<PhraseLookupModel>();
        connect(model.get(), &PhraseLookupModel::saved, this, [this] { ++saved; });
        connect(model.get(), &PhraseLookupModel::accountInvalid, this, [this] { ++accountInvalid; });
    }

    void cleanup()
    {
        model.reset();
        script.reset();
    }

    // What the model asks of its client, and what it ignores while a request runs.
    void requestsWhileBusy()
    {
        model->setQuery(u"less sugar"_s);
        model->lookup(); // not connected: nothing happens
        QCOMPARE(view(), u"idle | less sugar | "_s);
        connectClient();
        model->save(); // nothing to save yet
        model->lookup();
        QCOMPARE(script->lookups.size(), 1);
        QCOMPARE(script->lookups.first().sent, u"less sugar"_s); // trimmed
        model->discard();                                        // busy: ignored
        QCOMPARE(view(), u"lookingUp signedIn busy |  less sugar\n | "_s);

        script->lookups.first().answer(sampleCard());
        model->save();
        model->save();         // no second save while one is in flight
        model->cancelLookup(); // the window hides: a save goes on
        model->discard();      // busy: ignored
        QCOMPARE(script->saves.size(), 1);
        QCOMPARE(script->saves.first().sent, sampleCard());
        QCOMPARE(script->abandons, 0);
        QCOMPARE(view(), u"saving signedIn busy hasPhrase |  less sugar\n | "_s);

        script->saves.first().answer(u"p-1"_s);
        model->lookup();
        script->lookups.last().answer(sampleCard());
        model->discard();
        QCOMPARE(view(), u"idle signedIn canLookup |  less sugar\n | "_s);
    }

    // The answer to the model's own lookup or save: the state it leaves, the
    // signals, and whether the client was ended (signing out drops it).
    void ownAnswer_data()
    {
        QTest::addColumn<bool>("duringSave");
        QTest::addColumn<Outcome>("outcome"); // a save gets the failure, or a receipt
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("savedSignals");
        QTest::addColumn<int>("invalidSignals");
        QTest::addColumn<int>("clientEnded");
        LookupPhrase incomplete = sampleCard();
        incomplete.register_ = u"Polite"_s;
        const QString failed = u"idle signedIn canLookup |  less sugar\n | "_s;
        const QString signedOut = u"idle |  | "_s;
        const QString unreachable = failed + u"Couldn’t reach Pelora. Check your connection and try again."_s;
        // The save may have reached the web app: its outcome stays open.
        const QString saveUncertain = u"saveUncertain signedIn canLookup hasPhrase |  less sugar\n | Couldn’t "
                                      u"confirm the save. Check your phrasebook before looking up and saving this "
                                      u"phrase again."_s;
        const QString expired = signedOut + LookupError::signedOut().description();
        const QString changed = signedOut + LookupError::accountChanged().description();
        const QString preview = u"preview signedIn canLookup canSave hasPhrase |  less sugar\n | "_s;
        const QString receipt = u"saved signedIn canLookup hasPhrase |  less sugar\n | "_s;
        const QString invalid = failed + LookupError::invalidResponse().description();
        QTest::newRow("card during lookup") << false << Outcome(sampleCard()) << preview << 0 << 0 << 0;
        QTest::newRow("receipt during save") << true << Outcome(sampleCard()) << receipt << 1 << 0 << 0;
        QTest::newRow("refused during lookup, own description")
            << false << Outcome(LookupError::rejected(u"Shorter."_s)) << failed + u"Shorter."_s << 0 << 0 << 0;
        QTest::newRow("incomplete card during lookup") << false << Outcome(incomplete) << invalid << 0 << 0 << 0;
        QTest::newRow("cancelled underneath during lookup")
            << false << Outcome(LookupFailure::cancelled()) << unreachable << 0 << 0 << 0;
        QTest::newRow("429 during save") << true << Outcome(LookupError::rejected(u"Daily limit reached."_s))
                                         << saveUncertain << 0 << 0 << 0;
        QTest::newRow("401 during lookup") << false << Outcome(LookupError::signedOut()) << expired << 0 << 1 << 1;
        QTest::newRow("401 during save") << true << Outcome(LookupError::signedOut()) << expired << 0 << 1 << 1;
        QTest::newRow("409 during lookup") << false << Outcome(LookupError::accountChanged()) << changed << 0 << 1 << 1;
    }

    void ownAnswer()
    {
        QFETCH(bool, duringSave);
        QFETCH(Outcome, outcome);
        QFETCH(QString, state);
        QFETCH(int, savedSignals);
        QFETCH(int, invalidSignals);
        QFETCH(int, clientEnded);
        startRequest(duringSave);
        answerFirst(*script, duringSave, outcome);
        QCOMPARE(view(), state);
        QCOMPARE(saved, savedSignals);
        QCOMPARE(accountInvalid, invalidSignals);
        QCOMPARE(script->cancels, clientEnded);

        // Only a preview is saved, and only once.
        const bool couldSave = model->canSave();
        const qsizetype saves = script->saves.size();
        model->save();
        QCOMPARE(script->saves.size() - saves, qsizetype(couldSave));
        if (model->busy())
            return;
        // The next lookup starts without the last card or message; signed out, none starts.
        const qsizetype lookups = script->lookups.size();
        model->lookup();
        QCOMPARE(script->lookups.size() - lookups, qsizetype(model->signedIn()));
        QCOMPARE(model->hasPhrase(), false);
        QCOMPARE(model->hasError(), !model->signedIn());
    }

    // A late answer, success or 401, after the lookup was abandoned, the client
    // replaced, the model signed out or destroyed, changes nothing, not even the
    // next lookup. A save outlives the window, so cancelLookup() during a save
    // is no "before" (see requestsWhileBusy).
    void lateAnswer_data()
    {
        QTest::addColumn<Before>("before");
        QTest::addColumn<bool>("duringSave");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("clientEnded");
        const QString nextLookup = u"lookingUp signedIn busy |  less sugar\n | "_s;
        const QString signedOut = u"idle |  | "_s;
        const Outcome success(sampleCard());
        const Outcome expired(LookupError::signedOut());
        QTest::newRow("cancelLookup during lookup, then 401")
            << Before::cancelLookup << false << expired << nextLookup << 0;
        QTest::newRow("reconnect during lookup, then success")
            << Before::reconnect << false << success << nextLookup << 1;
        QTest::newRow("reconnect during save, then 401") << Before::reconnect << true << expired << nextLookup << 1;
        QTest::newRow("clear during lookup, then 401") << Before::clear << false << expired << signedOut << 1;
        QTest::newRow("clear during save, then success") << Before::clear << true << success << signedOut << 1;
        QTest::newRow("destroy during lookup, then success") << Before::destroy << false << success << QString() << 1;
        QTest::newRow("destroy during save, then 401") << Before::destroy << true << expired << QString() << 1;
    }

    void lateAnswer()
    {
        QFETCH(Before, before);
        QFETCH(bool, duringSave);
        QFETCH(Outcome, outcome);
        QFETCH(QString, state);
        QFETCH(int, clientEnded);
        startRequest(duringSave);
        const std::shared_ptr<LookupScript> first = script;
        switch (before) {
        case Before::cancelLookup:
            model->cancelLookup();
            model->cancelLookup(); // not looking up any more: nothing happens
            QCOMPARE(first->abandons, 1);
            break;
        case Before::reconnect:
            connectClient();
            break;
        case Before::clear:
            model->clear();
            break;
        case Before::destroy:
            model.reset();
            break;
        }
        if (model && model->canLookup())
            model->lookup(); // the next lookup, waiting
        answerFirst(*first, duringSave, outcome);
        QCOMPARE(saved, 0);
        QCOMPARE(accountInvalid, 0);
        QCOMPARE(first->cancels, clientEnded);
        if (!model)
            return;
        QCOMPARE(view(), state);
        if (!model->busy())
            return;
        script->lookups.last().answer(sampleCard()); // the next lookup's own answer counts
        QCOMPARE(model->phaseName(), u"preview"_s);
    }
};

QTEST_GUILESS_MAIN(PhraseLookupModelTest)
#include "tst_phrase_lookup_model.moc"
