#include "media/BetterFrames.h"

#include "media/FrameConverter.h"
#include "media/ImageFiles.h"
#include "media/ShotScoring.h"

#include <vector>

namespace BetterFrames {

namespace {

struct Candidate {
    FrameConverter::Images images;
    ShotScore score;
    double seconds = 0;
};

// The times to try in a stretch: evenly spread, each in the middle of its
// share, away from the weak shot's own time.
std::vector<MediaTime> candidateTimes(const WeakShots::Stretch &stretch)
{
    std::vector<MediaTime> times;
    const double length = std::max(0.0, stretch.to - stretch.from);
    for (int i = 0; i < candidates; ++i)
        times.push_back(MediaTime::fromSeconds(stretch.from + length * (i + 0.5) / candidates));
    return times;
}

} // namespace

QList<std::optional<Shot>> replace(const Extractor::GeneratorFactory &makeGenerator, const QList<WeakShots::Stretch> &stretches,
                                   float median, const ExtractSettings &settings, const QString &dir,
                                   const std::function<void(int done)> &progress, std::stop_token stop)
{
    QList<std::optional<Shot>> result;
    std::unique_ptr<FrameGenerator> generator;
    for (const WeakShots::Stretch &stretch : stretches) {
        if (stop.stop_requested())
            break;
        if (!generator)
            generator = makeGenerator(true, stop);
        std::optional<Candidate> best;
        if (generator) {
            // Any frame near each candidate time will do: the cheapest is
            // decoded, often a keyframe.
            const double share = std::max(0.0, stretch.to - stretch.from) / candidates;
            generator->setTolerance(MediaTime::fromSeconds(share * 0.45), MediaTime::fromSeconds(share * 0.45));
            FrameGenerator *raw = generator.get();
            const std::stop_callback cancel(stop, [raw] { raw->cancelAll(); });
            generator->images(candidateTimes(stretch), [&](FrameResult &&frame) {
                if (!frame.ok() || std::abs(frame.actualSeconds - stretch.time) < 1e-3)
                    return;
                std::optional<FrameConverter::Images> images =
                    FrameConverter::convert(*frame.image, ImageFiles::thumbnailSide);
                if (!images)
                    return;
                const ShotScore score = ShotScoring::score(images->thumb);
                if (!WeakShots::acceptable(score, stretch, median))
                    return;
                if (!best || score.acuity > best->score.acuity)
                    best = Candidate{std::move(*images), score, frame.actualSeconds};
            });
            if (stop.stop_requested())
                break;
        }
        std::optional<Shot> shot;
        if (best) {
            if (const std::optional<ImageFiles::ShotFiles> files = ImageFiles::writeShot(
                    best->images.full, best->images.thumb, stretch.id, dir, settings.format, settings.quality))
                shot = Shot{stretch.id, best->seconds, files->file, files->thumbFile, best->score};
        }
        result.append(shot);
        if (progress)
            progress(int(result.size()));
    }
    return result;
}

} // namespace BetterFrames
