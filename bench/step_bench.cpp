// How long moving a shot by one frame takes: the work a step does (one
// frame-exact decode at the neighbouring frame, written as a shot into a
// folder of its own), 50 times forward and 50 times backward from a shot in
// the middle of the video; reports the medians, with the decoder kept open
// between steps (as the application does) and opened afresh for each.
//
//   framelark-step-bench VIDEO [--steps N]
//
// Make the clip the targets are stated for with
//   ffmpeg -f lavfi -i testsrc2=size=1920x1080:rate=30 -t 60 -c:v libx264 -g 60 -pix_fmt yuv420p clip.mp4

#include "basics/Stepping.h"
#include "media/Extractor.h"
#include "media/MediaAsset.h"
#include "media/ShotStepper.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <vector>

namespace {

// One step from `time`; the time of the frame reached, or none. With a
// stepper its open decoder is used, else the file is opened for this step.
std::optional<double> stepOnce(ShotStepper *stepper, const QString &video, const VideoInfo &info, double time,
                               ShotStep step, const QString &folder)
{
    const std::optional<double> target = Stepping::target(time, step, info.fps, info.duration);
    if (!target)
        return std::nullopt;
    ExtractSettings settings;
    settings.precise = true;
    if (stepper) {
        const std::optional<Shot> shot = stepper->step(0, *target, settings, folder, {});
        return shot ? std::optional(shot->time) : std::nullopt;
    }
    std::mutex lock;
    std::optional<double> reached;
    Extractor::run(Extractor::ffmpegGenerators(video), {*target}, settings, folder, [&](const Shot &shot) {
        const std::lock_guard guard(lock);
        reached = shot.time;
    });
    return reached;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: framelark-step-bench VIDEO [--steps N]\n");
        return 2;
    }
    const int at = args.indexOf(QStringLiteral("--steps"));
    const int steps = at > 0 && at + 1 < args.size() ? std::max(1, args[at + 1].toInt()) : 50;
    const QString video = args[1];
    const std::optional<VideoInfo> info = MediaAsset::load(QUrl::fromLocalFile(video));
    if (!info) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(video));
        return 1;
    }
    QTemporaryDir dir;
    int folders = 0;
    const auto measure = [&](ShotStep step, const char *name, bool keepOpen) {
        ShotStepper stepper(video);
        std::vector<double> ms;
        double time = info->duration / 2;
        for (int i = 0; i < steps; ++i) {
            const QString folder = dir.filePath(QString::number(++folders));
            QDir().mkpath(folder);
            QElapsedTimer timer;
            timer.start();
            const std::optional<double> reached = stepOnce(keepOpen ? &stepper : nullptr, video, *info, time, step, folder);
            ms.push_back(timer.nsecsElapsed() / 1e6);
            if (!reached) {
                std::fprintf(stderr, "%s step %d from %.3f s failed\n", name, i, time);
                return;
            }
            time = *reached;
        }
        std::printf("%-14s %-11s %d steps: median %.1f ms, max %.1f ms\n", name, keepOpen ? "kept open" : "each anew", steps, median(ms),
                    *std::max_element(ms.begin(), ms.end()));
    };
    std::printf("%s: %.0fx%.0f, %.2f fps, %.1f s\n", qPrintable(QFileInfo(video).fileName()), info->size.width(),
                info->size.height(), double(info->fps), info->duration);
    for (const bool keepOpen : {true, false}) {
        measure(ShotStep::nextFrame, "next frame", keepOpen);
        measure(ShotStep::previousFrame, "previous frame", keepOpen);
    }
    return 0;
}
