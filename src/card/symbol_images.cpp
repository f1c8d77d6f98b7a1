#include "card/symbol_images.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>
#include <QUrlQuery>

using namespace Qt::StringLiterals;

namespace {
// Outlines are drawn on a 24-unit grid with this colour and stroke width as
// placeholders, replaced per request.
const QByteArray placeholderColour = "#010203";
const QByteArray placeholderStroke = "stroke-width=\"2\"";

QByteArray strokeFor(const QString &weight)
{
    if (weight == "light"_L1)
        return "stroke-width=\"1.5\"";
    if (weight == "medium"_L1)
        return "stroke-width=\"2.3\"";
    if (weight == "semibold"_L1)
        return "stroke-width=\"2.7\"";
    return "stroke-width=\"1.9\"";
}
} // namespace

SymbolImageProvider::SymbolImageProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}

QByteArray SymbolImageProvider::symbolSvg(const QString &name, const QColor &colour, const QString &weight)
{
    // Names may only be the resource's own file names: no paths.
    if (name.isEmpty() || name.contains(u'/'))
        return {};
    QFile file(u":/pelora/card/icons/%1.svg"_s.arg(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray svg = file.readAll();
    svg.replace(placeholderColour, colour.name(QColor::HexRgb).toLatin1());
    svg.replace(placeholderStroke, strokeFor(weight));
    return svg;
}

QImage SymbolImageProvider::requestImage(const QString &id, QSize *size, const QSize &requestedSize)
{
    const qsizetype queryStart = id.indexOf(u'?');
    const QString name = id.left(queryStart);
    const QUrlQuery query(queryStart < 0 ? QString() : id.mid(queryStart + 1));
    const QColor colour(query.queryItemValue(u"color"_s, QUrl::FullyDecoded));
    const QString weight = query.queryItemValue(u"weight"_s);

    const QSize side = requestedSize.isValid() && !requestedSize.isEmpty() ? requestedSize : QSize(24, 24);
    QImage image(side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const QByteArray svg = symbolSvg(name, colour.isValid() ? colour : QColor(Qt::black), weight);
    if (!svg.isEmpty()) {
        QSvgRenderer renderer(svg);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    if (size)
        *size = side;
    return image;
}
