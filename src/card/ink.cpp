#include "card/ink.h"

namespace Ink {

// Each colour is made once, on first use, from its sRGB components.
const QColor &primary()
{
    static const QColor colour = QColor::fromRgbF(0.0f, 0.157f, 0.231f);
    return colour;
}

const QColor &secondary()
{
    static const QColor colour = QColor::fromRgbF(0.32f, 0.40f, 0.44f);
    return colour;
}

const QColor &accent()
{
    static const QColor colour = QColor::fromRgbF(0.0f, 0.251f, 0.373f);
    return colour;
}

const QColor &paper()
{
    static const QColor colour = QColor::fromRgbF(0.989f, 0.985f, 0.971f);
    return colour;
}

const QColor &line()
{
    static const QColor colour = QColor::fromRgbF(0.85f, 0.88f, 0.87f);
    return colour;
}

const QColor &warm()
{
    static const QColor colour = QColor::fromRgbF(0.67f, 0.34f, 0.24f);
    return colour;
}

} // namespace Ink
