#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

// The brand images: the square "pelora" mark and the tray icon made from it.
namespace BrandAssets {

// Resource path of the mark, also usable from QML as "qrc:" + this.
QString peloraResource();

// The brand mark, read from the program's resources each time it is asked
// for (a 512-pixel image is 1 MiB that an idle companion has no use for).
// Should the resource be missing (a packaging fault), a plain accent square
// stands in, so every view still has a mark to draw.
QImage pelora();

// A fresh 22 × 22 copy of the mark for the tray, in its own colours (not a
// monochrome template), with a sharper 44-pixel version for dense screens.
QIcon menuBarIcon();
inline constexpr int menuBarIconSize = 22;
QString menuBarIconDescription(); // "Pelora companion"

} // namespace BrandAssets
