#pragma once

#include <QList>

class QScreen;
#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QSize>

// Where the floating windows go, as pure functions of the screens' rectangles
// in Qt's global coordinates (y grows downwards). The card sits in the
// bottom-left corner of the visible area, so "growing upward" means its top
// edge moves up while its bottom-left corner stays put.
namespace PanelPlacement {

// The card's two sizes and its distance from the visible area's edges.
inline constexpr QSize collapsedCardSize{272, 64};
inline constexpr QSize expandedCardSize{352, 400};
inline constexpr int cardMargin = 20;

// Index of the first screen whose full frame contains the pointer, else the
// primary screen's index; -1 when there is no screen at all.
int screenIndexForPointer(const QList<QRect> &frames, QPoint pointer, int primaryIndex);

// The attached screen under the pointer by the rule above, read from the
// live screen list (none when there is no screen at all).
QScreen *screenUnderPointer();

// The card's frame inside a visible area: preferred size clamped to the area
// minus twice the margin, bottom-left corner 20 in from the area's
// bottom-left corner. Never narrower or lower than one pixel.
QRect cardFrame(const QRect &visibleArea, bool expanded);

} // namespace PanelPlacement
