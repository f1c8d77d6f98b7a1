// The card's QML view driven through its model: which layout and texts show
// for each state, and which callback each gesture reaches.
#include "card/card_messages.h"
#include "card/card_panel.h"
#include "card/view_test.h"

class PhraseCardViewTest : public QObject {
    Q_OBJECT
    std::unique_ptr<CardPanel> panel;
    QStringList calls;

    QQuickItem *root() const { return panel->window()->rootObject(); }
    QQuickItem *item(const char *name) const { return visibleItem(root(), QLatin1String(name)); }
    // The texts of visible items, "-" for one that is not shown.
    QStringList texts(std::initializer_list<const char *> names) const
    {
        QStringList result;
        for (const char *name : names)
            result << (item(name) ? item(name)->property("text").toString() : "-");
        return result;
    }
    QString layout() const { return root()->property("layout").toString(); }
    void click(const char *name, QPointF at = {-1, -1}) { clickItem(panel->window(), item(name), at); }
    void expand(bool expanded)
    {
        panel->expand(expanded);
        QVERIFY(QTest::qWaitForWindowExposed(panel->window()));
        QTest::qWait(30);
    }

private Q_SLOTS:
    void init()
    {
        qputenv("PELORA_REDUCE_MOTION", "1");
        panel = std::make_unique<CardPanel>();
        calls.clear();
        using Callback = std::function<void()> CardModel::*;
        for (const auto &[callback, name] : {std::pair<Callback, const char *>(&CardModel::onDismiss, "dismiss"),
                                             {&CardModel::onNext, "next"}, {&CardModel::onOpen, "open"},
                                             {&CardModel::onLookup, "lookup"}, {&CardModel::onExpand, "expand"},
                                             {&CardModel::onAction, "action"}})
            panel->model()->*callback = [this, name] { calls << QLatin1String(name); };
    }

    void cleanup() { panel.reset(); }

    // Only the first example and the first note; a bare phrase has no empty
    // sections; a long phrase is cut to one line compact and wraps expanded.
    void layoutsAndTheirSections()
    {
        Phrase phrase = samplePhrase();
        phrase.malay = "Boleh tolong bungkus yang ini dan kurangkan gula dalam teh tarik saya?";
        panel->show(phrase);
        expand(false);
        QCOMPARE(layout(), QStringLiteral("compactPhrase"));
        QVERIFY(item("compactMalay")->property("truncated").toBool());
        QCOMPARE(item("compactMalay")->property("lineCount").toInt(), 1);
        expand(true);
        QCOMPARE(layout(), QStringLiteral("expandedPhrase"));
        QVERIFY(!item("compactMalay") && item("wordGrid") && item("expandedMalay")->property("lineCount").toInt() > 1);
        QVERIFY(item("expandedMalay")->width() <= panel->window()->width() - 44);
        QCOMPARE(texts({"expandedMalay", "exampleMalay", "exampleEnglish", "note"}),
                 (QStringList{phrase.malay, phrase.usageExamples[0].malay, phrase.usageExamples[0].english,
                              phrase.notes[0]}));
        phrase.words.clear();
        phrase.notes.clear();
        phrase.usageExamples.clear();
        panel->show(phrase);
        expand(true);
        QCOMPARE(texts({"context", "exampleMalay", "note"}), (QStringList{phrase.context, "-", "-"}));
        QVERIFY(!item("wordGrid") && !item("conversationLabel"));
    }

    void gesturesReachTheRightCallbacks()
    {
        panel->show(samplePhrase());
        expand(false);
        click("compactCard", QPointF(5, 5)); // anywhere on the compact card
        expand(true);
        click("lookupButton", QPointF(2, 2)); // the frame's corner counts
        for (const char *button : {"dismissButton", "openButton", "nextButton"})
            click(button);
        panel->window()->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(panel->window()));
        QTest::keyClick(panel->window(), Qt::Key_Escape);
        expand(false);
        QTest::keyClick(panel->window(), Qt::Key_Escape); // the compact card has no such key
        QCOMPARE(calls, (QStringList{"expand", "lookup", "dismiss", "open", "next", "dismiss"}));
    }

    // Collapsed: the short title, and a tap anywhere expands. Expanded: the
    // store's status line as the body, and only the buttons answer.
    void messagesShowTheirTextsAndOnlyTheCollapsedOneExpandsOnATap()
    {
        const CardMessage message = cardMessage(PhraseStore::State::unavailable, "Offline.");
        panel->showMessage(PhraseStore::State::unavailable, "Offline.");
        expand(false);
        QCOMPARE(layout(), QStringLiteral("message"));
        QCOMPARE(texts({"shortTitle", "longTitle"}), (QStringList{message.shortTitle, "-"}));
        QVERIFY(!item("actionButton"));
        click("messageCard", QPointF(item("messageCard")->width() / 2, 4));
        click("dismissButton");
        expand(true);
        QCOMPARE(texts({"longTitle", "body"}), (QStringList{message.longTitle, "Offline."}));
        click("messageCard", QPointF(item("messageCard")->width() / 2, item("messageCard")->height() - 6));
        click("actionButton");
        QCOMPARE(calls, (QStringList{"expand", "dismiss", "action"})); // the empty area did nothing
    }
};

int main(int argc, char **argv) { return runOnTwoScreens<PhraseCardViewTest>(argc, argv); }
#include "tst_phrase_card_view.moc"
