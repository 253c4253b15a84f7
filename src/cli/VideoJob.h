#pragma once
// One video of a batch, from probe to written files: plan as the window
// plans (scene runs scan first), extract into a private work folder, leave
// out the weak shots when asked, export and render the share image exactly
// as the window's commands do, then remove the work folder.
//
// Thread: blocking, on the calling thread (the extractor and renderer use
// their own threads). Failure: reported in the outcome, never thrown; a stop
// ends the job promptly with `stopped` set and nothing left in the work folder.

#include "basics/Records.h"
#include "basics/WeakShots.h"
#include "basics/SheetOptions.h"
#include "export/PreviewSprites.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <stop_token>

struct JobOptions {
    ExtractSettings settings;
    SheetOptions sheet;
    std::optional<QString> exportDir;
    std::optional<QString> sheetFolder;  // share image named after the video in here
    std::optional<QString> sheetFile;    // or exactly this file
    bool skipWeak = false;
    bool metadata = false;                // source details in exported shots
    std::optional<QString> spriteFolder;  // preview sprites in a new folder in here
    PreviewSprites::Options sprites;
};

struct JobOutcome {
    QString input;
    std::optional<VideoInfo> info;  // none when the file is no readable video
    qint64 planned = 0;
    qint64 written = 0;
    qint64 failed = 0;      // planned shots that could not be made
    qint64 weakSkipped = 0;
    // Every shot written, in time order, with its verdict (WeakShots::judge).
    struct ShotReport {
        double time = 0;
        ShotScore score;
        WeakShots::Weakness weakness = WeakShots::Weakness::none;
    };
    QList<ShotReport> shots;
    QStringList outputs;    // the screenshots and sprites folders and the share image made
    QStringList problems;   // what went wrong, each naming the file and the reason
    double seconds = 0;
    bool stopped = false;

    // Every planned shot was made and every output written.
    bool complete() const { return info && failed == 0 && problems.isEmpty() && !stopped; }
};

namespace VideoJob {

// How far a job has got: the shots written of the planned ones; while a
// scene run scans, `planned` is 0 and `scan` its fraction.
using Progress = std::function<void(qint64 written, qint64 planned, double scan)>;

JobOutcome run(const QString &path, const JobOptions &options, const Progress &progress, std::stop_token stop);

// "Holiday Share Image.jpg" in `folder`, or "Holiday Share Image 2.jpg" and
// on when taken, created empty so that nobody else takes it; none when no
// name can be created, with errno's text in `reason`.
std::optional<QString> reserveSheetName(const QString &folder, const VideoInfo &video, QString *reason);

} // namespace VideoJob
