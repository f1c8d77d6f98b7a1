// The card's QML view driven through its model: which layout and texts show
// for each state, and which callback each gesture reaches.
#include "card/card_panel.h"
#include "card/ink.h"

#include <QAccessible>
#include <QApplication>
#include <QPalette>
#include <QQuickItem>
#include <QTest>

namespace {

Phrase fullPhrase()
{
    return Phrase{QStringLiteral("p1"),
                  QStringLiteral("Kurang pedas sikit"),
                  QStringLiteral("A bit less spicy"),
                  QStringLiteral("Food"),
                  QStringLiteral("At the hawker stall."),
                  {{QStringLiteral("kurang"), QStringLiteral("less")}, {QStringLiteral("pedas"), QStringLiteral("spicy")},
                   {QStringLiteral("sikit"), QStringLiteral("a little")}},
                  {QStringLiteral("First note."), QStringLiteral("Second note.")},
                  {{QStringLiteral("Satu, kurang pedas."), QStringLiteral("One, less spicy."), QStringLiteral("Ordering")},
                   {QStringLiteral("Second example."), QStringLiteral("Second English."), QStringLiteral("Later")}}};
}

Phrase barePhrase()
{
    Phrase phrase = fullPhrase();
    phrase.words.clear();
    phrase.notes.clear();
    phrase.usageExamples.clear();
    return phrase;
}

} // namespace

class PhraseCardViewTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CardPanel> panel;
    QStringList calls;

    QQuickItem *root() const { return panel->window()->rootObject(); }

    // The visible item with this object name in the current layout, or null.
    QQuickItem *visibleItem(const QString &name) const
    {
        for (QQuickItem *item : root()->findChildren<QQuickItem *>(name)) {
            if (item->isVisible())
                return item;
        }
        return nullptr;
    }

    QString textOf(const QString &name) const
    {
        QQuickItem *item = visibleItem(name);
        return item ? item->property("text").toString() : QStringLiteral("<absent>");
    }

    void click(QQuickItem *item, QPointF at = QPointF(-1, -1))
    {
        QVERIFY(item);
        const QPointF local = at.x() < 0 ? QPointF(item->width() / 2, item->height() / 2) : at;
        QTest::mouseClick(panel->window(), Qt::LeftButton, {}, item->mapToScene(local).toPoint());
    }

    void settle() { QTest::qWait(30); }

    static QString accessibleName(QQuickItem *item)
    {
        QAccessibleInterface *accessible = item ? QAccessible::queryAccessibleInterface(item) : nullptr;
        return accessible ? accessible->text(QAccessible::Name) : QStringLiteral("<none>");
    }

