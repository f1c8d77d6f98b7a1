// Renders every card layout (and, when built with the lookup window, every
// lookup state) to PNG files, for looking at the views:
//   pelora_render_views <output folder>
// Runs on a real display (scripts/screenshots starts Xvfb); motion is reduced
// so every frame is final.
#include "card/card_panel.h"
#include "card/ink.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTextStream>
#include <QThread>

#include "lookup/phrase_lookup_window.h"
#include "lookup_web_app.h"

namespace {

void settle(int ms = 250)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

Phrase samplePhrase()
{
    return Phrase{QStringLiteral("p1"),
                  QStringLiteral("Kurang pedas sikit, boleh?"),
                  QStringLiteral("A bit less spicy, please?"),
                  QStringLiteral("At the hawker centre"),
                  QStringLiteral("Said when ordering at a stall. “Sikit” softens the request, so it sounds "
                                 "friendly rather than fussy."),
                  {{QStringLiteral("kurang"), QStringLiteral("less")},
                   {QStringLiteral("pedas"), QStringLiteral("spicy")},
                   {QStringLiteral("sikit"), QStringLiteral("a little")},
                   {QStringLiteral("boleh"), QStringLiteral("can / may")}},
                  {QStringLiteral("“Sikit” is the everyday form of “sedikit”."), QStringLiteral("A second note.")},
                  {{QStringLiteral("Mee goreng satu, kurang pedas sikit."),
                    QStringLiteral("One fried noodles, a bit less spicy."), QStringLiteral("Ordering")},
                   {QStringLiteral("Second example."), QStringLiteral("Not shown."), QStringLiteral("Never")}}};
}

} // namespace

// Saves a window's picture on a plain backdrop, so its transparent corners show.
void saveWindow(QQuickWindow *window, const QString &path)
{
    settle();
    const QImage picture = window->grabWindow();
    QImage canvas(picture.size() + QSize(48, 48), QImage::Format_ARGB32);
    canvas.fill(QColor(0xB8, 0xC0, 0xC4));
    QPainter painter(&canvas);
    painter.drawImage(24, 24, picture);
    painter.end();
    canvas.save(path);
    QTextStream(stdout) << path << " " << picture.width() << "x" << picture.height() << "\n";
}

// Scrolls a window's scrolling area to its end (or back to the top).
void scrollToEnd(QQuickWindow *window, bool back = false)
{
    for (const char *name : {"scroller", "content"}) {
        if (auto *area = window->contentItem()->findChild<QObject *>(QLatin1String(name))) {
            const double end = area->property("contentHeight").toDouble() - area->property("height").toDouble();
            area->setProperty("contentY", back ? 0.0 : std::max(0.0, end));
        }
    }
}

