#include "basics/TempRoot.h"

#include <QDir>
#include <QUuid>

#include <atomic>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// lstat, so a planted symlink is seen as a link and never followed.
bool isOurPrivateFolder(const QByteArray &path)
{
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid();
}

bool makePrivateFolder(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    if (!isOurPrivateFolder(native))
        return false;
    // An existing folder of ours may have been left open to others.
    return ::chmod(native.constData(), 0700) == 0;
}

} // namespace

namespace TempRoot {

namespace {
std::atomic<bool> separate{false};
}

void separateFromOtherInstances()
{
    separate = true;
}

QString path()
{
    static const QString root = QDir::tempPath() + QStringLiteral("/Framelark-")
        + QString::number(::getuid())
        + (separate ? QStringLiteral("-%1").arg(::getpid()) : QString());
    return root;
}

bool ensure()
{
    return makePrivateFolder(path());
}

std::optional<QString> createWorkFolder()
{
    return subfolder(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
}

std::optional<QString> subfolder(const QString &name)
{
    if (!ensure())
        return std::nullopt;
    const QString folder = path() + u'/' + name;
    if (!makePrivateFolder(folder))
        return std::nullopt;
    return folder;
}

void removeTree(const QString &folder)
{
    if (folder.isEmpty())
        return;
    std::error_code ignored;
    // remove_all removes symlinks themselves and never descends through them.
    std::filesystem::remove_all(std::filesystem::path(QFile::encodeName(folder).toStdString()), ignored);
}

void remove()
{
    if (isOurPrivateFolder(QFile::encodeName(path())))
        removeTree(path());
}

} // namespace TempRoot
