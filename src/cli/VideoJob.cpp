#include "cli/VideoJob.h"

#include "basics/TempRoot.h"
#include "basics/WeakShots.h"
#include "export/NewFiles.h"
#include "export/ShotFolderWriter.h"
#include "media/BetterFrames.h"
#include "media/Extractor.h"
#include "media/MediaAsset.h"
#include "media/RunPlanner.h"
#include "share/SheetFiles.h"
#include "share/SheetRenderer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <mutex>

namespace VideoJob {

namespace {

// The command line speaks English, like its manual page.
QString say(const char *text)
{
    return QString::fromUtf8(text);
}

// Removes the work folder whatever way the job ends.
struct WorkFolder {
    std::optional<QString> path = TempRoot::createWorkFolder();
    ~WorkFolder()
    {
        if (path)
            TempRoot::removeTree(*path);
    }
};

} // namespace

std::optional<QString> reserveSheetName(const QString &folder, const VideoInfo &video, QString *reason)
{
    const QFileInfo name(SheetFiles::shareImageName(video));
    const NewFiles::Claimed made = NewFiles::createUnderFreeName(
        folder, name.completeBaseName(), QLatin1Char('.') + name.suffix(), NewFiles::Kind::emptyFile);
    if (!made.failure)
        return made.path;
    if (reason)
        *reason = NewFiles::describe(made.failure->error);
    return std::nullopt;
}

JobOutcome run(const QString &path, const JobOptions &options, const Progress &progress, std::stop_token stop)
{
    QElapsedTimer clock;
    clock.start();
    JobOutcome outcome;
    outcome.input = path;
    const auto finish = [&]() -> JobOutcome {
        outcome.seconds = double(clock.nsecsElapsed()) / 1e9;
        outcome.stopped = stop.stop_requested();
        return outcome;
    };

    outcome.info = QFileInfo(path).isFile() ? MediaAsset::load(QUrl::fromLocalFile(path), stop) : std::nullopt;
    if (!outcome.info) {
        if (!stop.stop_requested()) {
            outcome.problems.append(QFileInfo::exists(path) ? say("%1: can't be read as a video").arg(path)
                                                            : say("%1: no such file").arg(path));
        }
        return finish();
    }
    const VideoInfo &info = *outcome.info;
    const std::optional<Planning::RunPlan> plan = RunPlanner::plan(
        path, info.duration, options.settings, [&](double fraction) { progress(0, 0, fraction); }, stop);
    if (!plan || stop.stop_requested())
        return finish();
    const QList<double> &times = plan->times;
    const ExtractSettings &settings = plan->settings;
    outcome.planned = times.size();
    progress(0, outcome.planned, 1);

    const WorkFolder work;
    if (!work.path) {
        outcome.failed = outcome.planned;
        outcome.problems.append(say("%1: no private work folder could be made in %2").arg(path, TempRoot::path()));
        return finish();
    }
    std::mutex lock;
    QList<Shot> shots;
    outcome.failed = Extractor::run(
        Extractor::ffmpegGenerators(path, settings.mode == ExtractMode::scene), times, settings, *work.path,
        [&](const Shot &shot) {
            const std::lock_guard guard(lock);
            shots.append(shot);
            progress(shots.size(), outcome.planned, 1);
        },
        stop);
    if (stop.stop_requested())
        return finish();
    if (settings.avoidWeak) {
        BetterFrames::avoidWeak(
            Extractor::ffmpegGenerators(path), shots, info.duration, plan->sceneStarts, settings, *work.path,
            [&](const Shot &better) {
                for (Shot &shot : shots) {
                    if (shot.id == better.id)
                        shot = better;
                }
            },
            {}, stop);
        if (stop.stop_requested())
            return finish();
    }
    std::sort(shots.begin(), shots.end(), [](const Shot &a, const Shot &b) { return a.id < b.id; });
    outcome.written = shots.size();
    // Sprites cover the whole video, weak shots included: a seek bar has no gaps.
    const QList<Shot> everyShot = shots;
    const QList<WeakShots::Weakness> verdicts = WeakShots::judge(shots);
    for (qsizetype i = 0; i < shots.size(); ++i)
        outcome.shots.append({shots[i].time, shots[i].score, verdicts[i]});
    if (options.skipWeak) {
        const QSet<qint64> weak = WeakShots::weakIds(shots);
        outcome.weakSkipped = weak.size();
        shots.removeIf([&weak](const Shot &shot) { return weak.contains(shot.id); });
    }
    if (shots.isEmpty()) {
        outcome.problems.append(say("%1: no shot to write").arg(path));
        return finish();
    }

    if (options.exportDir) {
        std::optional<ShotFolderWriter::SourceStamp> stamp;
        if (options.metadata)
            stamp = ShotFolderWriter::SourceStamp{info.fileName(), double(info.fps), ShotFolderWriter::software()};
        const ShotFolderWriter::Outcome exported =
            ShotFolderWriter::write(info.baseName(), shots, *options.exportDir, {}, nullptr, stamp);
        if (!exported.folder.isEmpty())
            outcome.outputs.append(exported.folder);
        if (!exported.failure.isEmpty())
            outcome.problems.append(path + QStringLiteral(": ") + exported.failure);
    }
    if (options.spriteFolder) {
        const PreviewSprites::Outcome sprites = PreviewSprites::write(
            info.baseName(), everyShot, info.duration, info.size, *options.spriteFolder, options.sprites, stop);
        if (!sprites.folder.isEmpty())
            outcome.outputs.append(sprites.folder);
        if (!sprites.failure.isEmpty())
            outcome.problems.append(path + QStringLiteral(": ") + sprites.failure);
        else if (sprites.unreadable > 0)
            outcome.problems.append(say("%1: %2 sprite tiles are black: their shots could not be read")
                                        .arg(path)
                                        .arg(sprites.unreadable));
    }
    if (options.sheetFolder || options.sheetFile) {
        const std::optional<QImage> sheet = SheetRenderer::render(shots, info, options.sheet);
        QString reason;
        std::optional<QString> target;
        if (!sheet) {
            reason = say("the share image is too large to draw");
        } else if (options.sheetFile) {
            // Claimed first, so an existing file is never replaced.
            if (const auto failure = NewFiles::createEmpty(*options.sheetFile); !failure)
                target = QFileInfo(*options.sheetFile).absoluteFilePath();
            else if (failure->error == EEXIST)
                reason = say("“%1” already exists").arg(*options.sheetFile);
            else
                reason = NewFiles::describe(failure->error);
        } else {
            target = reserveSheetName(*options.sheetFolder, info, &reason);
        }
        if (target && SheetFiles::save(*sheet, *target)) {
            outcome.outputs.append(*target);
        } else {
            if (target) {
                QFile::remove(*target);
                reason = say("it could not be written");
            }
            outcome.problems.append(say("%1: no share image: %2").arg(path, reason));
        }
    }
    return finish();
}

} // namespace VideoJob
