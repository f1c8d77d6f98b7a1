// The companion's own costs with the real controller, the real sign-in
// session and pelora-devserver on loopback, each against a baseline taken in
// the same run:
//   launch to first card, against the bare transfer of the same library;
//   a library sync, against that bare transfer, and the private memory
//   before, after a tenth and after all of many syncs (no growth).
// Idle CPU and the memory around the sign-in window are bench/footprint's,
// measured on the real program beside another tray tool.
// Run it with a display: scripts/run-test --wm -- build/<dir>/bench/app/bench_companion [syncs]
#include "account/sign_in_on_demand.h"
#include "app/companion_delegate.h"
#include "card/card_model.h"
#include "card/card_panel.h"
#include "card/quick_renderer.h"
#include "devserver_harness.h"
#include "schedule/preferences.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// Private (not shared) memory of this process, in MiB, from /proc/self/smaps_rollup.
double privateMiB()
{
    QFile file(u"/proc/self/smaps_rollup"_s);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    double kib = 0;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith("Private_Clean:") || line.startsWith("Private_Dirty:"))
            kib += line.simplified().split(' ').value(1).toDouble();
    }
    return kib / 1024.0;
}

} // namespace

int main(int argc, char *argv[])
{
    QuickRenderer::chooseForMachine(); // as the program chooses
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QApplication::setQuitOnLastWindowClosed(false);
    const int syncs = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000;

    DevServerProcess webApp;
    if (!webApp.start()) {
        std::fprintf(stderr, "pelora-devserver did not start: %s\n", qPrintable(webApp.errorOutput()));
        return 1;
    }
    const QString origin = u"http://localhost:%1"_s.arg(webApp.port());
    Preferences::standard().setValue(u"webOrigin"_s, origin);

    // Signed in as the demo learner: the session takes the cookie the web app set.
    HttpClient http;
    const QByteArray cookie = signIn(http, webApp, u"learner@pelora.test"_s, u"selamat-pagi"_s);
    if (cookie.isEmpty()) {
        std::fprintf(stderr, "the demo learner could not sign in\n");
        return 1;
    }
    // As in the program: the web engine would run in the sign-in helper.
    auto session = std::make_unique<SignInOnDemand>(SignInOnDemand::defaultStorageFolder(),
                                                    QString::fromUtf8(PELORA_SIGN_IN_HELPER));
    QCoro::waitFor(session->acceptCookies({{"Set-Cookie"_ba, cookie + "; Path=/"_ba}}, QUrl(origin)));

    // Baseline: the bare transfer of the library's pages.
    QElapsedTimer timer;
    timer.start();
    QString cursor;
    int pages = 0;
    do {
        QUrl page = webApp.url(u"/api/companion/phrases"_s);
        if (pages > 0)
            page.setQuery(u"cursor="_s + QString::fromLatin1(QUrl::toPercentEncoding(cursor)));
        cursor = http.get(page, cookie).json().value("nextCursor"_L1).toString();
        ++pages;
    } while (!cursor.isEmpty() && pages < 100);
    const double bareMs = timer.nsecsElapsed() / 1e6;

    CompanionDelegate::Environment environment;
    environment.session = std::move(session);
    environment.preferences = &Preferences::standard();
    environment.openUrl = [](const QUrl &) {};
    environment.updateFeed = QUrl(origin + u"/companion/updates.json"_s);
    environment.useTray = false;
    CompanionDelegate delegate(std::move(environment));

    timer.restart();
    delegate.applicationDidFinishLaunching();
    // The card model learns its phrase when the first card is shown.
    QEventLoop shown;
    QObject::connect(delegate.cards().panel()->model(), &CardModel::phraseChanged, &shown, [&] {
        if (delegate.cards().panel()->model()->phrase())
            shown.quit();
    });
    QObject::connect(&delegate, &CompanionDelegate::launchFinished, &shown, [&] {
        if (!delegate.cards().panel()->model()->phrase())
            shown.exit(1);
    });
    if (shown.exec() != 0) {
        std::fprintf(stderr, "no phrase card at launch: %s\n", qPrintable(delegate.store().status()));
        return 1;
    }
    const double launchMs = timer.nsecsElapsed() / 1e6;
    std::printf("launch to first card: %.1f ms (bare transfer of the same %d pages: %.1f ms, ratio %.2f)\n", launchMs,
                pages, bareMs, launchMs / bareMs);

    delegate.cards().dismiss();
    QSignalSpy refreshed(&delegate.account(), &AccountFlow::libraryRefreshFinished);
    const double beforeSyncs = privateMiB();
    const int tenth = syncs / 10;
    double afterTenth = 0;
    timer.restart();
    for (int i = 0; i < syncs; ++i) {
        delegate.account().refresh();
        if (refreshed.count() <= i)
            refreshed.wait(10000);
        if (i + 1 == tenth)
            afterTenth = privateMiB();
    }
    const double syncMs = timer.nsecsElapsed() / 1e6 / syncs;
    const double afterSyncs = privateMiB();
    std::printf("a sync of %lld phrases: %.1f ms (ratio %.2f to the bare transfer)\n",
                qlonglong(delegate.store().phrases().size()), syncMs, syncMs / bareMs);
    std::printf("private memory: %.1f MiB before %d syncs, %.1f MiB after %d, %.1f MiB after all (ratio %.2f)\n",
                beforeSyncs, syncs, afterTenth, tenth, afterSyncs, afterSyncs / afterTenth);
    delegate.applicationWillTerminate();
    return 0;
}
