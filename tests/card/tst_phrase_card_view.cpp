// The card's QML view driven through its model: which layout and texts show
// for each state, and which callback each gesture reaches.
#include "card/card_messages.h"
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
                  {{QStringLiteral("kurang"), QStringLiteral("less")}, {QStringLiteral("pedas"), QStringLiteral("spicy")}},
                  {QStringLiteral("First note."), QStringLiteral("Second note.")},
                  {{QStringLiteral("Satu, kurang pedas."), QStringLiteral("One, less spicy."), QStringLiteral("Ordering")},
                   {QStringLiteral("Second example."), QStringLiteral("Second English."), QStringLiteral("Later")}}};
}

} // namespace

class PhraseCardViewTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CardPanel> panel;
    QStringList calls;

    QQuickItem *root() const { return panel->window()->rootObject(); }
    QString layout() const { return root()->property("layout").toString(); }

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

    void click(const QString &name, QPointF at = QPointF(-1, -1))
    {
        QQuickItem *item = visibleItem(name);
        QVERIFY2(item, qPrintable(name));
        const QPointF local = at.x() < 0 ? QPointF(item->width() / 2, item->height() / 2) : at;
        QTest::mouseClick(panel->window(), Qt::LeftButton, {}, item->mapToScene(local).toPoint());
    }

    void expand(bool expanded)
    {
        panel->expand(expanded);
        QTest::qWait(30);
    }

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

    void layoutsAndTheirSections()
    {
        panel->show(fullPhrase());
        QVERIFY(QTest::qWaitForWindowExposed(panel->window()));
        QCOMPARE(layout(), QStringLiteral("compactPhrase"));
        QCOMPARE(accessibleName(visibleItem(QStringLiteral("compactCard"))),
                 QStringLiteral("Kurang pedas sikit. Expand phrase card"));

        expand(true);
        QCOMPARE(layout(), QStringLiteral("expandedPhrase"));
        QVERIFY(!visibleItem(QStringLiteral("compactMalay")));
        QCOMPARE(textOf(QStringLiteral("category")), QStringLiteral("FOOD"));
        QCOMPARE(textOf(QStringLiteral("expandedMalay")), QStringLiteral("Kurang pedas sikit"));
        QVERIFY(visibleItem(QStringLiteral("wordGrid")));
        // Only the first example and the first note.
        QCOMPARE(textOf(QStringLiteral("exampleMalay")), QStringLiteral("Satu, kurang pedas."));
        QCOMPARE(textOf(QStringLiteral("exampleEnglish")), QStringLiteral("One, less spicy."));
        QCOMPARE(textOf(QStringLiteral("note")), QStringLiteral("First note."));
        QVERIFY(!root()->findChild<QQuickItem *>(QStringLiteral("situation")));

        // A bare phrase has no empty sections.
        Phrase bare = fullPhrase();
        bare.words.clear();
        bare.notes.clear();
        bare.usageExamples.clear();
        panel->show(bare);
        expand(true);
        for (const char *name : {"wordGrid", "conversationLabel", "exampleMalay", "note"})
            QVERIFY2(!visibleItem(QLatin1String(name)), name);
        QCOMPARE(textOf(QStringLiteral("context")), QStringLiteral("At the hawker stall."));

        panel->showMessage(PhraseStore::State::signedOut, QString());
        QTest::qWait(30);
        QCOMPARE(layout(), QStringLiteral("message"));
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

        expand(true);
        QQuickItem *expanded = visibleItem(QStringLiteral("expandedMalay"));
        QVERIFY(expanded->property("lineCount").toInt() > 1);
        QVERIFY(expanded->property("selectByMouse").toBool());
        QVERIFY(expanded->width() <= panel->window()->width() - 44);
    }

    void gesturesReachTheRightCallbacks()
    {
        panel->show(fullPhrase());
        QVERIFY(QTest::qWaitForWindowExposed(panel->window()));
        click(QStringLiteral("compactCard"), QPointF(5, 5)); // anywhere on the compact card
        QCOMPARE(calls, QStringList{"expand"});

        expand(true);
        calls.clear();
        click(QStringLiteral("lookupButton"), QPointF(2, 2)); // the frame's corner counts
        click(QStringLiteral("dismissButton"));
        click(QStringLiteral("openButton"));
        click(QStringLiteral("nextButton"));
        QCOMPARE(calls, (QStringList{"lookup", "dismiss", "open", "next"}));

        calls.clear();
        panel->window()->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(panel->window()));
        QTest::keyClick(panel->window(), Qt::Key_Escape);
        QCOMPARE(calls, QStringList{"dismiss"});
        expand(false);
        QTest::keyClick(panel->window(), Qt::Key_Escape); // the compact card has no such key
        QCOMPARE(calls, QStringList{"dismiss"});
    }

    void theCollapsedMessageExpandsOnATapButTheExpandedOneDoesNot()
    {
        panel->showMessage(PhraseStore::State::unavailable, QStringLiteral("Offline."));
        QVERIFY(QTest::qWaitForWindowExposed(panel->window()));
        QQuickItem *card = visibleItem(QStringLiteral("messageCard"));
        click(QStringLiteral("messageCard"), QPointF(card->width() / 2, 4));
        click(QStringLiteral("dismissButton"));
        QCOMPARE(calls, (QStringList{"expand", "dismiss"}));

        expand(true);
        calls.clear();
        card = visibleItem(QStringLiteral("messageCard"));
        click(QStringLiteral("messageCard"), QPointF(card->width() / 2, card->height() - 6)); // empty area
        QVERIFY(calls.isEmpty());
        click(QStringLiteral("actionButton"));
        QCOMPARE(calls, QStringList{"action"});
    }

    void messageTextsFollowTheState_data()
    {
        QTest::addColumn<PhraseStore::State>("state");
        QTest::addColumn<QString>("detail");
        QTest::newRow("fixed texts") << PhraseStore::State::signedOut << "";
        QTest::newRow("the store's status line") << PhraseStore::State::unavailable << "Status line from the store.";
    }

    void messageTextsFollowTheState()
    {
        QFETCH(PhraseStore::State, state);
        QFETCH(QString, detail);
        const CardMessage message = cardMessage(state, detail);
        panel->showMessage(state, detail);
        QVERIFY(QTest::qWaitForWindowExposed(panel->window()));
        QCOMPARE(textOf(QStringLiteral("shortTitle")), message.shortTitle);
        QVERIFY(!visibleItem(QStringLiteral("longTitle"))); // collapsed: the header only
        QVERIFY(!visibleItem(QStringLiteral("actionButton")));

        expand(true);
        QCOMPARE(textOf(QStringLiteral("longTitle")), message.longTitle);
        QCOMPARE(textOf(QStringLiteral("body")), message.body);
        QCOMPARE(accessibleName(visibleItem(QStringLiteral("actionButton"))), message.actionLabel);
        if (!detail.isEmpty())
            QCOMPARE(message.body, detail);
        else
            QVERIFY(message.longTitle != message.shortTitle && !message.body.isEmpty());
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
        QTest::qWait(30);
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
