#pragma once
// The per-user temporary root under which every work folder and the share
// image live, and the safe creation and deletion of folders inside it.

#include <QString>

#include <optional>

namespace TempRoot {

// The root's path, fixed for the life of the process and computed without
// creating anything: "<temp>/Framelark-<uid>". The temp folder is shared by
// all users, so the name carries the user id to keep users apart. Thread-safe.
QString path();

// Moves this process to a root of its own, "<temp>/Framelark-<uid>-<pid>",
// for a launch that runs beside another instance it could not reach (that
// one may be busy, not dead): neither then deletes the other's files. Only
// before the first call of path(); later calls change nothing.
void separateFromOtherInstances();

// Creates the root if needed (mode 0700) and checks that it is a real folder
// owned by this user that nobody else can enter. Returns false when the path
// is a symlink, belongs to someone else or cannot be made private; nothing is
// then written below it. Thread-safe.
bool ensure();

// A new, empty folder "<root>/<UUID>" (upper-case UUID), mode 0700, or none
// when the root is unusable or the folder cannot be made.
std::optional<QString> createWorkFolder();

// "<root>/<name>", created if missing (mode 0700), or none.
std::optional<QString> subfolder(const QString &name);

// Deletes `folder` and everything in it without following symlinks: a link
// inside is removed, never what it points to. Failures are ignored.
void removeTree(const QString &folder);

// Deletes the whole root, if it is ours (a real folder owned by this user).
void remove();

} // namespace TempRoot
