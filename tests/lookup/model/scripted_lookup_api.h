#pragma once

#include "lookup/phrase_lookup_api.h"

#include <coroutine>
#include <memory>
#include <optional>

// A request the test answers whenever it likes; copies share it.
template <typename In, typename Out>
struct ScriptedCall {
    struct State {
        std::optional<LookupOutcome<Out>> value;
        std::coroutine_handle<> waiter;
    };
    In sent;
    std::shared_ptr<State> state = std::make_shared<State>();

    bool await_ready() const { return state->value.has_value(); }
    void await_suspend(std::coroutine_handle<> handle) const { state->waiter = handle; }
    LookupOutcome<Out> await_resume() const { return *state->value; }

    void answer(LookupOutcome<Out> outcome) const
    {
        if (state->value)
            return;
        state->value.emplace(std::move(outcome));
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

// What a scripted client was asked, shared with the test so that it outlives a
// dropped client. Requests still waiting at its end fail as cancelled.
struct LookupScript {
    QList<ScriptedCall<QString, LookupPhrase>> lookups;
    QList<ScriptedCall<LookupPhrase, QString>> saves;
    int cancels = 0, abandons = 0;

    ~LookupScript()
    {
        for (const auto &call : lookups)
            call.answer(LookupFailure::cancelled());
        for (const auto &call : saves)
            call.answer(LookupFailure::cancelled());
    }
};

// Like a transport that cannot stop an answer already on its way, cancel()
// and abandonRequests() are only counted: late answers still arrive.
class ScriptedLookupAPI : public PhraseLookupAPI {
public:
    explicit ScriptedLookupAPI(std::shared_ptr<LookupScript> script) : m_script(std::move(script)) {}
    QCoro::Task<LookupOutcome<LookupPhrase>> lookup(QString query) override
    {
        return ScriptedCall<QString, LookupPhrase>::wait(m_script->lookups, std::move(query));
    }
    QCoro::Task<LookupOutcome<QString>> save(LookupPhrase phrase) override
    {
        return ScriptedCall<LookupPhrase, QString>::wait(m_script->saves, std::move(phrase));
    }
    void cancel() override { ++m_script->cancels; }
    void abandonRequests() override { ++m_script->abandons; }

private:
    std::shared_ptr<LookupScript> m_script;
};
