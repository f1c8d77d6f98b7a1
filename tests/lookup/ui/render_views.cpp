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
    canvas.save(folder.filePath(name + u".png"_s));
}

// Scrolls the window's scrolling area to its end (or back to the top).
void scroll(QQuickWindow *window, bool toEnd)
{
    for (const QString &name : {u"scroller"_s, u"content"_s})
        if (auto *area = window->contentItem()->findChild<QObject *>(name))
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
    long_.malay = u"Boleh tolong bungkus yang ini dan kurangkan gula dalam teh tarik saya?"_s;
    // A phrase, and the names of its compact, expanded and scrolled pictures ("" for none).
    for (const auto &[phrase, compact, expanded, scrolled] :
         {std::tuple<Phrase, QString, QString, QString>(samplePhrase(), u"compact"_s, u"expanded"_s,
                                                        u"expanded-scrolled"_s),
          {bare, QString(), u"expanded-bare"_s, QString()},
          {noExamples, QString(), u"expanded-no-examples"_s, QString()},
          {unlabelled, QString(), u"expanded-no-category-or-context"_s, QString()},
          {long_, u"compact-long"_s, u"expanded-long"_s, QString()}}) {
        panel.show(phrase);
        if (!compact.isEmpty())
            shot(panel.window(), u"card-phrase-"_s + compact);
        panel.expand(true);
        shot(panel.window(), u"card-phrase-"_s + expanded);
        if (!scrolled.isEmpty()) {
            scroll(panel.window(), true);
            shot(panel.window(), u"card-phrase-"_s + scrolled);
        }
    }
    using State = PhraseStore::State;
    for (const auto &[state, name, detail] :
         {std::tuple<State, QString, QString>(State::signedOut, u"signed-out"_s, QString()),
          {State::loading, u"loading"_s, u"Loading your phrasebook…"_s},
          {State::ready, u"ready"_s, u"Your library is ready."_s},
          {State::empty, u"empty"_s, QString()},
          {State::unavailable, u"unavailable"_s,
           u"Pelora isn’t reachable right now. Check your connection and try again."_s}}) {
        panel.showMessage(state, detail);
        shot(panel.window(), u"card-message-"_s + name + u"-compact"_s);
        panel.expand(true);
        shot(panel.window(), u"card-message-"_s + name + u"-expanded"_s);
    }
}

void renderLookupStates()
{
    using Phase = PhraseLookupModel::Phase;
    using Lookup = LookupWebApp::LookupAnswer;
    using Save = LookupWebApp::SaveAnswer;
    LookupWebApp web;
    web.card.context = u"Said when ordering a drink at a kopitiam or hawker stall. Friendly and everyday: the “ya” at "
                       u"the end keeps it light rather than demanding."_s;
    web.card.notes.append(u"Tak nak gula asks for no sugar at all; kurang manis only asks for less."_s);
    PhraseLookupWindow lookup;
    PhraseLookupModel *model = lookup.model();
    // Starts a lookup or a save (or not), waits for the phase it leads to, and shoots it (if named).
    const auto shoot = [&](const QString &name, void (PhraseLookupModel::*start)() = nullptr, Phase phase = {}) {
        if (start)
            (model->*start)();
        if (start && !QTest::qWaitFor([&] { return model->phase() == phase; }, 5000))
            qWarning("%s: the lookup did not reach the phase to show", qPrintable(name));
        if (!name.isEmpty())
            shot(lookup.window(), name);
    };
    const auto lookUp = &PhraseLookupModel::lookup, save = &PhraseLookupModel::save;
    const QString query = u"Less sugar in my teh tarik"_s;

    lookup.show();
    shoot(u"lookup-signed-out"_s);
    model->connect(web.client());
    shoot(u"lookup-invitation"_s);
    model->setQuery(query);
    shoot(u"lookup-query-typed"_s);
    web.lookupAnswer = Lookup::hang;
    shoot(u"lookup-loading"_s, lookUp, Phase::lookingUp);
    model->cancelLookup();
    web.lookupAnswer = Lookup::card;
    shoot(u"lookup-preview"_s, lookUp, Phase::preview);
    scroll(lookup.window(), true);
    shoot(u"lookup-preview-scrolled"_s);
    scroll(lookup.window(), false);
    web.saveAnswer = Save::hang;
    shoot(u"lookup-saving"_s, save, Phase::saving);
    model->connect(web.client()); // a fresh lookup for each save outcome
    for (const auto &[answer, phase, name] :
         {std::tuple(Save::saved, Phase::saved, u"lookup-saved"_s),
          std::tuple(Save::failure, Phase::saveUncertain, u"lookup-save-uncertain"_s)}) {
        model->discard();
        model->setQuery(query);
        shoot(QString(), lookUp, Phase::preview); // not shown: the card to save
        web.saveAnswer = answer;
        shoot(name, save, phase);
    }
    model->discard();
    web.lookupAnswer = Lookup::notAvailable;
    shoot(u"lookup-error"_s, lookUp, Phase::idle);
    model->setQuery(QString(501, u'a'));
    shoot(u"lookup-query-too-long"_s);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("PELORA_REDUCE_MOTION", "1");
    QApplication app(argc, argv);
    folder.setPath(argc > 1 ? QString::fromLocal8Bit(argv[1]) : u"screenshots"_s);
    folder.mkpath(u"."_s);
    renderCards();
    renderLookupStates();
}
