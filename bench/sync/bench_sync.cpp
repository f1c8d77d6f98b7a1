// A 5,000-phrase library (100 pages of 50, the most the companion ever
// syncs) from pelora-devserver over loopback, each figure against a baseline
// taken in turns in the same run:
//   the server: the 100 pages fetched one after another by a bare
//   QNetworkAccessManager, against as many trivial requests (the update feed);
//   the companion: a full sync by PhraseStore::refresh, against that bare
//   transfer of the same pages.
// Medians over the rounds, their ratios and peak memory.
//   bench_sync [--rounds N]   (default 7)
#include "account/companion_session.h"
#include "devserver_harness.h"
#include "library/phrase_store.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <qcoro/qcoronetworkreply.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int librarySize = 5000;

// A complete lookup card, numbered so that each one is saved as a new phrase.
QJsonObject card(int index)
{
    const QString n = QString::number(index);
    return QJsonObject{
        {"malay"_L1, u"Jom minum teh tarik dulu, kawan nombor %1."_s.arg(n)},
        {"english"_L1, u"Let's have a pulled tea first, friend number %1."_s.arg(n)},
        {"register"_L1, u"casual"_s},
        {"context"_L1, u"A friendly invitation to take a break at the kopitiam."_s},
        {"usageExamples"_L1,
         QJsonArray{QJsonObject{{"malay"_L1, u"Jom minum teh tarik dulu sebelum balik."_s},
                                {"english"_L1, u"Let's have a teh tarik before heading home."_s},
                                {"situation"_L1, u"After work with colleagues"_s}}}},
        {"notes"_L1, QJsonArray{u"Jom means let's."_s, u"Dulu softens the suggestion."_s}},
        {"relatedPhrases"_L1, QJsonArray{}},
        {"words"_L1,
         QJsonArray{QJsonObject{{"malay"_L1, u"jom"_s}, {"english"_L1, u"let's"_s}},
                    QJsonObject{{"malay"_L1, u"minum"_s}, {"english"_L1, u"drink"_s}},
                    QJsonObject{{"malay"_L1, u"teh tarik"_s}, {"english"_L1, u"pulled tea"_s}},
                    QJsonObject{{"malay"_L1, u"dulu"_s}, {"english"_L1, u"first"_s}}}},
        {"scenario"_L1, u"kopitiam"_s},
    };
}

// Signs up a new account and saves `librarySize` numbered cards into it; its
// session cookie, or an empty one if anything failed.
QByteArray fillLibrary(HttpClient &client, const DevServerProcess &server)
{
    const QByteArray cookie = signUp(client, server, u"sync-bench@pelora.test"_s, u"bench-password"_s);
    const QString userID = accountID(client, server, cookie);
    if (cookie.isEmpty() || userID.isEmpty())
        return {};
    for (int i = 0; i < librarySize; ++i) {
        const HttpReply saved =
            client.postJson(server.url(u"/api/companion/phrases"_s),
                            QJsonObject{{"expectedUserId"_L1, userID}, {"phrase"_L1, card(i)}}, cookie);
        if (saved.status != 201)
            return {};
    }
    return cookie;
}

// The page addresses of the library, found by following the cursors once.
QList<QUrl> pageUrls(HttpClient &client, const DevServerProcess &server, const QByteArray &cookie)
{
    QList<QUrl> urls{server.url(u"/api/companion/phrases"_s)};
    for (;;) {
        const QJsonValue next = client.get(urls.last(), cookie).json().value("nextCursor"_L1);
        if (!next.isString() || urls.size() > 100)
            return urls;
        QUrl url = urls.first();
        url.setQuery(u"cursor="_s + QString::fromLatin1(QUrl::toPercentEncoding(next.toString())));
        urls.append(url);
    }
}

// The baseline: the addresses fetched in order over one client, bodies read
// and dropped; the milliseconds it took.
QCoro::Task<double> fetchAll(QList<QUrl> urls, QByteArray cookie)
{
    QNetworkAccessManager client;
    QElapsedTimer clock;
    clock.start();
    for (const QUrl &url : urls) {
        QNetworkRequest request(url);
        request.setRawHeader("Accept", "application/json");
        request.setRawHeader("Cookie", cookie);
        QNetworkReply *reply = client.get(request);
        co_await qCoro(reply).waitForFinished();
        reply->readAll();
        reply->deleteLater();
    }
    co_return clock.nsecsElapsed() / 1e6;
}

// The process's peak resident memory so far, in MiB (Linux VmHWM).
double peakMemoryMiB()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

int fail(const QString &message)
{
    std::fprintf(stderr, "bench_sync: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const qsizetype roundsAt = app.arguments().indexOf(u"--rounds"_s);
    const int rounds = roundsAt < 0 ? 7 : std::max(1, app.arguments().value(roundsAt + 1).toInt());
    DevServerProcess server;
    if (!server.start({}))
        return fail(u"the server did not start"_s);
    HttpClient client;
    const QByteArray cookie = fillLibrary(client, server);
    if (cookie.isEmpty())
        return fail(u"could not fill the library"_s);
    const QList<QUrl> pages = pageUrls(client, server, cookie);
    if (pages.size() != 100)
        return fail(u"the library does not span 100 pages"_s);
    const QList<QUrl> trivial(pages.size(), server.url(u"/companion/updates.json"_s));

    // The real sign-in session, answering from its cookie record.
    QTemporaryDir sessionFolder;
    CompanionSession session(sessionFolder.path(), nullptr);
    const QUrl origin = server.url(QString());
    QCoro::waitFor(session.acceptCookies({{"Set-Cookie"_ba, cookie + "; Path=/"}}, origin));

    const double memoryBefore = peakMemoryMiB();
    std::vector<double> trivialMs;
    std::vector<double> rawMs;
    std::vector<double> syncMs;
    QElapsedTimer clock;
    for (int round = 0; round <= rounds; ++round) { // round 0 warms up
        const double requests = QCoro::waitFor(fetchAll(trivial, {}));
        const double raw = QCoro::waitFor(fetchAll(pages, cookie));
        PhraseStore store;
        clock.start();
        const bool applied = QCoro::waitFor(store.refresh(origin, &session, false));
        const double sync = clock.nsecsElapsed() / 1e6;
        if (!applied || store.state() != PhraseStore::State::ready || store.phrases().size() != librarySize)
            return fail(u"the sync ended with \"%1\""_s.arg(store.status()));
        if (round > 0) {
            trivialMs.push_back(requests);
            rawMs.push_back(raw);
            syncMs.push_back(sync);
        }
    }

    const double requests = median(trivialMs);
    const double raw = median(rawMs);
    const double sync = median(syncMs);
    std::printf("library: %d phrases in 100 pages; medians over %d rounds\n", librarySize, rounds);
    std::printf("server: %.2f ms a page, %.2f ms a trivial request: ratio %.1f\n", raw / 100, requests / 100,
                raw / requests);
    std::printf("PhraseStore::refresh full sync: %.1f ms, bare transfer %.1f ms: ratio %.2f (target <= 1.5)\n", sync,
                raw, sync / raw);
    std::printf("peak resident memory: %.1f MiB before the rounds, %.1f MiB after\n", memoryBefore, peakMemoryMiB());
    return 0;
}
