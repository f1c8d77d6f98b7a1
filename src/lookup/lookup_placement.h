#pragma once

#include <QRect>

// Where the lookup window goes, in Qt's global coordinates (y grows
// downwards): centred in the visible area inset by 24, its top 16 % of the
// area's height below the area's top, pushed up if it would hang below.
namespace LookupPlacement {

inline constexpr int inset = 24;
inline constexpr int maxWidth = 660;
inline constexpr int plainHeight = 410; // without a card
inline constexpr int cardHeight = 680;  // with a card
inline constexpr double topFraction = 0.16;

int heightLimit(bool withCard);

// The frame for a freshly shown window.
QRect frame(const QRect &visibleArea, bool withCard);

// The frame after growing or shrinking in place: same left edge, width and
// top, unless the new height would reach below the area, in which case the
// window moves up just enough.
QRect resized(const QRect &visibleArea, const QRect &current, bool withCard);

} // namespace LookupPlacement
