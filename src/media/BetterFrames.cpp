#include "media/BetterFrames.h"

#include "media/FrameConverter.h"
#include "media/ImageFiles.h"
#include "media/ShotScoring.h"

#include <QDir>
#include <QFile>
#include <QUuid>

#include <algorithm>
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
        // A file that cannot be opened (or a stop while opening) leaves the
        // rest untried, rather than answering "nothing better" for them.
        if (!generator || stop.stop_requested())
            break;
        std::optional<Candidate> best;
        {
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

int avoidWeak(const Extractor::GeneratorFactory &makeGenerator, QList<Shot> shots, double duration,
              const ExtractSettings &settings, const QString &dir, const Extractor::ShotCallback &onShot,
              std::stop_token stop)
{
    std::sort(shots.begin(), shots.end(), [](const Shot &a, const Shot &b) { return a.time < b.time; });
    const QList<WeakShots::Stretch> stretches = WeakShots::weakStretches(shots, duration);
    if (stretches.isEmpty() || stop.stop_requested())
        return 0;
    const QString folder = QDir(dir).filePath(QStringLiteral("better-") + QUuid::createUuid().toString(QUuid::WithoutBraces));
    if (!QDir().mkdir(folder))
        return 0;
    const QList<std::optional<Shot>> found =
        replace(makeGenerator, stretches, WeakShots::medianAcuity(shots), settings, folder, {}, stop);
    int replaced = 0;
    for (const std::optional<Shot> &better : found) {
        if (!better)
            continue;
        const auto first = std::find_if(shots.cbegin(), shots.cend(), [&](const Shot &s) { return s.id == better->id; });
        onShot(*better);
        if (first != shots.cend()) {
            QFile::remove(first->file);
            QFile::remove(first->thumbFile);
        }
        ++replaced;
    }
    if (replaced == 0)
        QDir(folder).removeRecursively();
    return replaced;
}

} // namespace BetterFrames
