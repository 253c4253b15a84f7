#include "export/Exporter.h"

#include "engine/Formatting.h"
#include "export/ExportFolder.h"
#include "export/NewFiles.h"
#include "model/AppModel.h"
#include "model/Dialogs.h"
#include "model/Preferences.h"
#include "model/VideoItem.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

namespace {

// Far more than any destination holds; only there so a file system that
// answers "exists" for every name cannot keep the loop going for ever.
constexpr int maxSuffix = 100000;

} // namespace

Exporter::Exporter(AppModel &model, Preferences &prefs, Dialogs &dialogs, Reveal reveal)
    : m_model(model)
    , m_prefs(prefs)
    , m_dialogs(dialogs)
    , m_reveal(std::move(reveal))
{
}

QString Exporter::fileName(const QString &videoName, qint64 number, double time,
                           const QString &extension)
{
    // One multi-argument arg(): a "%2" inside the video's name stays text.
    return QStringLiteral("%1_%2_%3.%4")
        .arg(videoName, QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0')),
             formatTime(time, true, QStringLiteral("-")), extension);
}

void Exporter::exportSelected()
{
    VideoItem *video = m_model.selected();
    if (!video || !m_model.canExport())
        return;
    const QString message =
        tr("Choose a folder. A “%1 Screenshots” folder will be created inside it.")
            .arg(video->info().baseName());
    exportVideos({video}, message);
}

void Exporter::exportAll()
{
    if (!m_model.canExportAll())
        return;
    QList<QPointer<VideoItem>> videos;
    for (VideoItem *video : m_model.videos()) {
        if (!video->selectedShots().isEmpty())
            videos.append(video);
    }
    exportVideos(videos, tr("Choose a folder. Each video gets its own screenshots folder inside it."));
}

void Exporter::exportVideos(const QList<QPointer<VideoItem>> &videos, const QString &message)
{
    if (videos.isEmpty())
        return;
    const std::optional<QString> destination = exportFolder(message, videos.first()->info().url);
    if (!destination)
        return;
    QStringList created;
    for (const QPointer<VideoItem> &video : videos) {
        // The panel runs an event loop: a video may have been closed or
        // reset meanwhile, and then there is nothing of it to export.
        if (!video || video->status() != VideoStatus::done || video->selectedShots().isEmpty())
            continue;
        const Outcome outcome = exportVideo(*video, *destination);
        if (!outcome.failure.isEmpty()) {
            m_model.setAlert(AppAlert{tr("Export Failed"), outcome.failure});
            return;
        }
        created.append(outcome.folder);
    }
    if (!created.isEmpty() && m_reveal)
        m_reveal(created);
}

std::optional<QString> Exporter::exportFolder(const QString &message, const QUrl &near)
{
    if (const std::optional<QString> folder = ExportFolder::resolve(m_prefs.defaultExportFolder()))
        return folder;
    // The last folder only while it still exists (a removed folder or an
    // unplugged drive would leave the panel wherever its toolkit starts).
    const std::optional<QString> last = m_prefs.lastExportFolder();
    const QString start = last && QFileInfo(*last).isDir() ? *last : QFileInfo(near.toLocalFile()).absolutePath();
    const std::optional<QString> chosen = m_dialogs.chooseExportFolder(message, start);
    if (!chosen || chosen->isEmpty())
        return std::nullopt;
    m_prefs.setLastExportFolder(*chosen);
    return chosen;
}

Exporter::Outcome Exporter::exportVideo(const VideoItem &video, const QString &destination)
{
    return writeFolder(video.info().baseName(), video.selectedShots(), destination);
}

Exporter::Outcome Exporter::writeFolder(const QString &name, const QList<Shot> &shots, const QString &destination)
{
    const QString base = tr("%1 Screenshots").arg(name);
    const QDir into(destination);

    // Creating is the test for "free": a name taken by anything, even in
    // the moment since the last try, moves on to the next number rather
    // than writing into someone's folder.
    QString folder;
    for (int k = 1;; ++k) {
        folder = into.filePath(k == 1 ? base : base + QLatin1Char(' ') + QString::number(k));
        const std::optional<NewFiles::Failure> failure = NewFiles::makeFolder(folder);
        if (!failure)
            break;
        if (failure->error != EEXIST || k == maxSuffix) {
            return {{}, tr("Couldn’t create the folder “%1”: %2.")
                            .arg(QDir::toNativeSeparators(folder), NewFiles::describe(failure->error))};
        }
    }

    qint64 number = 0;
    for (const Shot &shot : shots) {
        const QFileInfo source(shot.file);
        const QString target =
            QDir(folder).filePath(fileName(name, ++number, shot.time, source.suffix()));
        if (const std::optional<NewFiles::Failure> failure = NewFiles::copyToNew(shot.file, target)) {
            const QString reason = NewFiles::describe(failure->error);
            if (failure->side == NewFiles::Failure::Side::source) {
                return {{}, tr("Couldn’t read the screenshot “%1”: %2.")
                                .arg(QDir::toNativeSeparators(shot.file), reason)};
            }
            return {{}, tr("Couldn’t copy “%1” to “%2”: %3.")
                            .arg(source.fileName(), QDir::toNativeSeparators(folder), reason)};
        }
    }
    return {folder, {}};
}
