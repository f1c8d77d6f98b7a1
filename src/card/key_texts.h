#pragma once

#include <QString>

// How texts name keys on this desktop. The companion's texts were written
// for ⌘-style shortcuts; on Linux they read "Super+M", "Ctrl+S" and so on.
// Keep every key name here so another desktop can show its own glyphs.
namespace KeyTexts {
inline QString lookupShortcut()
{
    return QStringLiteral("Super+M");
} // the global shortcut
// The global shortcut as the desktop is asked for it: the XDG shortcuts
// notation (the desktop portal) and GTK's accelerator notation (GNOME).
inline QString lookupTrigger()
{
    return QStringLiteral("LOGO+m");
}
inline QString lookupAccelerator()
{
    return QStringLiteral("<Super>m");
}
inline QString save()
{
    return QStringLiteral("Ctrl+S");
}
inline QString copy()
{
    return QStringLiteral("Ctrl+Shift+C");
}
inline QString newPhrase()
{
    return QStringLiteral("Ctrl+N");
}
inline QString quit()
{
    return QStringLiteral("Ctrl+Q");
}
inline QString computer()
{
    return QStringLiteral("computer");
} // "on your …"
} // namespace KeyTexts
