// Pulls a 5,000-phrase library from pelora-devserver page by page (100 pages
// of 50, the most the companion ever syncs), decoding every page as the
// companion does, and compares the time per page with a trivial request
// (the update feed) on the same loopback connection in the same run.
//   bench_devserver_feed [--rounds N]   full pulls to time (default 5)
#include "devserver_harness.h"
#include "library/phrase_feed.h"
#include "library_cards.h"

#include <QCoreApplication>

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using BenchLibrary::card;
using BenchLibrary::median;
constexpr int librarySize = BenchLibrary::size;

int fail(const char *message)
{
    std::fprintf(stderr, "bench_devserver_feed: %s\n", message);
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = BenchLibrary::rounds(app.arguments(), 5);
    DevServerProcess server;
    if (!server.start({}))
        return fail("the server did not start");
    HttpClient client;
    QString userID;
    QElapsedTimer filling;
    filling.start();
    const QByteArray cookie = BenchLibrary::fillLibrary(client, server, u"bench@pelora.test"_s, userID);
    if (cookie.isEmpty())
        return fail("could not fill the library");
    const double fillMs = filling.nsecsElapsed() / 1e6;
    const HttpReply beyond =
        client.postJson(server.url(u"/api/companion/phrases"_s),
                        QJsonObject{{"expectedUserId"_L1, userID}, {"phrase"_L1, card(librarySize)}}, cookie);

    std::vector<double> pageMs;
    std::vector<double> firstPageMs;
    std::vector<double> lastPageMs;
    std::vector<double> baselineMs;
    qint64 bytes = 0;
    for (int round = 0; round < rounds; ++round) {
        QString cursor; // null: the first page
        int pages = 0;
        int phrases = 0;
        for (bool more = true; more; ++pages) {
            // The baseline: a tiny JSON answer over the same connection, just before the page.
            QElapsedTimer timer;
            timer.start();
            if (client.get(server.url(u"/companion/updates.json"_s)).status != 200)
                return fail("the update feed failed");
            baselineMs.push_back(timer.nsecsElapsed() / 1e6);

            timer.restart();
            const HttpReply reply = client.get(BenchLibrary::pageUrl(server, cursor), cookie);
            Result<PhraseFeed, PhraseFeed::Error> page = PhraseFeed::decode(reply.body);
            const double ms = timer.nsecsElapsed() / 1e6;
            if (reply.status != 200 || !page.ok())
                return fail("a page was refused or did not decode");
            pageMs.push_back(ms);
            if (pages == 0)
                firstPageMs.push_back(ms);
            bytes += reply.body.size();
            phrases += page.value().phrases.size();
            more = page.value().nextCursor.has_value();
            if (more)
                cursor = *page.value().nextCursor;
            else
                lastPageMs.push_back(ms);
        }
        if (pages != 100 || phrases != librarySize)
            return fail("the library did not come back as 100 pages of 50");
    }

    const double page = median(pageMs);
    const double baseline = median(baselineMs);
    std::printf("library: %d phrases saved in %.0f ms (%.2f ms per save); save number %d answered %d\n", librarySize,
                fillMs, fillMs / librarySize, librarySize + 1, beyond.status);
    std::printf("pull: %d rounds of 100 pages, %.0f KB per round\n", rounds, bytes / 1024.0 / rounds);
    std::printf("per page (fetch + decode), median: %.3f ms; first page %.3f ms, last page %.3f ms\n", page,
                median(firstPageMs), median(lastPageMs));
    std::printf("baseline (update feed request), median: %.3f ms\n", baseline);
    std::printf("ratio page / baseline: %.1fx; whole library in %.0f ms\n", page / baseline, page * 100);
    return 0;
}
