#pragma once

#include "lookup/phrase_lookup_api.h"

#include <coroutine>
#include <memory>

// A request the test answers whenever it likes; copies share it.
template <typename In, typename Out>
struct ScriptedCall {
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
    int cancels = 0, abandons = 0;
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
