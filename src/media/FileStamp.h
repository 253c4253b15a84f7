#pragma once
// What tells that a file is still the one read before: its size and the
// time it was last written. Stores that keep what was read from a file
// (open inputs, decoded frames, scan findings) answer only while the stamp
// they took still matches. A missing file has an empty stamp.
//
// Thread: any (reads the file system).

#include <QDateTime>
#include <QFileInfo>
#include <QString>

struct FileStamp {
    qint64 size = -1;
    QDateTime modified;

    static FileStamp of(const QString &path)
    {
        const QFileInfo file(path);
        return file.exists() ? FileStamp{file.size(), file.lastModified()} : FileStamp{};
    }
    bool exists() const { return size >= 0; }
    bool operator==(const FileStamp &) const = default;
};
