#include "export/ExportFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>

#include <unistd.h>

namespace ExportFolder {

std::optional<QString> resolve(const std::optional<QByteArray> &data)
{
    if (!data || data->isEmpty())
        return std::nullopt;
    // A NUL would silently cut the path short at the system call.
    if (data->contains('\0'))
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString path = decoder.decode(*data);
    if (decoder.hasError() || !QDir::isAbsolutePath(path))
        return std::nullopt;

    const QString clean = QDir::cleanPath(path);
    if (!QFileInfo(clean).isDir())
        return std::nullopt;
    // The export creates a folder inside, so it needs to write and to enter.
    // access() asks the kernel, which also knows about read-only mounts and ACLs.
    if (::access(QFile::encodeName(clean).constData(), W_OK | X_OK) != 0)
        return std::nullopt;
    return clean;
}

std::optional<QByteArray> bookmark(const QString &folder)
{
    if (folder.isEmpty())
        return std::nullopt;
    const QFileInfo info(folder);
    if (!info.isDir())
        return std::nullopt;
    return QDir::cleanPath(info.absoluteFilePath()).toUtf8();
}

} // namespace ExportFolder
