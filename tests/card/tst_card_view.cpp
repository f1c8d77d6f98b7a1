// What the card shows, as a sighted learner and a screen reader meet it: text
// from outside shown as typed (and never fetched), every text readable, the
// Malay copyable, and the expanded layout's gaps kept when a field is empty.
#include "card/card_panel.h"
#include "card/view_support.h"
#include "card/view_test.h"

#include <QClipboard>
#include <QQmlComponent>
#include <QQmlEngine>

using State = PhraseStore::State;
using Show = std::function<void(CardPanel &, const Phrase &)>;
Q_DECLARE_METATYPE(Show)

namespace {
const Show compact = [](CardPanel &panel, const Phrase &phrase) { panel.show(phrase); };
const Show expanded = [](CardPanel &panel, const Phrase &phrase) {
    panel.show(phrase);
    panel.expand(true);
};
Show message(State state, bool expand)
{
    return [=](CardPanel &panel, const Phrase &phrase) {
        panel.showMessage(state, phrase.english);
        panel.expand(expand);
    };
}
Phrase everyFieldSetTo(const QString &text)
{
    return Phrase{"p1", text, text, text, text, {{text, text}}, {text}, {{text, text, text}}};
}
} // namespace

class CardViewTest : public QObject {
    Q_OBJECT
    QQuickItem *item(CardPanel &panel, const char *name) { return visibleItem(panel.window()->rootObject(), name); }

private Q_SLOTS:
    void init() { qputenv("PELORA_REDUCE_MOTION", "1"); }

    void remoteTextIsShownAsTyped_data()
    {
        QTest::addColumn<Show>("show");
        QTest::addColumn<QStringList>("nodes"); // what a screen reader must find, %1 the text
        QTest::newRow("compact") << compact << QStringList{"Button: %1. Expand phrase card"};
        QTest::newRow("expanded") << expanded << QStringList{"StaticText: %1", "StaticText: %2"};
        QTest::newRow("message detail") << message(State::unavailable, true) << QStringList{"StaticText: %1"};
    }
    void remoteTextIsShownAsTyped()
    {
        QFETCH(Show, show);
        QFETCH(QStringList, nodes);
        QTcpServer listener;
        QVERIFY(listener.listen(QHostAddress::LocalHost));
        const QString hostile = hostileText(listener.serverPort());
        CardPanel panel;
        show(panel, everyFieldSetTo(hostile));
        QVERIFY(QTest::qWaitForWindowExposed(panel.window()));
        verifyShownAsTyped(panel.window(), listener, nodes);
    }

    // The second wall: whatever a view asks for, only the program's own
    // resources load; nothing reaches a listening port.
    void theViewsReachOnlyTheirOwnResources_data()
    {
        QTest::addColumn<QString>("qml"); // %1: the listening port
        QTest::addColumn<int>("status");  // an image's: 1 ready, 3 error
        QTest::newRow("http image") << R"(Image { source: "http://127.0.0.1:%1/x.png" })" << 3;
        QTest::newRow("https image") << R"(Image { source: "https://127.0.0.1:%1/x.png" })" << 3;
        QTest::newRow("rich text image")
            << R"(Text { textFormat: Text.RichText; text: "<img src='http://127.0.0.1:%1/x'>" })" << -1;
        QTest::newRow("own image") << R"(Image { source: "qrc:/pelora/card/images/pelora.png"; objectName: "%1" })"
                                   << 1;
    }
    void theViewsReachOnlyTheirOwnResources()
    {
        QFETCH(QString, qml);
        QFETCH(int, status);
        QTcpServer listener;
        QVERIFY(listener.listen(QHostAddress::LocalHost));
        QQmlEngine engine;
        ViewSupport::install(engine);
        QQmlComponent component(&engine);
        component.setData(("import QtQuick\n" + qml.arg(listener.serverPort())).toUtf8(), QUrl("qrc:/test.qml"));
        std::unique_ptr<QObject> item(component.create());
        QVERIFY2(item, qPrintable(component.errorString()));
        if (status >= 0)
            QTRY_COMPARE(item->property("status").toInt(), status);
        QTest::qWait(300);
        QCOMPARE(listener.hasPendingConnections(), false);
    }

    void everyTextIsReadable_data()
    {
        QTest::addColumn<Show>("show");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("compact") << compact << QStringList{"Button: Kurang pedas sikit, boleh?. Expand phrase card"};
        QTest::newRow("expanded") << expanded
                                  << QStringList{"Button: Look up a phrase", "Button: Dismiss phrase",
                                                 "Button: Open my phrasebook", "Button: Next phrase",
                                                 "StaticText: Kurang pedas sikit, boleh?"};
        QTest::newRow("message collapsed")
            << message(State::signedOut, false)
            << QStringList{"Button: Expand card", "Button: Dismiss card", "StaticText: Your Malay, a little closer."};
        QTest::newRow("message expanded")
            << message(State::unavailable, true)
            << QStringList{"StaticText: Let’s reconnect.", "StaticText: A bit less spicy, please?", "Button: Try again",
                           "Button: Dismiss card"};
    }
    void everyTextIsReadable()
    {
        QFETCH(Show, show);
        QFETCH(QStringList, labels);
        CardPanel panel;
        show(panel, samplePhrase());
        QVERIFY(QTest::qWaitForWindowExposed(panel.window()));
        verifyReadable(panel.window());
        const QStringList tree = accessibleTree(panel.window());
        for (const QString &label : labels)
            QVERIFY2(tree.contains(label), qPrintable(label + " missing from " + tree.join(" | ")));
    }

