#include "card/panel_placement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace PanelPlacement {

int screenIndexForPointer(const QList<QRect> &frames, QPoint pointer, int primaryIndex)
{
    for (qsizetype i = 0; i < frames.size(); ++i) {
        if (frames.at(i).contains(pointer))
            return int(i);
    }
    if (primaryIndex >= 0 && primaryIndex < frames.size())
        return primaryIndex;
    return frames.isEmpty() ? -1 : 0;
}

QRect cardFrame(const QRect &visibleArea, bool expanded)
{
    const QSize preferred = expanded ? expandedCardSize : collapsedCardSize;
    const int reserve = 2 * cardMargin;
    // A visible area smaller than the reserve would give a negative size;
    // keep the window at least one pixel so it stays a valid window.
    const int width = std::max(1, std::min(preferred.width(), visibleArea.width() - reserve));
    const int height = std::max(1, std::min(preferred.height(), visibleArea.height() - reserve));
    const int left = visibleArea.x() + cardMargin;
    const int bottomEdge = visibleArea.y() + visibleArea.height() - cardMargin; // exclusive
    return QRect(left, bottomEdge - height, width, height);
}

QScreen *screenUnderPointer()
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    QList<QRect> frames;
    for (QScreen *screen : screens)
        frames.append(screen->geometry());
    const int index =
        screenIndexForPointer(frames, QCursor::pos(), int(screens.indexOf(QGuiApplication::primaryScreen())));
    return index >= 0 ? screens.at(index) : nullptr;
}

} // namespace PanelPlacement
