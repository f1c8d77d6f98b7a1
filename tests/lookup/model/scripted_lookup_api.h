#pragma once

#include "lookup/phrase_lookup_api.h"

#include <coroutine>
#include <memory>
#include <optional>
#include <utility>

// An answer that the test hands over whenever it likes; the request waits
// for it.
template <typename T>
class PendingAnswer {
public:
    bool answered() const { return m_value.has_value(); }

    void answer(T value)
    {
        if (m_value)
            return;
        m_value.emplace(std::move(value));
        if (auto waiter = std::exchange(m_waiter, {}))
            waiter.resume();
    }

    struct Awaiter {
        std::shared_ptr<PendingAnswer> pending;
        bool await_ready() const { return pending->answered(); }
        void await_suspend(std::coroutine_handle<> waiter) { pending->m_waiter = waiter; }
        T await_resume() { return *pending->m_value; }
    };

private:
    std::optional<T> m_value;
    std::coroutine_handle<> m_waiter;
};

// What a scripted client was asked, and the answers the test gives. Shared by
// the test and the client, so it outlives a client the model drops.
struct LookupScript {
    struct Lookup {
        QString query;
        std::shared_ptr<PendingAnswer<LookupOutcome<LookupPhrase>>> pending;
        void answer(LookupOutcome<LookupPhrase> outcome) const { pending->answer(std::move(outcome)); }
    };
    struct Save {
        LookupPhrase card;
        std::shared_ptr<PendingAnswer<LookupOutcome<QString>>> pending;
        void answer(LookupOutcome<QString> outcome) const { pending->answer(std::move(outcome)); }
    };

    QList<Lookup> lookups;
    QList<Save> saves;
    int cancels = 0;
    int abandons = 0;
    // When set, every lookup is answered at once with it.
    std::optional<LookupOutcome<LookupPhrase>> instantLookup;

    // Requests still waiting end as cancelled, so no request outlives a test.
    ~LookupScript()
    {
        for (const Lookup &lookup : lookups)
            lookup.answer(LookupFailure::cancelled());
        for (const Save &save : saves)
            save.answer(LookupFailure::cancelled());
    }
};

// A lookup client driven by a LookupScript. Like a transport that cannot stop
// an answer already on its way, cancel() and abandonRequests() are only
// recorded: late answers still arrive when the test gives them.
class ScriptedLookupAPI : public PhraseLookupAPI {
public:
    explicit ScriptedLookupAPI(std::shared_ptr<LookupScript> script) : m_script(std::move(script)) {}

    QCoro::Task<LookupOutcome<LookupPhrase>> lookup(QString query) override
    {
        auto pending = std::make_shared<PendingAnswer<LookupOutcome<LookupPhrase>>>();
        m_script->lookups.append({query, pending});
        if (m_script->instantLookup)
            pending->answer(*m_script->instantLookup);
        co_return co_await awaitAnswer(pending);
    }

    QCoro::Task<LookupOutcome<QString>> save(LookupPhrase phrase) override
    {
        auto pending = std::make_shared<PendingAnswer<LookupOutcome<QString>>>();
        m_script->saves.append({phrase, pending});
        co_return co_await awaitAnswer(pending);
    }

    void cancel() override { ++m_script->cancels; }
    void abandonRequests() override { ++m_script->abandons; }

private:
    // A coroutine of its own, so that no temporary awaiter sits in the
    // caller's co_await expression (GCC 12 can destroy such a temporary twice).
    template <typename T>
    static QCoro::Task<T> awaitAnswer(std::shared_ptr<PendingAnswer<T>> pending)
    {
        typename PendingAnswer<T>::Awaiter awaiter{pending};
        T value = co_await awaiter;
        co_return value;
    }

    std::shared_ptr<LookupScript> m_script;
};