    // Drag over the first word, then Ctrl+C or the menu's "Copy"; the menu
    // copies the whole Malay when nothing is selected.
    void theExpandedMalayCanBeCopied_data()
    {
        QTest::addColumn<bool>("select");
        QTest::addColumn<bool>("byMenu");
        QTest::addColumn<QString>("copied");
        QTest::newRow("selection, Ctrl+C") << true << false << "Kurang";
        QTest::newRow("selection, menu") << true << true << "Kurang";
        QTest::newRow("no selection, menu") << false << true << "Kurang pedas sikit, boleh?";
    }
    void theExpandedMalayCanBeCopied()
    {
        QFETCH(bool, select);
        QFETCH(bool, byMenu);
        QFETCH(QString, copied);
        CardPanel panel;
        expanded(panel, samplePhrase());
        FloatingPanel *window = panel.window();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QQuickItem *malay = item(panel, "expandedMalay");
        QVERIFY(malay);
        QGuiApplication::clipboard()->clear();
        const qreal line = malay->property("cursorRectangle").toRectF().height() / 2;
        const QPoint start = malay->mapToScene(QPointF(1, line)).toPoint();
        QVERIFY(!window->takesFocus()); // expanded by hovering
        QTest::mouseClick(window, Qt::LeftButton, {}, start);
        QVERIFY(window->takesFocus()); // the learner pressed into the text: Ctrl+C must reach it
        QVERIFY(QTest::qWaitForWindowActive(window));
        if (select) {
            QTest::mousePress(window, Qt::LeftButton, {}, start);
            QRectF wordEnd;
            QMetaObject::invokeMethod(malay, "positionToRectangle", Q_RETURN_ARG(QRectF, wordEnd), Q_ARG(int, 6));
            const QPoint stop = malay->mapToScene(QPointF(wordEnd.x(), line)).toPoint();
            for (int x = start.x(); x <= stop.x(); x += 8)
                QTest::mouseMove(window, QPoint(x, start.y()));
            QTest::mouseMove(window, stop);
            QTest::mouseRelease(window, Qt::LeftButton, {}, stop);
            QCOMPARE(malay->property("selectedText").toString(), QStringLiteral("Kurang"));
        }
        if (byMenu) {
            QTest::mouseClick(window, Qt::RightButton, {}, start);
            QTRY_VERIFY(visibleItem(window->contentItem(), "copyMenuItem"));
            clickItem(window, visibleItem(window->contentItem(), "copyMenuItem"));
        } else {
            QTest::keySequence(window, QKeySequence::Copy);
        }
        QCOMPARE(QGuiApplication::clipboard()->text(), copied);
    }

    // Category 10 above the Malay, context 22 below the English (18 below the
    // words), "IN CONVERSATION" 22 below the context: empty fields keep them.
    void emptyFieldsKeepTheirGaps_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("context");
        QTest::addColumn<bool>("words");
        QTest::newRow("both set") << "Food"
                                  << "At a stall." << true;
        QTest::newRow("no category") << ""
                                     << "At a stall." << true;
        QTest::newRow("no context") << "Food"
                                    << "" << true;
        QTest::newRow("neither, no words") << ""
                                           << "" << false;
    }
    void emptyFieldsKeepTheirGaps()
    {
        QFETCH(QString, category);
        QFETCH(QString, context);
        QFETCH(bool, words);
        Phrase phrase = samplePhrase();
        phrase.category = category;
        phrase.context = context;
        if (!words)
            phrase.words.clear();
        CardPanel panel;
        expanded(panel, phrase);
        QVERIFY(QTest::qWaitForWindowExposed(panel.window()));
        const auto top = [&](const char *name) { return item(panel, name)->y(); };
        const auto bottom = [&](const char *name) { return top(name) + item(panel, name)->height(); };
        QQuickItem *categoryItem = panel.window()->rootObject()->findChild<QQuickItem *>("category");
        // (floored: the layout rounds sizes up to whole pixels)
        QCOMPARE(qFloor(0.05 + top("expandedMalay") - (categoryItem->y() + categoryItem->height())), 10);
        QCOMPARE(categoryItem->height() > 0, !category.isEmpty());
        QQuickItem *contextItem = panel.window()->rootObject()->findChild<QQuickItem *>("context");
        QCOMPARE(qFloor(0.05 + contextItem->y() - (words ? bottom("wordGrid") : bottom("english"))), words ? 18 : 22);
        QCOMPARE(qFloor(0.05 + top("conversationLabel") - (contextItem->y() + contextItem->height())), 22);
    }
};

int main(int argc, char **argv)
{
    return runOnTwoScreens<CardViewTest>(argc, argv);
}
#include "tst_card_view.moc"
