// A scene run as the application does it: the scan, the plan and the
// extraction, timed; prints the cuts kept, the shots written and the times.
//
//   framelark-scene-bench VIDEO [--count N] [--precise] [--keyframes] [--progress] --out DIR
//
// Prints "cut SECONDS STRENGTH" per kept scene start after the first,
// "shot ID SECONDS FILE" per shot, then "scan SECONDS" and "total SECONDS".
// bench/scenes makes the clip and compares with the ffmpeg tool.

#include "basics/ScenePlanning.h"
#include "media/Extractor.h"
#include "media/MediaAsset.h"
#include "media/RunPlanner.h"
#include "media/ScanFrames.h"
#include "media/SceneScanner.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <vector>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qsizetype outAt = args.indexOf(QStringLiteral("--out"));
    if (args.size() < 2 || outAt < 0 || outAt + 1 >= args.size()) {
        std::fprintf(stderr, "usage: framelark-scene-bench VIDEO [--count N] [--precise] [--keyframes] [--progress] --out DIR\n");
        return 2;
    }
    const qsizetype countAt = args.indexOf(QStringLiteral("--count"));
    ExtractSettings settings;
    settings.mode = ExtractMode::scene;
    settings.count = countAt > 0 && countAt + 1 < args.size() ? std::max(1, args[countAt + 1].toInt()) : 24;
    settings.precise = args.contains(QStringLiteral("--precise"));
    const QString video = args[1];
    const QString out = args[outAt + 1];
    QDir().mkpath(out);

    QElapsedTimer total;
    total.start();
    const std::optional<VideoInfo> info = MediaAsset::load(QUrl::fromLocalFile(video));
    if (!info) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(video));
        return 1;
    }
    MediaError error;
    // With --progress, each progress step as it comes, to see how evenly it
    // runs against the clock.
    SceneScanner::Progress progress;
    if (args.contains(QStringLiteral("--progress")))
        progress = [&total](double fraction) {
            std::fprintf(stderr, "progress %.2f %.3f\n", double(total.nsecsElapsed()) / 1e9, fraction);
        };
    std::optional<SceneScanner::Scan> scan
        = SceneScanner::scan(video, info->duration, settings.count, progress, {}, &error);
    if (!scan) {
        std::fprintf(stderr, "scan failed: %s\n", qPrintable(error.text()));
        return 1;
    }
    const double scanSeconds = double(total.nsecsElapsed()) / 1e9;
    if (args.contains(QStringLiteral("--keyframes"))) {
        for (const double keyframe : scan->keyframes)
            std::printf("keyframe %.3f\n", keyframe);
    }
    for (const ScenePlanning::Cut &cut : ScenePlanning::strongest(scan->cuts, settings.count))
        std::printf("cut %.3f %.3f\n", cut.start, double(cut.strength));
    std::printf("frames decoded by the scan where shots may go %zu\n", scan->frames.size());
    const std::size_t refined = size_t(scan->refined);
    const std::size_t found = scan->cuts.size();
    const std::size_t keyframes = scan->keyframes.size();
    // Held to the end: the plan holds the frames its scan kept.
    const Planning::RunPlan plan = RunPlanner::fromScan(video, std::move(*scan), info->duration, settings);
    const QList<double> &times = plan.times;
    std::printf("frames kept from the scan %.1f MB\n", double(ScanFrames::keptBytes()) / (1 << 20));

    // As the application runs it: exactly on the planned frames.
    ExtractSettings extraction = settings;
    extraction.precise = true;
    std::mutex lock;
    std::vector<Shot> shots;
    const int failed = Extractor::run(Extractor::ffmpegGenerators(video, true), times, extraction, out,
                                      [&](const Shot &shot) {
                                          const std::lock_guard guard(lock);
                                          shots.push_back(shot);
                                      });
    const double totalSeconds = double(total.nsecsElapsed()) / 1e9;
    std::sort(shots.begin(), shots.end(), [](const Shot &a, const Shot &b) { return a.id < b.id; });
    for (const Shot &shot : shots)
        std::printf("shot %lld %.3f %s\n", qlonglong(shot.id), shot.time, qPrintable(shot.file));
    std::printf("keyframes %zu refined %zu candidates-found %zu failed %d\n", keyframes, refined, found, failed);
    std::printf("scan %.3f\ntotal %.3f\n", scanSeconds, totalSeconds);
    return failed == 0 ? 0 : 1;
}
