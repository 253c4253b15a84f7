#include "export/Exporter.h"

#include "export/ExportFolder.h"
#include "export/ShotFolderWriter.h"
#include "model/AppModel.h"
#include "model/Dialogs.h"
#include "settings/Preferences.h"
#include "model/VideoItem.h"

#include <QCoroFuture>
#include <QFileInfo>
#include <QLocale>
#include <QTimer>
#include <QtConcurrent>

#include <climits>
#include <memory>

Exporter::Exporter(AppModel &model, Preferences &prefs, Dialogs &dialogs, Reveal reveal)
    : m_model(model)
    , m_prefs(prefs)
    , m_dialogs(dialogs)
    , m_reveal(std::move(reveal))
{
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
    QList<Job> jobs;
    QSet<QUuid> exported;
    qint64 total = 0;
    for (const QPointer<VideoItem> &video : videos) {
        // The panel runs an event loop: a video may have been closed or
        // reset meanwhile, and then there is nothing of it to export.
        if (!video || video->status() != VideoStatus::done || video->selectedShots().isEmpty())
            continue;
        std::optional<ShotFolderWriter::SourceStamp> stamp;
        if (m_prefs.exportSourceDetails()) {
            stamp = ShotFolderWriter::SourceStamp{video->info().fileName(), double(video->info().fps),
                                                  ShotFolderWriter::software()};
        }
        jobs.append({video->id(), video->edits(), video->info().baseName(), video->selectedShots(), stamp});
        exported.insert(video->id());
        total += jobs.last().shots.size();
    }
    if (jobs.isEmpty())
        return;
    // The remembered folder is stored now, while the disk is idle: the
    // store's deferred write would otherwise wait behind the copies, on the
    // UI thread.
    m_prefs.sync();
    const std::stop_token stop = m_model.beginExport(total, exported);
    copyInBackground(&m_model, std::move(jobs), total, *destination, stop, m_reveal);
}

QCoro::Task<> Exporter::copyInBackground(QPointer<AppModel> model, QList<Job> jobs, qint64 total, QString destination,
                                         std::stop_token stop, Reveal reveal)
{
    struct Result {
        QStringList created;
        QList<std::pair<QUuid, qint64>> whole;  // videos all of whose shots were copied, and their edits
        QString failure;
        qint64 copied = 0;
        bool stopped = false;
    };
    // The copying thread counts; the UI thread shows the count a few times a
    // second rather than once a file, which for thousands of small files
    // would flood the event loop.
    const auto copied = std::make_shared<std::atomic<qint64>>(0);
    QTimer ticker;
    ticker.setInterval(100);
    QObject::connect(&ticker, &QTimer::timeout, model.data(), [model, copied] {
        if (model)
            model->setExportDone(copied->load());
    });
    ticker.start();
    QFuture<Result> copying = QtConcurrent::run([jobs, destination, stop, copied] {
        Result result;
        qint64 before = 0;
        for (const Job &job : jobs) {
            const ShotFolderWriter::Outcome outcome =
                ShotFolderWriter::write(job.videoName, job.shots, destination, stop, copied.get(), job.stamp);
            if (!outcome.folder.isEmpty())
                result.created.append(outcome.folder);
            before += outcome.copied;
            if (outcome.failure.isEmpty() && !outcome.stopped && outcome.copied == job.shots.size())
                result.whole.append({job.video, job.edits});
            result.copied = before;
            result.stopped = outcome.stopped;
            if (!outcome.failure.isEmpty()) {
                result.failure = outcome.failure;
                break;
            }
            if (outcome.stopped)
                break;
        }
        return result;
    });
    const Result result = co_await copying;
    ticker.stop();
    if (!model)
        co_return;
    model->setExportDone(result.copied);
    model->endExport();
    for (const auto &[video, edits] : result.whole)
        model->tookOut(video, edits);
    if (!result.failure.isEmpty()) {
        QString message = result.failure;
        if (result.copied > 0)
            message += QStringLiteral("\n\n") + copiedBefore(result.copied, total);
        model->setAlert(AppAlert{tr("Export Failed"), message});
        co_return;
    }
    if (result.stopped) {
        model->setAlert(AppAlert{tr("Export Stopped"), stoppedMessage(result.copied, total, result.created)});
    }
    if (!result.created.isEmpty() && reveal)
        reveal(result.created);
}

