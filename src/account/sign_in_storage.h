#pragma once

#include <QString>

// Where the sign-in session keeps its data, and the files-only part of a
// sign-out: the web engine's profile folders, the session's own record and
// the marker that says a sign-out has not finished removing them.
namespace SignInStorage {

// The per-user data folder of the sign-in.
QString defaultFolder();
QString recordPath(const QString &folder);
QString wipeMarkerPath(const QString &folder);

// Creates `path` for its owner alone.
void makeOwnerOnlyFolder(const QString &path);
// Writes the marker: until it goes, every launch finishes the wipe.
void markWipePending(const QString &folder);
// Removes the engine's profile and cache folders.
void removeEngineData(const QString &folder);

} // namespace SignInStorage
