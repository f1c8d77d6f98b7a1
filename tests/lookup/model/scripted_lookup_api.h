#pragma once

#include "lookup/phrase_lookup_api.h"

#include <coroutine>
#include <memory>
#include <optional>

// A request the test answers whenever it likes; copies share it.
template <typename In, typename Out>
struct ScriptedCall {
    In sent;
    std::shared_ptr<std::pair<std::optional<LookupOutcome<Out>>, std::coroutine_handle<>>> state =
        std::make_shared<std::pair<std::optional<LookupOutcome<Out>>, std::coroutine_handle<>>>(); // answer, waiter

    bool await_ready() const { return state->first.has_value(); }
    void await_suspend(std::coroutine_handle<> waiter) const { state->second = waiter; }
    LookupOutcome<Out> await_resume() const { return *state->first; }

    void answer(LookupOutcome<Out> outcome) const
    {
        if (state->first)
            return;
        state->first.emplace(std::move(outcome));
        if (auto waiter = std::exchange(state->second, {}))
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

// Like a transport that cannot stop an answer on its way, it only counts cancel() and abandonRequests().
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
