#pragma once

#include <QQuickImageProvider>

// Draws the views' symbols ("xmark", "magnifyingglass", …) from the SVG
// outlines shipped in the resources, in the colour and stroke weight the
// view asks for:  image://symbol/<name>?color=<#rrggbb>&weight=<light|regular|medium|semibold>
class SymbolImageProvider : public QQuickImageProvider {
public:
    SymbolImageProvider();
    QImage requestImage(const QString &id, QSize *size, const QSize &requestedSize) override;

    // The SVG text for a symbol in a colour and weight; empty for an unknown name.
    static QByteArray symbolSvg(const QString &name, const QColor &colour, const QString &weight);
};
