#pragma once

#include "memory_watch.h"

#include <QElapsedTimer>
#include <QMetaType>
#include <QString>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

// An HTTP server on 127.0.0.1 that answers its one request with a 200 whose
// body never ends, written from a thread of its own with blocking 1 MiB writes:
// as fast as the socket takes them, never at the pace of whoever reads. It
// stops when the reader hangs up, or on its own after `maxDuration` or
// `maxBytes`, so that a reader that never stops cannot eat the machine.
class FloodServer {
public:
    enum class Framing {
        untilClose, // no Content-Length: the body would end when the connection closes
        chunked,    // Transfer-Encoding: chunked, one 1 MiB chunk after another
    };

    explicit FloodServer(Framing framing, std::chrono::milliseconds maxDuration = std::chrono::seconds(8),
                         qint64 maxBytes = qint64(1) << 30);
    ~FloodServer();

    FloodServer(const FloodServer &) = delete;
    FloodServer &operator=(const FloodServer &) = delete;

    // Adds the test data column "framing" with rows for each framing.
    static void addFramingRows();

    // Listens on an ephemeral loopback port and waits for the request in the
    // background.
    bool listen();
    QUrl origin() const;

    // Waits for the sender to stop (it always does, within its limits).
    void wait();
    // Body bytes the socket accepted.
    qint64 bytesSent() const { return m_sent.load(); }
    // The reader closed the connection; false when the sender ran into its
    // own limits first.
    bool readerHungUp() const { return m_hungUp.load(); }

private:
    void serve();

    Framing m_framing;
    std::chrono::milliseconds m_maxDuration;
    qint64 m_maxBytes;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<qint64> m_sent{0};
    std::atomic<bool> m_hungUp{false};
    std::thread m_thread;
};

Q_DECLARE_METATYPE(FloodServer::Framing)

// What one read of an endless body cost: how long until it ended, how far the
// process's peak memory rose, and what the sender got rid of meanwhile.
struct ReadCost {
    // What a capped read may cost at most, whatever the sender's speed.
    static constexpr qint64 maxMilliseconds = 5'000;
    static constexpr qint64 maxPeakGrowthBytes = qint64(64) << 20;

    qint64 milliseconds = 0;
    std::optional<qint64> peakGrowthBytes; // none when the kernel would not let the peak be measured
    qint64 bytesSent = 0;
    bool readerHungUp = false;
    QString summary() const;
};

// Inside a test function: the read ended in time, with bounded memory, because the reader hung up.
// Each fact is its own check, and a failure prints the whole cost. An unmeasurable peak fails too:
// a test that cannot see the memory must not pass for one that did.
#define PELORA_VERIFY_BOUNDED_READ(cost)                                                                \
    do {                                                                                                \
        QVERIFY2((cost).milliseconds < ReadCost::maxMilliseconds, qPrintable((cost).summary()));        \
        QVERIFY2((cost).peakGrowthBytes.has_value(), qPrintable((cost).summary()));                     \
        QVERIFY2(*(cost).peakGrowthBytes < ReadCost::maxPeakGrowthBytes, qPrintable((cost).summary())); \
        QVERIFY2((cost).readerHungUp, qPrintable((cost).summary()));                                    \
    } while (false)

// Runs `read` (a blocking wait for one reader's outcome) against `flood` and
// returns its outcome with what it cost.
template <typename Read> auto measureEndlessRead(FloodServer &flood, Read read)
{
    const MemoryWatch memory;
    QElapsedTimer clock;
    clock.start();
    auto outcome = read();
    ReadCost cost;
    cost.milliseconds = clock.elapsed();
    flood.wait();
    if (memory.valid())
        cost.peakGrowthBytes = memory.peakGrowthBytes();
    cost.bytesSent = flood.bytesSent();
    cost.readerHungUp = flood.readerHungUp();
    return std::pair{std::move(outcome), cost};
}
