// How fast the timeline answers: hover previews at 50 random moments right
// after the video is opened (median and worst), and exact frames at 50 random
// moments with the decoder kept open, against the floor: decoding forward
// from the keyframe before each moment with a decoder already standing on
// that keyframe (no seek, no conversion).
//
//   framelark-moment-bench VIDEO [--count N] [--seed S]

#include "media/Extractor.h"
#include "media/MediaAsset.h"
#include "media/MomentFrames.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

struct Spread {
    double median = 0;
    double worst = 0;
};

Spread spread(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return ms.empty() ? Spread{} : Spread{ms[ms.size() / 2], ms.back()};
}

double since(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: framelark-moment-bench VIDEO [--count N] [--seed S]\n");
        return 2;
    }
    const auto option = [&](const char *name, int fallback) {
        const int at = args.indexOf(QLatin1String(name));
        return at > 0 && at + 1 < args.size() ? args[at + 1].toInt() : fallback;
    };
    const int count = std::max(1, option("--count", 50));
    const QString video = args[1];
    const std::optional<VideoInfo> info = MediaAsset::load(QUrl::fromLocalFile(video));
    if (!info) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(video));
        return 1;
    }
    std::mt19937 random(unsigned(option("--seed", 7)));
    std::uniform_real_distribution<double> anywhere(0, info->duration);
    std::vector<double> moments(static_cast<size_t>(count), 0.0);
    for (double &moment : moments)
        moment = anywhere(random);
    std::printf("%s: %.0fx%.0f, %.2f fps, %.1f s\n", qPrintable(QFileInfo(video).fileName()), info->size.width(),
                info->size.height(), double(info->fps), info->duration);

    // Previews as the timeline asks for them: 320 px, one after the other.
    {
        MomentFrames frames(video);
        QElapsedTimer opening;
        opening.start();
        frames.prepare(320, {});
        std::printf("opening both decoders: %.1f ms\n", since(opening));
        std::vector<double> ms;
        int failed = 0;
        for (const double moment : moments) {
            QElapsedTimer timer;
            timer.start();
            failed += frames.preview(moment, 320, {}) ? 0 : 1;
            ms.push_back(since(timer));
            if (qEnvironmentVariableIsSet("MOMENT_TRACE"))
                std::printf("  %.2f s: %.1f ms\n", moment, ms.back());
        }
        const Spread s = spread(ms);
        std::printf("hover preview  %d moments: median %.1f ms, worst %.1f ms, %d failed\n",
                    count, s.median, s.worst, failed);
        // The timeline keeps the other keyframes' previews while idle.
        QElapsedTimer timer;
        timer.start();
        int kept = 0;
        while (frames.keepNextPreview(320, {}))
            ++kept;
        std::printf("keeping the other %d keyframes' previews: %.0f ms\n", kept, since(timer));
    }

    // Exact frames with the decoder kept open; the floor decodes forward
    // from the keyframe on a second decoder that already holds it.
    {
        MomentFrames frames(video);
        frames.prepare(320, {});
        std::unique_ptr<FrameGenerator> floorDecoder = Extractor::ffmpegGenerators(video)(true, {});
        floorDecoder->setTolerance(MediaTime(), MediaTime());
        std::vector<double> exact, floor;
        int failed = 0;
        for (const double moment : moments) {
            QElapsedTimer timer;
            timer.start();
            failed += frames.exact(moment, {}) ? 0 : 1;
            exact.push_back(since(timer));
            if (const std::optional<FrameGenerator::Keyframe> keyframe =
                    floorDecoder->keyframeBefore(MediaTime::fromSeconds(moment))) {
                floorDecoder->image(keyframe->time);
                timer.restart();
                floorDecoder->image(MediaTime::fromSeconds(moment));
                floor.push_back(since(timer));
            }
        }
        // Adding the frame shown as a shot: what happens off the UI thread
        // between the key press and the new row (JPEG, thumbnail, score).
        if (const std::optional<Moment> shown = frames.exact(moments.back(), {})) {
            QTemporaryDir dir;
            std::vector<double> adding;
            for (int i = 0; i < 10; ++i) {
                QElapsedTimer timer;
                timer.start();
                Extractor::writeImage(shown->image, 1000 + i, shown->seconds, ExtractSettings{}, dir.path());
                adding.push_back(since(timer));
            }
            const Spread a = spread(adding);
            std::printf("adding a shot  writing its files: median %.1f ms, worst %.1f ms\n", a.median, a.worst);
        }
        const Spread e = spread(exact), f = spread(floor);
        std::printf("exact frame    %d moments: median %.1f ms, worst %.1f ms, %d failed; floor median %.1f ms "
                    "(ratio %.2f)\n",
                    count, e.median, e.worst, failed, f.median, f.median > 0 ? e.median / f.median : 0.0);
    }
    return 0;
}
