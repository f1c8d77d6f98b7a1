// Syncs a 5,000-phrase library (100 pages of 50) from pelora-devserver with
// PhraseStore::refresh, against a bare QNetworkAccessManager fetching the same
// 100 pages one after another without looking at them. Both run in turns in
// the same process; the report gives medians, their ratio and peak memory.
//   bench_sync [--rounds N]

#include "account/companion_session.h"
#include "devserver_harness.h"
#include "library/phrase_store.h"
#include "library_cards.h"

#include <QCoreApplication>

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <qcoro/qcoronetworkreply.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using BenchLibrary::card;
using BenchLibrary::median;
constexpr int librarySize = BenchLibrary::size;

// The process's peak resident memory so far, in MiB (Linux VmHWM).
double peakMemoryMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

// The baseline: the same pages, fetched in order over one client, bodies read
// and dropped.
QCoro::Task<qint64> fetchAll(QList<QUrl> urls, QByteArray cookie)
{
    QNetworkAccessManager client;
    qint64 bytes = 0;
    for (const QUrl &url : urls) {
        QNetworkRequest request(url);
        request.setRawHeader("Accept", "application/json");
        request.setRawHeader("Cookie", cookie);
        QNetworkReply *reply = client.get(request);
        co_await qCoro(reply).waitForFinished();
        bytes += reply->readAll().size();
        reply->deleteLater();
    }
    co_return bytes;
}

// The page addresses of the library, found by following the cursors once.
QList<QUrl> pageUrls(HttpClient &client, const DevServerProcess &server, const QByteArray &cookie)
{
    QList<QUrl> urls{BenchLibrary::pageUrl(server)};
    for (;;) {
        const QJsonValue next = client.get(urls.last(), cookie).json().value("nextCursor"_L1);
        if (!next.isString() || urls.size() > 100)
            return urls;
        urls.append(BenchLibrary::pageUrl(server, next.toString()));
    }
}

int fail(const char *message)
{
    std::fprintf(stderr, "bench_sync: %s\n", message);
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = BenchLibrary::rounds(app.arguments(), 7);
    DevServerProcess server;
    if (!server.start({}))
        return fail("the server did not start");
    HttpClient client;
    QString userID;
    const QByteArray cookie = BenchLibrary::fillLibrary(client, server, u"sync-bench@pelora.test"_s, userID);
    if (cookie.isEmpty())
        return fail("could not fill the library");
    const QList<QUrl> urls = pageUrls(client, server, cookie);
    if (urls.size() != 100)
        return fail("the library does not span 100 pages");

    // The real sign-in session, answering from its cookie record.
    QTemporaryDir sessionFolder;
    CompanionSession session(sessionFolder.path(), nullptr);
    const QUrl origin = server.url(QString());
    QCoro::waitFor(session.acceptCookies({{"Set-Cookie"_ba, cookie + "; Path=/"}}, origin));

    const double memoryBefore = peakMemoryMiB();
    std::vector<double> rawMs;
    std::vector<double> syncMs;
    qint64 bytes = 0;
    QElapsedTimer clock;
    for (int round = 0; round <= rounds; ++round) { // round 0 warms up
        clock.start();
        bytes = QCoro::waitFor(fetchAll(urls, cookie));
        const double raw = clock.nsecsElapsed() / 1e6;

        PhraseStore store;
        clock.start();
        const bool applied = QCoro::waitFor(store.refresh(origin, &session, false));
        const double sync = clock.nsecsElapsed() / 1e6;
        if (!applied || store.state() != PhraseStore::State::ready || store.phrases().size() != librarySize)
            return fail(qPrintable(QStringLiteral("the sync ended with \"%1\"").arg(store.status())));
        if (round > 0) {
            rawMs.push_back(raw);
            syncMs.push_back(sync);
        }
    }
    const double memoryAfter = peakMemoryMiB();

    const double raw = median(rawMs);
    const double sync = median(syncMs);
    std::printf("library: %d phrases, %lld bytes in 100 pages\n", librarySize, static_cast<long long>(bytes));
    std::printf("raw transfer (bare QNetworkAccessManager): median %.1f ms over %d rounds\n", raw, rounds);
    std::printf("PhraseStore::refresh full sync:            median %.1f ms over %d rounds\n", sync, rounds);
    std::printf("ratio sync / raw: %.2f (target <= 1.5); sync under 1 s: %s\n", sync / raw, sync < 1000 ? "yes" : "no");
    std::printf("peak resident memory: %.1f MiB before the rounds, %.1f MiB after\n", memoryBefore, memoryAfter);
    return 0;
}
