#pragma once

#include <QString>

// How texts name keys on this desktop. The companion's texts were written
// for ⌘-style shortcuts; on Linux they read "Super+M", "Ctrl+S" and so on.
// Keep every key name here so another desktop can show its own glyphs.
namespace KeyTexts {
using namespace Qt::StringLiterals;

inline QString lookupShortcut()
{
    return u"Super+M"_s;
} // the global shortcut
// The global shortcut as the desktop is asked for it: the XDG shortcuts
// notation (the desktop portal) and GTK's accelerator notation (GNOME).
inline QString lookupTrigger()
{
    return u"LOGO+m"_s;
}
inline QString lookupAccelerator()
{
    return u"<Super>m"_s;
}
inline QString save()
{
    return u"Ctrl+S"_s;
}
inline QString copy()
{
    return u"Ctrl+Shift+C"_s;
}
inline QString newPhrase()
{
    return u"Ctrl+N"_s;
}
inline QString quit()
{
    return u"Ctrl+Q"_s;
}
inline QString computer()
{
    return u"computer"_s;
} // "on your …"
} // namespace KeyTexts
