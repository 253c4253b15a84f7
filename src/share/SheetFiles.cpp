#include "share/SheetFiles.h"

#include "basics/Logging.h"
#include "basics/TempRoot.h"
#include "media/ImageFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <cstdio>

namespace SheetFiles {

namespace {

// Staged files start with a dot so a file manager opened on the folder
// shows only the finished image.
const QString stagedPrefix = QStringLiteral(".staged-");

} // namespace

QString shareImageName(const VideoInfo &video)
{
    return QCoreApplication::translate("SheetView", "%1 Share Image").arg(video.baseName())
           + QStringLiteral(".jpg");
}

QString proposedSavePath(const VideoInfo &video)
{
    const QString folder = QFileInfo(video.url.toLocalFile()).absolutePath();
    return QDir(folder).filePath(shareImageName(video));
}

QString withExtension(const QString &path, SaveFormat chosen)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg") || suffix == QLatin1String("png")
        || suffix == QLatin1String("webp"))
        return path;
    return path + (chosen == SaveFormat::png    ? QStringLiteral(".png")
                   : chosen == SaveFormat::webp ? QStringLiteral(".webp")
                                                : QStringLiteral(".jpg"));
}

SaveFormat formatFor(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.compare(QLatin1String("png"), Qt::CaseInsensitive) == 0)
        return SaveFormat::png;
    if (suffix.compare(QLatin1String("webp"), Qt::CaseInsensitive) == 0)
        return SaveFormat::webp;
    return SaveFormat::jpeg;
}

bool save(const QImage &image, const QString &path)
{
    MediaError error;
    const SaveFormat format = formatFor(path);
    const bool saved = format == SaveFormat::png    ? ImageFiles::writePng(image, path, &error)
                     : format == SaveFormat::webp ? ImageFiles::writeWebp(image, path, saveQuality, &error)
                                                  : ImageFiles::writeJpeg(image, path, saveQuality, &error);
    if (!saved)
        qCWarning(logShare).noquote() << "share image not saved:" << error.text();
    return saved;
}

std::optional<Rendered> renderAndStage(const RenderFunction &render, const QList<Shot> &shots,
                                       const VideoInfo &video, const SheetOptions &options,
                                       std::stop_token stop)
{
    std::optional<QImage> image = render(shots, video, options);
    if (!image || image->isNull())
        return std::nullopt;
    Rendered result{*image, std::nullopt};
    if (stop.stop_requested())
        return result;
    const std::optional<QString> folder = TempRoot::subfolder(QStringLiteral("share"));
    if (!folder)
        return result;
    const QString staged = QDir(*folder).filePath(
        stagedPrefix + QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral(".jpg"));
    MediaError error;
    if (ImageFiles::writeJpeg(result.image, staged, tempQuality, &error))
        result.staged = staged;
    else
        qCWarning(logShare).noquote() << "share image not staged:" << error.text();
    return result;
}

std::optional<QString> publish(const QString &staged, const VideoInfo &video)
{
    const QString target = QFileInfo(staged).dir().filePath(shareImageName(video));
    // rename(2) replaces the target in one step, so a drag in progress reads
    // either the old image or the new one, never a mix. QFile::rename would
    // refuse to replace an existing file.
    if (std::rename(QFile::encodeName(staged).constData(), QFile::encodeName(target).constData())
        == 0)
        return target;
    discard(staged);
    QFile::remove(target);
    return std::nullopt;
}

void discard(const QString &staged)
{
    QFile::remove(staged);
}

} // namespace SheetFiles
