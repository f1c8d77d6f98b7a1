// Renders every card layout and every lookup state to PNG files (scripts/screenshots
// runs it under Xvfb): pelora_render_views <output folder>. Motion is reduced so
// every frame is final.
#include "card/card_panel.h"
#include "card/view_test.h"
#include "lookup/phrase_lookup_window.h"
#include "lookup_web_app.h"

#include <QDir>
#include <QPainter>

namespace {

QDir folder;

// Saves a window's picture on a plain backdrop, so its transparent corners show.
void shot(QQuickWindow *window, const QString &name)
{
    QTest::qWait(250);
    const QImage picture = window->grabWindow();
    QImage canvas(picture.size() + QSize(48, 48), QImage::Format_ARGB32);
    canvas.fill(QColor(0xB8, 0xC0, 0xC4));
    QPainter(&canvas).drawImage(24, 24, picture);
    canvas.save(folder.filePath(name + ".png"));
}

// Scrolls the window's scrolling area to its end (or back to the top).
void scroll(QQuickWindow *window, bool toEnd)
{
    for (const char *name : {"scroller", "content"})
        if (auto *area = window->contentItem()->findChild<QObject *>(QLatin1String(name)))
            area->setProperty(
                "contentY",
                toEnd ? std::max(0.0, area->property("contentHeight").toDouble() - area->property("height").toDouble())
                      : 0.0);
}

void renderCards()
{
    CardPanel panel;
    Phrase bare = samplePhrase(), noExamples = samplePhrase(), long_ = samplePhrase(), unlabelled = samplePhrase();
    unlabelled.category.clear();
    unlabelled.context.clear();
    bare.words.clear();
    bare.notes.clear();
    bare.usageExamples.clear();
    noExamples.usageExamples.clear();
    long_.malay = "Boleh tolong bungkus yang ini dan kurangkan gula dalam teh tarik saya?";
    // A phrase, and the names of its compact, expanded and scrolled pictures ("" for none).
    for (const auto &[phrase, compact, expanded, scrolled] :
         {std::tuple<Phrase, QString, QString, QString>(samplePhrase(), "compact", "expanded", "expanded-scrolled"),
          {bare, "", "expanded-bare", ""},
          {noExamples, "", "expanded-no-examples", ""},
          {unlabelled, "", "expanded-no-category-or-context", ""},
          {long_, "compact-long", "expanded-long", ""}}) {
        panel.show(phrase);
        if (!compact.isEmpty())
            shot(panel.window(), "card-phrase-" + compact);
        panel.expand(true);
        shot(panel.window(), "card-phrase-" + expanded);
        if (!scrolled.isEmpty()) {
            scroll(panel.window(), true);
            shot(panel.window(), "card-phrase-" + scrolled);
        }
    }
    using State = PhraseStore::State;
    for (const auto &[state, name, detail] :
         {std::tuple<State, QString, QString>(State::signedOut, "signed-out", ""),
          {State::loading, "loading", "Loading your phrasebook…"},
          {State::ready, "ready", "Your library is ready."},
          {State::empty, "empty", ""},
          {State::unavailable, "unavailable",
           "Pelora isn’t reachable right now. Check your connection and try again."}}) {
        panel.showMessage(state, detail);
        shot(panel.window(), "card-message-" + name + "-compact");
        panel.expand(true);
        shot(panel.window(), "card-message-" + name + "-expanded");
    }
}

void renderLookupStates()
{
    using Phase = PhraseLookupModel::Phase;
    using Lookup = LookupWebApp::LookupAnswer;
    using Save = LookupWebApp::SaveAnswer;
    LookupWebApp web;
    web.card.context = "Said when ordering a drink at a kopitiam or hawker stall. Friendly and everyday: the “ya” at "
                       "the end keeps it light rather than demanding.";
    web.card.notes.append("Tak nak gula asks for no sugar at all; kurang manis only asks for less.");
    PhraseLookupWindow lookup;
    PhraseLookupModel *model = lookup.model();
    // Starts a lookup or a save (or not), waits for the phase it leads to, and shoots it (if named).
    const auto shoot = [&](const char *name, void (PhraseLookupModel::*start)() = nullptr, Phase phase = {}) {
        if (start)
            (model->*start)();
        if (start && !QTest::qWaitFor([&] { return model->phase() == phase; }, 5000))
            qWarning("%s: the lookup did not reach the phase to show", name ? name : "a preview");
        if (name)
            shot(lookup.window(), name);
    };
    const auto lookUp = &PhraseLookupModel::lookup, save = &PhraseLookupModel::save;
    const QString query = "Less sugar in my teh tarik";

    lookup.show();
    shoot("lookup-signed-out");
    model->connect(web.client());
    shoot("lookup-invitation");
    model->setQuery(query);
    shoot("lookup-query-typed");
    web.lookupAnswer = Lookup::hang;
    shoot("lookup-loading", lookUp, Phase::lookingUp);
    model->cancelLookup();
    web.lookupAnswer = Lookup::card;
    shoot("lookup-preview", lookUp, Phase::preview);
    scroll(lookup.window(), true);
    shoot("lookup-preview-scrolled");
    scroll(lookup.window(), false);
    web.saveAnswer = Save::hang;
    shoot("lookup-saving", save, Phase::saving);
    model->connect(web.client()); // a fresh lookup for each save outcome
    for (const auto &[answer, phase, name] :
         {std::tuple(Save::saved, Phase::saved, "lookup-saved"),
          std::tuple(Save::failure, Phase::saveUncertain, "lookup-save-uncertain")}) {
        model->discard();
        model->setQuery(query);
        shoot(nullptr, lookUp, Phase::preview);
        web.saveAnswer = answer;
        shoot(name, save, phase);
    }
    model->discard();
    web.lookupAnswer = Lookup::notAvailable;
    shoot("lookup-error", lookUp, Phase::idle);
    model->setQuery(QString(501, QLatin1Char('a')));
    shoot("lookup-query-too-long");
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("PELORA_REDUCE_MOTION", "1");
    QApplication app(argc, argv);
    folder.setPath(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots"));
    folder.mkpath(".");
    renderCards();
    renderLookupStates();
}
