#pragma once

#include "card/key_texts.h"

#include <QString>

// The status menu's and the tray icon's texts.
namespace MenuTexts {
using namespace Qt::StringLiterals;

inline QString heading()
{
    return u"PELORA  /  A LITTLE MALAY"_s;
}
inline QString pausedUntil()
{
    return u"Paused until "_s;
}
inline QString nextAt()
{
    return u" · next at "_s;
}
inline QString lookUp()
{
    return u"Look up a phrase…"_s;
}
// The shortcut items name the key the desktop bound, Super+M unless it chose another.
inline QString useShortcut(const QString &key = KeyTexts::lookupShortcut())
{
    return u"Use %1 for phrase lookup"_s.arg(key);
}
inline QString shortcutUnavailable()
{
    return u"%1 unavailable · another app may be using it"_s.arg(KeyTexts::lookupShortcut());
}
// Why the shortcut is not working, where the cause is not another program.
inline QString shortcutWaiting()
{
    return u"%1 · waiting for the desktop to confirm it…"_s.arg(KeyTexts::lookupShortcut());
}
inline QString shortcutDeclined()
{
    return u"%1 unavailable · not confirmed in the desktop’s dialog"_s.arg(KeyTexts::lookupShortcut());
}
inline QString shortcutUnassigned()
{
    return u"%1 · choose its key in the desktop’s shortcut settings"_s.arg(KeyTexts::lookupShortcut());
}
inline QString shortcutUnsupported()
{
    return u"%1 unavailable on this desktop · bind “pelora-companion --lookup” in its keyboard settings"_s.arg(
        KeyTexts::lookupShortcut());
}
inline QString setUpGnomeShortcut()
{
    return u"Set Up %1 in GNOME Settings…"_s.arg(KeyTexts::lookupShortcut());
}
inline QString showPhrase()
{
    return u"Show a phrase"_s;
}
inline QString showExpanded()
{
    return u"Show expanded card"_s;
}
inline QString dismiss()
{
    return u"Dismiss card"_s;
}
inline QString pause()
{
    return u"Pause for an hour"_s;
}
inline QString resume()
{
    return u"Resume reminders"_s;
}
inline QString reminderInterval()
{
    return u"Reminder interval"_s;
}
inline QString custom()
{
    return u"Custom…"_s;
}
inline QString customWith(int minutes)
{
    return u"Custom (%1 min)…"_s.arg(minutes);
}
inline QString switchAccount()
{
    return u"Switch account…"_s;
}
inline QString signIn()
{
    return u"Sign in…"_s;
}
inline QString signOut()
{
    return u"Sign out"_s;
}
inline QString openPhrasebook()
{
    return u"Open my phrasebook"_s;
}
inline QString sync()
{
    return u"Sync saved phrases"_s;
}
inline QString webAppAddress()
{
    return u"Web app address…"_s;
}
inline QString quit()
{
    return u"Quit Pelora"_s;
}

// Key equivalents, written the Linux way: the lookup item shows the global
// shortcut, the others the in-menu Ctrl keys.
inline QString lookupKey()
{
    return KeyTexts::lookupShortcut();
}
inline QString showPhraseKey()
{
    return KeyTexts::newPhrase();
}
inline QString quitKey()
{
    return KeyTexts::quit();
}
// A menu shows what follows a tab as the item's key.
inline QString withKey(const QString &title, const QString &key)
{
    return key.isEmpty() ? title : title + u'\t' + key;
}

inline QString updateBadge()
{
    return u" •"_s;
}
inline QString updateTooltip(const QString &version)
{
    return u"Pelora "_s + version + u" is available · Click to update"_s;
}
QString reminderTooltip(int minutes);
} // namespace MenuTexts
