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
    return Phrase{u"p1"_s, text, text, text, text, {{text, text}}, {text}, {{text, text, text}}};
}
} // namespace

class CardViewTest : public QObject {
    Q_OBJECT
    QQuickItem *item(CardPanel &panel, const QString &name) { return visibleItem(panel.window()->rootObject(), name); }

private Q_SLOTS:
    void init() { qputenv("PELORA_REDUCE_MOTION", "1"); }

    void remoteTextIsShownAsTyped_data()
    {
        QTest::addColumn<Show>("show");
        QTest::addColumn<QStringList>("nodes"); // what a screen reader must find, %1 the text
        QTest::newRow("compact") << compact << QStringList{u"Button: %1. Expand phrase card"_s};
        QTest::newRow("expanded") << expanded << QStringList{u"StaticText: %1"_s, u"StaticText: %2"_s};
        QTest::newRow("message detail") << message(State::unavailable, true) << QStringList{u"StaticText: %1"_s};
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
        QTest::newRow("http image") << uR"(Image { source: "http://127.0.0.1:%1/x.png" })"_s << 3;
        QTest::newRow("rich text image")
            << uR"(Text { textFormat: Text.RichText; text: "<img src='http://127.0.0.1:%1/x'>" })"_s << -1;
        QTest::newRow("own image") << uR"(Image { source: "qrc:/pelora/card/images/pelora.png"; objectName: "%1" })"_s
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
        component.setData((u"import QtQuick\n"_s + qml.arg(listener.serverPort())).toUtf8(), QUrl(u"qrc:/test.qml"_s));
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
        QTest::newRow("compact") << compact << QStringList{u"Button: Kurang pedas sikit, boleh?. Expand phrase card"_s};
        QTest::newRow("expanded") << expanded
                                  << QStringList{u"Button: Look up a phrase"_s, u"Button: Dismiss phrase"_s,
                                                 u"Button: Open my phrasebook"_s, u"Button: Next phrase"_s,
                                                 u"StaticText: Kurang pedas sikit, boleh?"_s};
        QTest::newRow("message collapsed") << message(State::signedOut, false)
                                           << QStringList{u"Button: Expand card"_s, u"Button: Dismiss card"_s,
                                                          u"StaticText: Your Malay, a little closer."_s};
        QTest::newRow("message expanded")
            << message(State::unavailable, true)
            << QStringList{u"StaticText: Let’s reconnect."_s, u"StaticText: A bit less spicy, please?"_s,
                           u"Button: Try again"_s, u"Button: Dismiss card"_s};
    }
    void everyTextIsReadable()
    {
        QFETCH(Show, show);
        QFETCH(QStringList, labels);
        CardPanel panel;
        show(panel, samplePhrase());
        QVERIFY(QTest::qWaitForWindowExposed(panel.window()));
        verifyReadable(panel.window());
        QCOMPARE(missingFrom(accessibleTree(panel.window()), labels), QStringList());
    }

    // Drag over the first word, then Ctrl+C or the menu's "Copy"; the menu
    // copies the whole Malay when nothing is selected.
    void theExpandedMalayCanBeCopied_data()
    {
        QTest::addColumn<bool>("select");
        QTest::addColumn<bool>("byMenu");
        QTest::addColumn<QString>("copied");
        QTest::newRow("selection, Ctrl+C") << true << false << u"Kurang"_s;
        QTest::newRow("selection, menu") << true << true << u"Kurang"_s;
        QTest::newRow("no selection, menu") << false << true << u"Kurang pedas sikit, boleh?"_s;
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
        QQuickItem *malay = item(panel, u"expandedMalay"_s);
        QVERIFY(malay);
        QGuiApplication::clipboard()->clear();
        const qreal line = malay->property("cursorRectangle").toRectF().height() / 2;
        const QPoint start = malay->mapToScene(QPointF(1, line)).toPoint();
        QCOMPARE(window->takesFocus(), false); // expanded by hovering
        QTest::mouseClick(window, Qt::LeftButton, {}, start);
        QCOMPARE(window->takesFocus(), true); // the learner pressed into the text: Ctrl+C must reach it
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
            QCOMPARE(malay->property("selectedText").toString(), u"Kurang"_s);
        }
        if (byMenu) {
            QTest::mouseClick(window, Qt::RightButton, {}, start);
            QTRY_VERIFY(visibleItem(window->contentItem(), u"copyMenuItem"_s));
            clickItem(window, visibleItem(window->contentItem(), u"copyMenuItem"_s));
        } else {
            QTest::keySequence(window, QKeySequence::Copy);
        }
        QCOMPARE(QGuiApplication::clipboard()->text(), copied);
    }

    // Category 10 above the Malay, context 22 below the English (18 below the
    // words), "IN CONVERSATION" 22 below the context: empty fields keep them.
    void emptyFieldsKeepTheirGaps_data()
    {
        QTest::addColumn<bool>("empty");
        QTest::newRow("every field set") << false;
        QTest::newRow("no category, context or words") << true;
    }
    void emptyFieldsKeepTheirGaps()
    {
        QFETCH(bool, empty);
        Phrase phrase = samplePhrase();
        if (empty) {
            phrase.category.clear();
            phrase.context.clear();
            phrase.words.clear();
        }
        CardPanel panel;
        expanded(panel, phrase);
        QVERIFY(QTest::qWaitForWindowExposed(panel.window()));
        QQuickItem *category = panel.window()->rootObject()->findChild<QQuickItem *>(u"category"_s);
        QQuickItem *context = panel.window()->rootObject()->findChild<QQuickItem *>(u"context"_s);
        QQuickItem *above = item(panel, empty ? u"english"_s : u"wordGrid"_s);
        // (floored: the layout rounds sizes up to whole pixels)
        const auto gap = [](qreal top, QQuickItem *over) { return qFloor(0.05 + top - over->y() - over->height()); };
        QCOMPARE(category->height() > 0, !empty);
        QCOMPARE(gap(item(panel, u"expandedMalay"_s)->y(), category), 10);
        QCOMPARE(gap(context->y(), above), empty ? 22 : 18);
        QCOMPARE(gap(item(panel, u"conversationLabel"_s)->y(), context), 22);
    }
};

int main(int argc, char **argv)
{
    return runOnTwoScreens<CardViewTest>(argc, argv);
}
#include "tst_card_view.moc"
