#pragma once
// For the card's and the lookup window's view tests and the screenshot renderer.
#include "library/phrase.h"

#include <QApplication>
#include <QFile>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>

// Two of everything the expanded card shows only the first of.
inline Phrase samplePhrase(const QString &id = QStringLiteral("p1"))
{
    return Phrase{id, "Kurang pedas sikit, boleh?", "A bit less spicy, please?", "At the hawker centre",
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
        if (QQuickItem *found = !child->isVisible() ? nullptr : child->objectName() == name ? child : visibleItem(child, name))
            return found;
    return nullptr;
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
    if (!file.open(QIODevice::WriteOnly) || file.write(R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1440, "height": 900},
        {"name": "monitor", "x": 1440, "y": 0, "width": 1920, "height": 1080}]})") < 0 || !file.flush())
        return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + file.fileName().toLocal8Bit());
    qputenv("QT_QUICK_BACKEND", "software");
    QApplication app(argc, argv);
    Test test;
    return QTest::qExec(&test, argc, argv);
}
