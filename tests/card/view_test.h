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

// Two of everything the expanded card shows only the first of.
inline Phrase samplePhrase(const QString &id = QStringLiteral("p1"))
{
    return Phrase{
        id,
        "Kurang pedas sikit, boleh?",
        "A bit less spicy, please?",
        "At the hawker centre",
        "Said when ordering at a stall. “Sikit” softens the request, so it sounds friendly rather than fussy.",
        {{"kurang", "less"}, {"pedas", "spicy"}, {"sikit", "a little"}, {"boleh", "can / may"}},
        {"“Sikit” is the everyday form of “sedikit”.", "A second note."},
        {{"Mee goreng satu, kurang pedas sikit.", "One fried noodles, a bit less spicy.", "Ordering"},
         {"Second example.", "Not shown.", "Never"}}};
}

// Walks child items: a Repeater's delegates are not QObject children.
inline QQuickItem *visibleItem(QQuickItem *from, const QString &name)
{
    for (QQuickItem *child : from->childItems())
        if (QQuickItem *found = !child->isVisible() ? nullptr
                : child->objectName() == name       ? child
                                                    : visibleItem(child, name))
            return found;
    return nullptr;
}

// Markup a hostile web app might send: it must be shown as typed, and the
// address must never be fetched.
inline QString hostileText(quint16 port)
{
    return QStringLiteral("<b>bold</b> &amp; <img src=\"http://127.0.0.1:%1/x\">").arg(port);
}

// The visible texts of a view, and whether each is drawn as plain text.
inline QList<std::pair<QString, bool>> shownTexts(QQuickItem *from)
{
    QList<std::pair<QString, bool>> texts;
    for (QQuickItem *child : from->childItems()) {
        if (!child->isVisible())
            continue;
        const QVariant format = child->property("textFormat");
        if (format.isValid() && !child->property("text").toString().isEmpty())
            texts.append({child->property("text").toString(), format.toInt() == 0 /* PlainText */});
        texts += shownTexts(child);
    }
    return texts;
}

inline QStringList accessibleTree(QWindow *window);

// After a view showed hostileText(listener's port): nothing reached the port,
// every text holding the markup is drawn as plain text, and a screen reader
// finds `nodes` ("Role: name", %1 the text, %2 in capitals).
inline void verifyShownAsTyped(QQuickWindow *window, const QTcpServer &listener, const QStringList &nodes)
{
    QTest::qWait(300);
    QCOMPARE(listener.hasPendingConnections(), false);
    const QString hostile = hostileText(listener.serverPort());
    const auto texts = shownTexts(window->contentItem());
    QVERIFY(std::any_of(texts.begin(), texts.end(), [&](const auto &text) { return text.first == hostile; }));
    for (const auto &[text, plain] : texts)
        QVERIFY2(plain || !text.contains(QLatin1String("<b>"), Qt::CaseInsensitive), qPrintable(text));
    const QStringList tree = accessibleTree(window);
    for (const QString &node : nodes)
        QVERIFY2(tree.contains(node.contains("%2")       ? node.arg(hostile, hostile.toUpper())
                                   : node.contains("%1") ? node.arg(hostile)
                                                         : node),
                 qPrintable(node + " missing from " + tree.join(" | ")));
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
        lines << role + QStringLiteral(": ") + child->text(QAccessible::Name);
        lines += accessibleTree(child);
    }
    return lines;
}
inline QStringList accessibleTree(QWindow *window)
{
    return accessibleTree(QAccessible::queryAccessibleInterface(window));
}

// Every visible text of the view is in the accessibility tree under its own
// text, or names an accessible parent (a button's label); no image is.
inline void verifyReadable(QQuickWindow *window)
{
    const QStringList tree = accessibleTree(window);
    QVERIFY2(!tree.join('\n').contains(QStringLiteral("Graphic:")), qPrintable(tree.join(" | ")));
    const std::function<void(QQuickItem *, bool)> walk = [&](QQuickItem *item, bool named) {
        for (QQuickItem *child : item->childItems()) {
            if (!child->isVisible())
                continue;
            const QString text = child->property("text").toString();
            const bool isText = child->property("textFormat").isValid() && !text.isEmpty();
            if (isText && child->property("labelOfParent").toBool())
                QVERIFY2(named, qPrintable(text + " names no accessible parent"));
            else if (isText)
                QVERIFY2(tree.contains(QStringLiteral("StaticText: ") + text),
                         qPrintable(text + " is not readable in " + tree.join(" | ")));
            QAccessibleInterface *node = QAccessible::queryAccessibleInterface(child);
            walk(child, named || (!isText && node && !node->text(QAccessible::Name).isEmpty()));
        }
    };
    walk(window->contentItem(), false);
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
    QFile file(folder.filePath(QStringLiteral("screens.json")));
    if (!file.open(QIODevice::WriteOnly)
        || file.write(R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1440, "height": 900},
        {"name": "monitor", "x": 1440, "y": 0, "width": 1920, "height": 1080}]})")
            < 0
        || !file.flush())
        return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + file.fileName().toLocal8Bit());
    qputenv("QT_QUICK_BACKEND", "software");
    QApplication app(argc, argv);
    Test test;
    return QTest::qExec(&test, argc, argv);
}
