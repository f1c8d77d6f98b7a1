#include "lookup/lookup_placement.h"

#include <QRectF>
#include <algorithm>
#include <cmath>

namespace LookupPlacement {

namespace {
QRectF areaOf(const QRect &visibleArea)
{
    return QRectF(visibleArea).adjusted(inset, inset, -inset, -inset);
}

// Never smaller than a pixel, so the window stays valid on absurd screens.
double atLeastOne(double value)
{
    return std::max(1.0, value);
}
} // namespace

int heightLimit(bool withCard)
{
    return withCard ? cardHeight : plainHeight;
}

QRect frame(const QRect &visibleArea, bool withCard)
{
    const QRectF area = areaOf(visibleArea);
    const double width = atLeastOne(std::min(area.width(), double(maxWidth)));
    const double height = atLeastOne(std::min(area.height(), double(heightLimit(withCard))));
    const double left = area.center().x() - width / 2;
    const double top = std::min(area.top() + topFraction * area.height(), area.bottom() - height);
    return QRectF(left, top, width, height).toRect();
}

QRect resized(const QRect &visibleArea, const QRect &current, bool withCard)
{
    const QRectF area = areaOf(visibleArea);
    const int height = int(std::lround(atLeastOne(std::min(area.height(), double(heightLimit(withCard))))));
    const int lowestTop = int(std::lround(area.bottom())) - height;
    return QRect(current.left(), std::min(current.top(), lowestTop), current.width(), height);
}

} // namespace LookupPlacement