// Waits (handling events) until the lookup reaches a phase.
bool reach(PhraseLookupModel *model, PhraseLookupModel::Phase phase)
{
    QElapsedTimer timer;
    timer.start();
    while (model->phase() != phase && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return model->phase() == phase;
}

void renderLookupStates(const QString &folder)
{
    const auto out = [&](const QString &name) { return QDir(folder).filePath(name + QStringLiteral(".png")); };
    using Phase = PhraseLookupModel::Phase;
    LookupWebApp web;
    web.card.context = QStringLiteral("Said when ordering a drink at a kopitiam or hawker stall. Friendly and "
                                      "everyday: the “ya” at the end keeps it light rather than demanding.");
    web.card.notes.append(QStringLiteral("Tak nak gula asks for no sugar at all; kurang manis only asks for less."));
    PhraseLookupWindow lookup;
    PhraseLookupModel *model = lookup.model();

    lookup.show();
    saveWindow(lookup.window(), out(QStringLiteral("lookup-signed-out")));

    model->connect(web.client());
    saveWindow(lookup.window(), out(QStringLiteral("lookup-invitation")));

    model->setQuery(QStringLiteral("Less sugar in my teh tarik"));
    saveWindow(lookup.window(), out(QStringLiteral("lookup-query-typed")));

    web.lookupAnswer = LookupWebApp::LookupAnswer::hang;
    model->lookup();
    saveWindow(lookup.window(), out(QStringLiteral("lookup-loading")));
    model->cancelLookup();

    web.lookupAnswer = LookupWebApp::LookupAnswer::card;
    model->lookup();
    reach(model, Phase::preview);
    saveWindow(lookup.window(), out(QStringLiteral("lookup-preview")));
    scrollToEnd(lookup.window());
    saveWindow(lookup.window(), out(QStringLiteral("lookup-preview-scrolled")));
    scrollToEnd(lookup.window(), true);

    web.saveAnswer = LookupWebApp::SaveAnswer::hang;
    model->save();
    saveWindow(lookup.window(), out(QStringLiteral("lookup-saving")));

    // A fresh lookup for each save outcome.
    model->connect(web.client());
    model->setQuery(QStringLiteral("Less sugar in my teh tarik"));
    model->lookup();
    reach(model, Phase::preview);
    web.saveAnswer = LookupWebApp::SaveAnswer::saved;
    model->save();
    reach(model, Phase::saved);
    saveWindow(lookup.window(), out(QStringLiteral("lookup-saved")));

    model->discard();
    model->lookup();
    reach(model, Phase::preview);
    web.saveAnswer = LookupWebApp::SaveAnswer::failure;
    model->save();
    reach(model, Phase::saveUncertain);
    saveWindow(lookup.window(), out(QStringLiteral("lookup-save-uncertain")));

    model->discard();
    web.lookupAnswer = LookupWebApp::LookupAnswer::notAvailable;
    model->lookup();
    reach(model, Phase::idle);
    saveWindow(lookup.window(), out(QStringLiteral("lookup-error")));

    model->setQuery(QString(501, QLatin1Char('a')));
    saveWindow(lookup.window(), out(QStringLiteral("lookup-query-too-long")));
    lookup.hide();
}

int main(int argc, char **argv)
{
    qputenv("PELORA_REDUCE_MOTION", "1");
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    QDir().mkpath(folder);
    const auto out = [&](const QString &name) { return QDir(folder).filePath(name + QStringLiteral(".png")); };

    CardPanel panel;
    const Phrase full = samplePhrase();
    panel.show(full);
    saveWindow(panel.window(), out(QStringLiteral("card-phrase-compact")));
    panel.expand(true);
    saveWindow(panel.window(), out(QStringLiteral("card-phrase-expanded")));
    scrollToEnd(panel.window());
    saveWindow(panel.window(), out(QStringLiteral("card-phrase-expanded-scrolled")));

    Phrase bare = full;
    bare.words.clear();
    bare.usageExamples.clear();
    bare.notes.clear();
    panel.show(bare);
    panel.expand(true);
    saveWindow(panel.window(), out(QStringLiteral("card-phrase-expanded-bare")));

    Phrase wordsOnly = full;
    wordsOnly.usageExamples.clear();
    panel.show(wordsOnly);
    panel.expand(true);
    saveWindow(panel.window(), out(QStringLiteral("card-phrase-expanded-no-examples")));

    Phrase longPhrase = full;
    longPhrase.malay = QStringLiteral("Boleh tolong bungkus yang ini dan kurangkan gula dalam teh tarik saya?");
    panel.show(longPhrase);
    saveWindow(panel.window(), out(QStringLiteral("card-phrase-compact-long")));
    panel.expand(true);
    saveWindow(panel.window(), out(QStringLiteral("card-phrase-expanded-long")));

    const struct {
        PhraseStore::State state;
        const char *name;
        QString detail;
    } messages[] = {
        {PhraseStore::State::signedOut, "signed-out", QString()},
        {PhraseStore::State::loading, "loading", QStringLiteral("Loading your phrasebook…")},
        {PhraseStore::State::ready, "ready", QStringLiteral("Your library is ready.")},
        {PhraseStore::State::empty, "empty", QString()},
        {PhraseStore::State::unavailable, "unavailable",
         QStringLiteral("Pelora isn’t reachable right now. Check your connection and try again.")},
    };
    for (const auto &message : messages) {
        panel.showMessage(message.state, message.detail);
        saveWindow(panel.window(), out(QStringLiteral("card-message-%1-compact").arg(QLatin1String(message.name))));
        panel.expand(true);
        saveWindow(panel.window(), out(QStringLiteral("card-message-%1-expanded").arg(QLatin1String(message.name))));
    }
    panel.hide();

    renderLookupStates(folder);
    return 0;
}
