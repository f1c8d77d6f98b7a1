#include "card/brand_assets.h"

#include "card/ink.h"

#include <QPixmap>

using namespace Qt::StringLiterals;

namespace BrandAssets {

QString peloraResource()
{
    return u":/pelora/card/images/pelora.png"_s;
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
    return u"Pelora companion"_s;
}

} // namespace BrandAssets
