#include "cli/InputFiles.h"

#include "basics/VideoFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace InputFiles {

namespace {

void addFolder(const QString &folder, bool recursive, QStringList &into, QSet<QString> &seen)
{
    QDir dir(folder);
    const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                                                    QDir::Name | QDir::DirsLast);
    for (const QFileInfo &entry : entries) {
        if (entry.isDir()) {
            // A link to a folder could lead back up the tree.
            if (recursive && !entry.isSymLink())
                addFolder(entry.absoluteFilePath(), recursive, into, seen);
        } else if (VideoFiles::looksLikeVideo(entry.fileName())) {
            const QString path = QDir::cleanPath(entry.absoluteFilePath());
            if (!seen.contains(path)) {
                seen.insert(path);
                into.append(path);
            }
        }
    }
}

} // namespace

QStringList collect(const QStringList &paths, bool recursive)
{
    QStringList result;
    QSet<QString> seen;
    for (const QString &given : paths) {
        const QFileInfo info(given);
        const QString path = QDir::cleanPath(info.absoluteFilePath());
        if (info.isDir()) {
            addFolder(path, recursive, result, seen);
        } else if (!seen.contains(path)) {
            seen.insert(path);
            result.append(path);
        }
    }
    return result;
}

} // namespace InputFiles
