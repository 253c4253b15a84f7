#pragma once
// File-system primitives for writing into folders that belong to the user:
// they only ever create, never replace. A name that is taken (by a file, a
// folder or a dangling link, even one that appeared a moment ago) is a
// failure, never an overwrite.
//
// Any thread; blocking. Failures are reported as the errno value of the
// system call that failed, never thrown.

#include <QByteArray>
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

// Creates `path` as an empty regular file with the usual permissions, so
// that the name is taken before anything is written to it (EEXIST when
// anything is there, even a dangling link).
std::optional<Failure> createEmpty(const QString &path);

// What createUnderFreeName() gives: the path it created, or the failure and
// the name it failed on.
struct Claimed {
    QString path;
    std::optional<Failure> failure;
};
enum class Kind { folder, emptyFile };

// Creates `stem` + `extension` (".jpg", or empty) inside the existing folder
// `folder`, or "stem 2" + `extension`, "stem 3" … when the name is taken:
// creating is the test for "free", so a name taken a moment ago is passed
// over, never written into. Ends at the first other failure.
Claimed createUnderFreeName(const QString &folder, const QString &stem, const QString &extension, Kind kind);

// Copies the bytes of the regular file `from` into a new file `to`, created
// with O_EXCL and the usual permissions (0666 less the umask). On any failure
// after `to` was created, the partial file is removed again; a file that was
// already at `to` is left exactly as it was.
std::optional<Failure> copyToNew(const QString &from, const QString &to);

// Writes `data` into a new file `to`, created and cleaned up exactly as
// copyToNew() creates its target. Failures are always on the target side.
std::optional<Failure> writeToNew(const QString &to, const QByteArray &data);

// The system's description of an errno value, in the user's language where
// the C library has one.
QString describe(int error);

} // namespace NewFiles
