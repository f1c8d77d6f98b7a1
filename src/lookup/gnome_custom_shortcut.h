#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <qcoro/qcorotask.h>

// The lookup shortcut as one of GNOME's own custom keyboard shortcuts: a
// binding of Super+M to `pelora-companion --lookup` in the media-keys
// settings, the same place GNOME Settings keeps the learner's own. Only the
// entry at our own path is ever added or removed; the learner's entries stay.
// Read and written through the `gsettings` tool, so the desktop's own
// settings backend (dconf) takes the change and applies it at once.
namespace GnomeCustomShortcut {

inline constexpr const char *listSchema = "org.gnome.settings-daemon.plugins.media-keys";
inline constexpr const char *listKey = "custom-keybindings";
inline constexpr const char *entrySchema = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
inline constexpr const char *entryPath =
    "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/pelora-companion-lookup/";
inline constexpr const char *command = "pelora-companion --lookup";
inline constexpr const char *name = "Pelora phrase lookup";

// Whether this is a GNOME session (XDG_CURRENT_DESKTOP names GNOME).
bool isGnomeSession();
// Whether GNOME's media-keys settings are installed here.
QCoro::Task<bool> available();
// The key our entry binds (GNOME's accelerator text, e.g. "<Super>m") when
// our entry is in the list; nothing when it is not, or on a failure.
QCoro::Task<std::optional<QString>> installedBinding();
// Adds our entry at the end of the list (once); true when it is there after.
QCoro::Task<bool> install();
// Takes our entry out of the list and forgets its keys; true on success.
QCoro::Task<bool> remove();

// A GVariant string array as `gsettings` prints it ("@as []",
// "['/a/', \"it's\"]"); nothing for anything else.
std::optional<QStringList> parseList(const QString &text);
QString formatList(const QStringList &items);
QString formatString(const QString &text);
// "<Super>m" → "Super+M", "<Primary><Alt>l" → "Ctrl+Alt+L".
QString acceleratorText(const QString &accelerator);

} // namespace GnomeCustomShortcut
