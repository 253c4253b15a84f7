#pragma once
// File-system primitives for writing into folders that belong to the user:
// they only ever create, never replace. A name that is taken (by a file, a
// folder or a dangling link, even one that appeared a moment ago) is a
// failure, never an overwrite.
//
// Any thread; blocking. Failures are reported as the errno value of the
// system call that failed, never thrown.

#include <QString>

#include <optional>

namespace NewFiles {

struct Failure {
    // Which side of a copy failed: the source could not be opened or read,
    // or the target could not be created, written or closed.
    enum class Side { source, target };
    Side side = Side::target;
    int error = 0; // errno
};

// Creates the folder `path`; its parent must exist (missing parents are not
// created) and nothing may exist at `path` yet (EEXIST otherwise).
std::optional<Failure> makeFolder(const QString &path);

// Copies the bytes of the regular file `from` into a new file `to`, created
// with O_EXCL and the usual permissions (0666 less the umask). On any failure
// after `to` was created, the partial file is removed again; a file that was
// already at `to` is left exactly as it was.
std::optional<Failure> copyToNew(const QString &from, const QString &to);

// The system's description of an errno value, in the user's language where
// the C library has one.
QString describe(int error);

} // namespace NewFiles
