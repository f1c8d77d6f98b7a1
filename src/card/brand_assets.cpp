#include "card/brand_assets.h"

#include "card/ink.h"

#include <QPixmap>

namespace BrandAssets {

QString peloraResource()
{
    return QStringLiteral(":/pelora/card/images/pelora.png");
}

QImage pelora()
{
    QImage loaded(peloraResource());
    if (!loaded.isNull())
        return loaded;
    QImage standIn(256, 256, QImage::Format_ARGB32_Premultiplied);
    standIn.fill(Ink::accent());
    return standIn;
}

QIcon menuBarIcon()
{
    QIcon icon;
    const QImage mark = pelora();
    for (int scale : {1, 2}) {
        const int side = menuBarIconSize * scale;
        QPixmap pixmap = QPixmap::fromImage(mark.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        icon.addPixmap(pixmap);
    }
    return icon;
}

QString menuBarIconDescription()
{
    return QStringLiteral("Pelora companion");
}

} // namespace BrandAssets
