#pragma once

#include "card/key_texts.h"

#include <QString>

// The status menu's and the tray icon's texts.
namespace MenuTexts {
inline QString heading()
{
    return QStringLiteral("PELORA  /  A LITTLE MALAY");
}
inline QString pausedUntil()
{
    return QStringLiteral("Paused until ");
}
inline QString nextAt()
{
    return QStringLiteral(" · next at ");
}
inline QString lookUp()
{
    return QStringLiteral("Look up a phrase…");
}
// The shortcut items name the key the desktop bound, Super+M unless it chose another.
inline QString useShortcut(const QString &key = KeyTexts::lookupShortcut())
{
    return QStringLiteral("Use %1 for phrase lookup").arg(key);
}
inline QString shortcutUnavailable()
{
    return QStringLiteral("%1 unavailable · another app may be using it").arg(KeyTexts::lookupShortcut());
}
// Why the shortcut is not working, where the cause is not another program.
inline QString shortcutWaiting()
{
    return QStringLiteral("%1 · waiting for the desktop to confirm it…").arg(KeyTexts::lookupShortcut());
}
inline QString shortcutDeclined()
{
    return QStringLiteral("%1 unavailable · not confirmed in the desktop’s dialog").arg(KeyTexts::lookupShortcut());
}
inline QString shortcutUnassigned()
{
    return QStringLiteral("%1 · choose its key in the desktop’s shortcut settings").arg(KeyTexts::lookupShortcut());
}
inline QString shortcutUnsupported()
{
    return QStringLiteral("%1 unavailable on this desktop · bind “pelora-companion --lookup” in its keyboard settings")
        .arg(KeyTexts::lookupShortcut());
}
inline QString setUpGnomeShortcut()
{
    return QStringLiteral("Set Up %1 in GNOME Settings…").arg(KeyTexts::lookupShortcut());
}
inline QString showPhrase()
{
    return QStringLiteral("Show a phrase");
}
inline QString showExpanded()
{
    return QStringLiteral("Show expanded card");
}
inline QString dismiss()
{
    return QStringLiteral("Dismiss card");
}
inline QString pause()
{
    return QStringLiteral("Pause for an hour");
}
inline QString resume()
{
    return QStringLiteral("Resume reminders");
}
inline QString reminderInterval()
{
    return QStringLiteral("Reminder interval");
}
inline QString custom()
{
    return QStringLiteral("Custom…");
}
inline QString customWith(int minutes)
{
    return QStringLiteral("Custom (%1 min)…").arg(minutes);
}
inline QString switchAccount()
{
    return QStringLiteral("Switch account…");
}
inline QString signIn()
{
    return QStringLiteral("Sign in…");
}
inline QString signOut()
{
    return QStringLiteral("Sign out");
}
inline QString openPhrasebook()
{
    return QStringLiteral("Open my phrasebook");
}
inline QString sync()
{
    return QStringLiteral("Sync saved phrases");
}
inline QString webAppAddress()
{
    return QStringLiteral("Web app address…");
}
inline QString quit()
{
    return QStringLiteral("Quit Pelora");
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
    return key.isEmpty() ? title : title + QLatin1Char('\t') + key;
}

inline QString updateBadge()
{
    return QStringLiteral(" •");
}
inline QString updateTooltip(const QString &version)
{
    return QStringLiteral("Pelora ") + version + QStringLiteral(" is available · Click to update");
}
QString reminderTooltip(int minutes);
} // namespace MenuTexts
