#pragma once
// For the card's and the lookup window's view tests and the screenshot renderer.
#include "library/phrase.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// Two of everything the expanded card shows only the first of.
inline Phrase samplePhrase(const QString &id = u"p1"_s)
{
    return Phrase{
        id,
        u"Kurang pedas sikit, boleh?"_s,
        u"A bit less spicy, please?"_s,
        u"At the hawker centre"_s,
        u"Said when ordering at a stall. “Sikit” softens the request, so it sounds friendly rather than fussy."_s,
        {{u"kurang"_s, u"less"_s}, {u"pedas"_s, u"spicy"_s}, {u"sikit"_s, u"a little"_s}, {u"boleh"_s, u"can / may"_s}},
        {u"“Sikit” is the everyday form of “sedikit”."_s, u"A second note."_s},
        {{u"Mee goreng satu, kurang pedas sikit."_s, u"One fried noodles, a bit less spicy."_s, u"Ordering"_s},
         {u"Second example."_s, u"Not shown."_s, u"Never"_s}}};
}

// Walks child items: a Repeater's delegates are not QObject children.
inline QQuickItem *visibleItem(QQuickItem *from, const QString &name)
{
    for (QQuickItem *child : from->childItems()) {
        if (!child->isVisible())
            continue;
        if (child->objectName() == name)
            return child;
        if (QQuickItem *found = visibleItem(child, name))
            return found;
    }
    return nullptr;
}

// Markup a hostile web app might send: it must be shown as typed, and the
// address must never be fetched.
inline QString hostileText(quint16 port)
{
    return u"<b>bold</b> &amp; <img src=\"http://127.0.0.1:%1/x\">"_s.arg(port);
}

// The visible texts of a view, and whether each is drawn as plain text.
inline QList<std::pair<QString, bool>> shownTexts(QQuickItem *from)
{
    QList<std::pair<QString, bool>> texts;
    for (QQuickItem *child : from->childItems()) {
        if (!child->isVisible())
            continue;
        const QVariant format = child->property("textFormat");
        const QString text = child->property("text").toString();
        if (format.isValid() && !text.isEmpty())
            texts.append({text, format.toInt() == 0 /* PlainText */});
        texts += shownTexts(child);
    }
    return texts;
}

// What a screen reader finds in a window: "Role: name" for every node it can
// reach (invisible ones left out), depth first.
inline QStringList accessibleTree(QAccessibleInterface *node)
{
    QStringList lines;
    for (int i = 0; node && i < node->childCount(); ++i) {
        QAccessibleInterface *child = node->child(i);
        if (!child || child->state().invisible)
            continue;
        const QString role = QString::fromLatin1(QMetaEnum::fromType<QAccessible::Role>().valueToKey(child->role()));
        lines << role + u": "_s + child->text(QAccessible::Name);
        lines += accessibleTree(child);
    }
    return lines;
}
inline QStringList accessibleTree(QWindow *window)
{
    return accessibleTree(QAccessible::queryAccessibleInterface(window));
}

// The lines of `wanted` that `tree` lacks: compared with an empty list, a
// failure names them.
inline QStringList missingFrom(const QStringList &tree, const QStringList &wanted)
{
    QStringList missing;
    for (const QString &line : wanted)
        if (!tree.contains(line))
            missing << line;
    return missing;
}

// After a view showed hostileText(listener's port): nothing reached the port,
// every text holding the markup is drawn as plain text, and a screen reader
// finds `nodes` ("Role: name", %1 the text, %2 in capitals).
inline void verifyShownAsTyped(QQuickWindow *window, const QTcpServer &listener, QStringList nodes)
{
    QTest::qWait(300);
    QCOMPARE(listener.hasPendingConnections(), false);
    const QString hostile = hostileText(listener.serverPort());
    QStringList shownAsTyped;
    QStringList drawnAsMarkup;
    for (const auto &[text, plain] : shownTexts(window->contentItem())) {
        if (text == hostile)
            shownAsTyped << text;
        if (!plain && text.contains(u"<b>"_s, Qt::CaseInsensitive))
            drawnAsMarkup << text;
    }
    QVERIFY(!shownAsTyped.isEmpty());
    QCOMPARE(drawnAsMarkup, QStringList());
    for (QString &node : nodes)
        node.replace(u"%2"_s, hostile.toUpper()).replace(u"%1"_s, hostile);
    QCOMPARE(missingFrom(accessibleTree(window), nodes), QStringList());
}

// Every visible text of the view is in the accessibility tree under its own
// text, or names an accessible parent (a button's label); no image is.
inline void verifyReadable(QQuickWindow *window)
{
    const QStringList tree = accessibleTree(window);
    QStringList unreadable;
    const std::function<void(QQuickItem *, bool)> walk = [&](QQuickItem *item, bool named) {
        for (QQuickItem *child : item->childItems()) {
            if (!child->isVisible())
                continue;
            const QString text = child->property("text").toString();
            const bool isText = child->property("textFormat").isValid() && !text.isEmpty();
            const bool readable =
                child->property("labelOfParent").toBool() ? named : tree.contains(u"StaticText: "_s + text);
            if (isText && !readable)
                unreadable << text;
            QAccessibleInterface *node = QAccessible::queryAccessibleInterface(child);
            walk(child, named || (!isText && node && !node->text(QAccessible::Name).isEmpty()));
        }
    };
    walk(window->contentItem(), false);
    QCOMPARE(unreadable, QStringList());
    QCOMPARE(tree.filter(u"Graphic:"_s), QStringList());
}

inline void clickItem(QQuickWindow *window, QQuickItem *item, QPointF at = {-1, -1})
{
    QVERIFY(item);
    at = at.x() < 0 ? QPointF(item->width() / 2, item->height() / 2) : at;
    QTest::mouseClick(window, Qt::LeftButton, {}, item->mapToScene(at).toPoint());
}

// A 1440×900 laptop (the primary) and a 1920×1080 monitor to its right.
template <class Test> int runOnTwoScreens(int argc, char **argv)
{
    QTemporaryDir folder;
    QFile file(folder.filePath(u"screens.json"_s));
    const QByteArray screens = R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1440, "height": 900},
        {"name": "monitor", "x": 1440, "y": 0, "width": 1920, "height": 1080}]})"_ba;
    if (!file.open(QIODevice::WriteOnly) || file.write(screens) < 0 || !file.flush())
        return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile="_ba + file.fileName().toLocal8Bit());
    qputenv("QT_QUICK_BACKEND", "software");
    QApplication app(argc, argv);
    Test test;
    return QTest::qExec(&test, argc, argv);
}
