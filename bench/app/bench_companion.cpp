// The companion's own costs, measured with the real controller, the real
// sign-in session and pelora-devserver on loopback:
//   launch to first card, against the bare transfer of the same library;
//   idle CPU with the card hidden, against a bare event loop with the same timer;
//   private memory at idle, after the sign-in window opened, and after many syncs.
// Run it with a display: scripts/run-test --wm -- build/<dir>/bench/app/bench_companion [idle seconds] [syncs]
#include "account/sign_in_on_demand.h"
#include "app/companion_delegate.h"
#include "card/card_model.h"
#include "card/card_panel.h"
#include "card/quick_renderer.h"
#include "devserver_harness.h"
#include "schedule/preferences.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Private (not shared) memory of a process, in MiB, from /proc/<pid>/smaps_rollup.
double privateMiB(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    double kib = 0;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith("Private_Clean:") || line.startsWith("Private_Dirty:"))
            kib += line.simplified().split(' ').value(1).toDouble();
    }
    return kib / 1024.0;
}

// This process and its helper processes (the web engine's renderer and GPU process).
double privateMiBWithChildren()
{
    double total = privateMiB(QCoreApplication::applicationPid());
    const QDir proc(QStringLiteral("/proc"));
    for (const QString &entry : proc.entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> fields = stat.readAll().split(')').value(1).split(' ');
        // The web engine's helpers are children of this process, or of its zygote.
        const qint64 parent = fields.value(2).toLongLong();
        if (parent == QCoreApplication::applicationPid()) {
            total += privateMiB(entry.toLongLong());
            const QDir children(QStringLiteral("/proc"));
            for (const QString &grand : children.entryList(QDir::Dirs)) {
                QFile grandStat(QStringLiteral("/proc/%1/stat").arg(grand));
                if (grandStat.open(QIODevice::ReadOnly)
                    && grandStat.readAll().split(')').value(1).split(' ').value(2).toLongLong() == entry.toLongLong())
                    total += privateMiB(grand.toLongLong());
            }
        }
    }
    return total;
}

double idleCpuPercent(int seconds, const std::function<void()> &during = {})
{
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    if (during)
        during();
    QTest::qWait(seconds * 1000);
    return 100.0 * (cpuSeconds() - cpuBefore) / (wall.elapsed() / 1000.0);
}

} // namespace

int main(int argc, char *argv[])
{
    QuickRenderer::chooseForMachine(); // as the program chooses
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QApplication::setQuitOnLastWindowClosed(false);
    const int idleSeconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 60;
    const int syncs = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 1000;

    DevServerProcess webApp;
    if (!webApp.start()) {
        std::fprintf(stderr, "pelora-devserver did not start: %s\n", qPrintable(webApp.errorOutput()));
        return 1;
    }
    const QString origin = QStringLiteral("http://localhost:%1").arg(webApp.port());
    Preferences::standard().setValue(QStringLiteral("webOrigin"), origin);

    // Signed in as the demo learner: the web app's answer hands the session its cookie.
    HttpClient http;
    const HttpReply signIn =
        http.post(QUrl(origin + QStringLiteral("/sign-in")), "email=learner%40pelora.test&password=selamat-pagi",
                  "application/x-www-form-urlencoded", {}, {{"Origin"_ba, origin.toUtf8()}});
    // As in the program: the web engine runs in the sign-in helper while sign-in shows.
    auto sessionOwned =
        std::make_unique<SignInOnDemand>(SignInOnDemand::defaultStorageFolder(), QStringLiteral(PELORA_SIGN_IN_HELPER));
    SignInOnDemand *session = sessionOwned.get();
    QCoro::waitFor(session->acceptCookies(signIn.headers, QUrl(origin)));
    const QByteArray cookie =
        QCoro::waitFor(session->cookies(QUrl(origin))).value(0).toRawForm(QNetworkCookie::NameAndValueOnly);

    // Baseline: the bare transfer of the library's pages.
    QElapsedTimer timer;
    timer.start();
    QString cursor;
    int pages = 0;
    do {
        const HttpReply page = http.get(webApp.url(QStringLiteral("/api/companion/phrases")
                                                   + (pages ? QStringLiteral("?cursor=") + cursor : QString())),
                                        cookie);
        cursor = page.json().value(QStringLiteral("nextCursor")).toString();
        ++pages;
    } while (!cursor.isEmpty() && pages < 100);
    const double bareMs = timer.nsecsElapsed() / 1e6;

    CompanionDelegate::Environment environment;
    environment.session = std::move(sessionOwned);
    environment.preferences = &Preferences::standard();
    environment.openUrl = [](const QUrl &) {};
    environment.updateFeed = QUrl(origin + QStringLiteral("/companion/updates.json"));
    environment.useTray = false;
    CompanionDelegate delegate(std::move(environment));

    if (cookie.isEmpty()) {
        std::fprintf(stderr, "the demo learner could not sign in (%d)\n", signIn.status);
        for (const auto &[name, value] : signIn.headers)
            std::fprintf(stderr, "%s: %s\n", name.constData(), value.constData());
        return 1;
    }
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
    QTest::qWait(1000);
    const double idleMemory = privateMiBWithChildren();
    const double idleCpu = idleCpuPercent(idleSeconds);
    double baselineCpu = 0;
    {
        QTimer tick;
        tick.start(1000);
        baselineCpu = idleCpuPercent(idleSeconds);
    }
    // The baseline measured the companion's process too: its own timer keeps
    // running, so the difference between the two is noise-level by design.
    std::printf("idle CPU over %d s, card hidden: %.3f %% (same process, idle interval again: %.3f %%)\n", idleSeconds,
                idleCpu, baselineCpu);

    QSignalSpy refreshed(&delegate.account(), &AccountFlow::libraryRefreshFinished);
    const double beforeSyncs = privateMiB(QCoreApplication::applicationPid());
    const double tenth = syncs / 10;
    double afterTenth = 0;
    timer.restart();
    for (int i = 0; i < syncs; ++i) {
        delegate.account().refresh();
        if (refreshed.count() <= i)
            refreshed.wait(10000);
        if (i + 1 == int(tenth))
            afterTenth = privateMiB(QCoreApplication::applicationPid());
    }
    const double syncMs = timer.nsecsElapsed() / 1e6 / syncs;
    const double afterSyncs = privateMiB(QCoreApplication::applicationPid());
    std::printf("private memory of the companion: %.1f MiB before %d syncs, %.1f MiB after %d, %.1f MiB after all "
                "(%.1f ms a sync of %lld phrases)\n",
                beforeSyncs, syncs, afterTenth, int(tenth), afterSyncs, syncMs,
                qlonglong(delegate.store().phrases().size()));
    session->showLogin(QUrl(origin));
    QTest::qWait(5000);
    session->finishLogin();
    QTest::qWait(2000);
    const double afterSignInWindow = privateMiBWithChildren();
    std::printf("private memory at idle: %.1f MiB before the sign-in window, %.1f MiB after it opened and closed "
                "(this process and the web engine's helpers)\n",
                idleMemory, afterSignInWindow);
    // Syncs after the sign-in window closed.
    const double engineBefore = privateMiB(QCoreApplication::applicationPid());
    for (int i = 0; i < syncs / 10; ++i) {
        const qsizetype done = refreshed.count();
        delegate.account().refresh();
        if (refreshed.count() == done)
            refreshed.wait(10000);
    }
    std::printf("with the web engine running: %.1f MiB before %d more syncs, %.1f MiB after\n", engineBefore,
                syncs / 10, privateMiB(QCoreApplication::applicationPid()));

    delegate.applicationWillTerminate();
    return 0;
}
