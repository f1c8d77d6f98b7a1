#pragma once

#include <QTest>
#include <memory>
#include <optional>
#include <qcoro/qcorotask.h>

// Runs a task to its end in the background and keeps its value, so a test
// can act while the task waits and look at the value once it is there.
template <typename T>
class Completion {
public:
    explicit Completion(QCoro::Task<T> task) { collect(std::move(task), m_value); }
    bool done() const { return m_value->has_value(); }
    const T &value() const { return **m_value; }
    bool wait(int timeoutMs = 10'000) const { return QTest::qWaitFor([this] { return done(); }, timeoutMs); }

private:
    static QCoro::Task<void> collect(QCoro::Task<T> task, std::shared_ptr<std::optional<T>> out)
    {
        out->emplace(co_await task);
    }

    std::shared_ptr<std::optional<T>> m_value = std::make_shared<std::optional<T>>();
};