private Q_SLOTS:
    void init()
    {
        qputenv("PELORA_REDUCE_MOTION", "1");
        panel = std::make_unique<CardPanel>();
        calls.clear();
        CardModel *model = panel->model();
        model->onDismiss = [this] { calls << QStringLiteral("dismiss"); };
        model->onNext = [this] { calls << QStringLiteral("next"); };
        model->onOpen = [this] { calls << QStringLiteral("open"); };
        model->onLookup = [this] { calls << QStringLiteral("lookup"); };
        model->onExpand = [this] { calls << QStringLiteral("expand"); };
        model->onAction = [this] { calls << QStringLiteral("action"); };
    }

    void cleanup() { panel.reset(); }

    void choosesTheLayoutFromPhraseAndExpandedFlag()
    {
        panel->show(fullPhrase());
        QVERIFY(QTest::qWaitForWindowExposed(panel->window()));
        QCOMPARE(root()->property("layout").toString(), QStringLiteral("compactPhrase"));
        QCOMPARE(textOf(QStringLiteral("compactMalay")), QStringLiteral("Kurang pedas sikit"));
        QCOMPARE(accessibleName(visibleItem(QStringLiteral("compactCard"))),
                 QStringLiteral("Kurang pedas sikit. Expand phrase card"));

        panel->expand(true);
        settle();
        QCOMPARE(root()->property("layout").toString(), QStringLiteral("expandedPhrase"));
        QVERIFY(!visibleItem(QStringLiteral("compactMalay")));

        panel->showMessage(PhraseStore::State::signedOut, QString());
        settle();
        QCOMPARE(root()->property("layout").toString(), QStringLiteral("message"));
    }

    void expandedPhraseShowsOnlyTheFirstExampleAndNote()
    {
        panel->show(fullPhrase());
        panel->expand(true);
        settle();
        QCOMPARE(textOf(QStringLiteral("category")), QStringLiteral("FOOD"));
        QCOMPARE(textOf(QStringLiteral("expandedMalay")), QStringLiteral("Kurang pedas sikit"));
        QCOMPARE(textOf(QStringLiteral("english")), QStringLiteral("A bit less spicy"));
        QVERIFY(visibleItem(QStringLiteral("wordGrid")));
        QCOMPARE(textOf(QStringLiteral("conversationLabel")), QStringLiteral("IN CONVERSATION"));
        QCOMPARE(textOf(QStringLiteral("exampleMalay")), QStringLiteral("Satu, kurang pedas."));
        QCOMPARE(textOf(QStringLiteral("exampleEnglish")), QStringLiteral("One, less spicy."));
        QCOMPARE(textOf(QStringLiteral("note")), QStringLiteral("First note."));
        QVERIFY(!root()->findChild<QQuickItem *>(QStringLiteral("situation")));
    }

    void aBarePhraseHasNoEmptySections()
    {
        panel->show(barePhrase());
        panel->expand(true);
        settle();
        QVERIFY(!visibleItem(QStringLiteral("wordGrid")));
        QVERIFY(!visibleItem(QStringLiteral("conversationLabel")));
        QVERIFY(!visibleItem(QStringLiteral("exampleMalay")));
        QVERIFY(!visibleItem(QStringLiteral("note")));
        QCOMPARE(textOf(QStringLiteral("context")), QStringLiteral("At the hawker stall."));
        QCOMPARE(textOf(QStringLiteral("english")), QStringLiteral("A bit less spicy"));
    }

    void aLongPhraseIsCutInTheCompactCardAndWrapsWhenExpanded()
    {
        Phrase phrase = fullPhrase();
        phrase.malay = QStringLiteral("Boleh tolong bungkus yang ini dan kurangkan gula dalam teh tarik saya?");
        panel->show(phrase);
        QVERIFY(QTest::qWaitForWindowExposed(panel->window()));
        QQuickItem *compact = visibleItem(QStringLiteral("compactMalay"));
        QVERIFY(compact->property("truncated").toBool());
        QCOMPARE(compact->property("lineCount").toInt(), 1);

        panel->expand(true);
        settle();
        QQuickItem *expanded = visibleItem(QStringLiteral("expandedMalay"));
        QVERIFY(expanded->property("lineCount").toInt() > 1);
        QVERIFY(expanded->property("selectByMouse").toBool());
        QVERIFY(expanded->width() <= panel->window()->width() - 44);
    }

    void clicksReachTheRightCallbacks()
    {
        panel->show(fullPhrase());
        QVERIFY(QTest::qWaitForWindowExposed(panel->window()));
        click(visibleItem(QStringLiteral("compactCard")), QPointF(5, 5)); // anywhere on the compact card
        QCOMPARE(calls, QStringList{"expand"});

        panel->expand(true);
        settle();
        calls.clear();
        click(visibleItem(QStringLiteral("lookupButton")), QPointF(2, 2)); // the frame's corner counts
        click(visibleItem(QStringLiteral("dismissButton")));
        click(visibleItem(QStringLiteral("openButton")));
        click(visibleItem(QStringLiteral("nextButton")));
        QCOMPARE(calls, (QStringList{"lookup", "dismiss", "open", "next"}));
    }

    void escapeDismissesTheExpandedPhraseCard()
    {
        panel->show(fullPhrase());
        panel->expand(true);
        panel->window()->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(panel->window()));
        QTest::keyClick(panel->window(), Qt::Key_Escape);
        QCOMPARE(calls, QStringList{"dismiss"});

        // The compact card has no such key.
        calls.clear();
        panel->expand(false);
        settle();
        QTest::keyClick(panel->window(), Qt::Key_Escape);
        QVERIFY(calls.isEmpty());
    }

    void theCollapsedMessageExpandsOnATapButTheExpandedOneDoesNot()
    {
        panel->showMessage(PhraseStore::State::unavailable, QStringLiteral("Offline."));
        QVERIFY(QTest::qWaitForWindowExposed(panel->window()));
        QQuickItem *card = visibleItem(QStringLiteral("messageCard"));
        click(card, QPointF(card->width() / 2, 4));
        QCOMPARE(calls, QStringList{"expand"});
        click(visibleItem(QStringLiteral("dismissButton")));
        QCOMPARE(calls, (QStringList{"expand", "dismiss"}));

        panel->expand(true);
        settle();
        calls.clear();
        card = visibleItem(QStringLiteral("messageCard"));
        click(card, QPointF(card->width() / 2, card->height() - 6)); // empty area at the bottom
        QVERIFY(calls.isEmpty());
        click(visibleItem(QStringLiteral("actionButton")));
        QCOMPARE(calls, QStringList{"action"});
    }

    void messageTextsFollowTheState_data()
    {
        QTest::addColumn<PhraseStore::State>("state");
        QTest::addColumn<QString>("shortTitle");
        QTest::addColumn<QString>("longTitle");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("action");
        const QString detail = QStringLiteral("Status line from the store.");
        QTest::newRow("signedOut") << PhraseStore::State::signedOut << "Your Malay, a little closer."
                                   << "A small moment for the Malay you’ve saved."
                                   << "Sign in to your Pelora account. A phrase from your own library will find "
                                      "its way here, at your chosen pace."
                                   << "Sign in to Pelora";
        QTest::newRow("loading") << PhraseStore::State::loading << "A little moment…" << "A little moment…" << detail
                                 << "Try again";
        QTest::newRow("ready") << PhraseStore::State::ready << "Let’s reconnect." << "Let’s reconnect." << detail
                               << "Try again";
        QTest::newRow("empty") << PhraseStore::State::empty << "Your first phrase starts here."
                               << "Your first phrase starts here."
                               << "Look up a phrase here on your computer and save it to your library. A few "
                                  "words, a little more often."
                               << "Look up a phrase";
        QTest::newRow("unavailable") << PhraseStore::State::unavailable << "Let’s reconnect." << "Let’s reconnect."
                                     << detail << "Try again";
    }

    void messageTextsFollowTheState()
    {
        QFETCH(PhraseStore::State, state);
        QFETCH(QString, shortTitle);
        QFETCH(QString, longTitle);
        QFETCH(QString, body);
        QFETCH(QString, action);
        panel->showMessage(state, QStringLiteral("Status line from the store."));
        QVERIFY(QTest::qWaitForWindowExposed(panel->window()));
        QCOMPARE(textOf(QStringLiteral("shortTitle")), shortTitle);
        QVERIFY(!visibleItem(QStringLiteral("longTitle"))); // collapsed: the header only
        QVERIFY(!visibleItem(QStringLiteral("actionButton")));

        panel->expand(true);
        settle();
        QCOMPARE(textOf(QStringLiteral("longTitle")), longTitle);
        QCOMPARE(textOf(QStringLiteral("body")), body);
        QCOMPARE(accessibleName(visibleItem(QStringLiteral("actionButton"))), action);
    }

    void aDarkDesktopStillGetsTheLightCard()
    {
        QPalette dark;
        dark.setColor(QPalette::Window, Qt::black);
        dark.setColor(QPalette::WindowText, Qt::white);
        dark.setColor(QPalette::Base, Qt::black);
        dark.setColor(QPalette::Text, Qt::white);
        QGuiApplication::setPalette(dark);
        panel->showMessage(PhraseStore::State::signedOut, QString());
        panel->expand(true);
        QVERIFY(QTest::qWaitForWindowExposed(panel->window()));
        settle();
        const QImage picture = panel->window()->grabWindow();
        QGuiApplication::setPalette(QPalette());
        QCOMPARE(picture.pixelColor(panel->window()->width() / 2, panel->window()->height() - 4).rgb(),
                 Ink::paper().rgb());
        QCOMPARE(picture.pixelColor(panel->window()->width() / 2, 0).rgb(), Ink::line().rgb());
    }
};

int main(int argc, char **argv)
{
    qputenv("QT_QUICK_BACKEND", "software");
    QApplication app(argc, argv);
    PhraseCardViewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_phrase_card_view.moc"