void Exporter::exportSprites(const PreviewSprites::Options &options)
{
    const QPointer<VideoItem> video = m_model.selected();
    if (!video || !m_model.canExport())
        return;
    const QString message = tr("Choose a folder. A “%1 Preview Sprites” folder will be created inside it.")
                                .arg(video->info().baseName());
    const std::optional<QString> destination = exportFolder(message, video->info().url);
    // The panel runs an event loop: the video may have been closed or reset.
    if (!destination || !video || video->status() != VideoStatus::done || video->selectedShots().isEmpty())
        return;
    m_prefs.sync();
    const QList<Shot> shots = video->selectedShots();
    // Removing the video stops it, as it stops a screenshot export: its
    // shots are about to be deleted.
    const std::stop_token stop = m_model.beginExport(shots.size(), {video->id()});
    spritesInBackground(&m_model, video->info(), shots, *destination, options, stop, m_reveal);
}

QCoro::Task<> Exporter::spritesInBackground(QPointer<AppModel> model, VideoInfo video, QList<Shot> shots,
                                            QString destination, PreviewSprites::Options options,
                                            std::stop_token stop, Reveal reveal)
{
    const auto tiles = std::make_shared<std::atomic<qint64>>(0);
    QTimer ticker;
    ticker.setInterval(100);
    QObject::connect(&ticker, &QTimer::timeout, model.data(), [model, tiles] {
        if (model)
            model->setExportDone(tiles->load());
    });
    ticker.start();
    // Named, not a temporary inside co_await: GCC 12 destroys such
    // temporaries twice.
    QFuture<PreviewSprites::Outcome> writing = QtConcurrent::run([=] {
        return PreviewSprites::write(video.baseName(), shots, video.duration, video.size, destination, options,
                                     stop, tiles.get());
    });
    const PreviewSprites::Outcome outcome = co_await writing;
    ticker.stop();
    if (!model)
        co_return;
    model->setExportDone(tiles->load());
    model->endExport();
    if (!outcome.failure.isEmpty()) {
        model->setAlert(AppAlert{tr("Export Failed"), outcome.failure});
        co_return;
    }
    if (outcome.stopped) {
        model->setAlert(AppAlert{tr("Export Stopped"),
                                 outcome.folder.isEmpty()
                                     ? tr("No preview sprites were written.")
                                     : tr("The preview sprites in “%1” are incomplete: the WebVTT index was not written.")
                                           .arg(QFileInfo(outcome.folder).fileName())});
    } else if (outcome.unreadable > 0) {
        model->setAlert(AppAlert{tr("Some Tiles Are Empty"),
                                 tr("%n screenshots could not be read; their tiles are black.", nullptr,
                                    int(std::min<qint64>(outcome.unreadable, INT_MAX)))});
    }
    if (!outcome.folder.isEmpty() && reveal)
        reveal({outcome.folder});
}

QString Exporter::copiedBefore(qint64 copied, qint64 total)
{
    return tr("%1 of %2 screenshots were exported before it.")
        .arg(QLocale().toString(copied), QLocale().toString(total));
}

QString Exporter::stoppedMessage(qint64 copied, qint64 total, const QStringList &folders)
{
    if (folders.isEmpty())
        return tr("No screenshots were exported.");
    QStringList names;
    for (const QString &folder : folders)
        names.append(QStringLiteral("“%1”").arg(QFileInfo(folder).fileName()));
    return tr("%1 of %2 screenshots were exported into %3. Each of them is complete.")
        .arg(QLocale().toString(copied), QLocale().toString(total), QLocale().createSeparatedList(names));
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
