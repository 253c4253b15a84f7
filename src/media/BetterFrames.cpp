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

// The keyframes inside a stretch, at most `candidates`, away from the weak
// shot's own time: each costs one seek and one decode.
std::vector<MediaTime> keyframesIn(FrameGenerator &generator, const WeakShots::Stretch &stretch)
{
    std::vector<MediaTime> times;
    const std::optional<FrameGenerator::Keyframe> first = generator.keyframeBefore(MediaTime::fromSeconds(stretch.from));
    for (size_t index = first ? first->index : 0; first && int(times.size()) < candidates; ++index) {
        const std::optional<FrameGenerator::Keyframe> keyframe = generator.keyframeAt(index);
        if (!keyframe || keyframe->time.seconds() > stretch.to)
            break;
        if (keyframe->time.seconds() >= stretch.from && std::abs(keyframe->time.seconds() - stretch.time) > 1e-3)
            times.push_back(keyframe->time);
    }
    return times;
}

// Times evenly spread over a stretch, each in the middle of its share.
std::vector<MediaTime> spreadOver(const WeakShots::Stretch &stretch)
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
    // Each stretch is judged against its neighbours as they will be: a weak
    // neighbour before it that was just replaced counts with its new frame.
    QList<WeakShots::Stretch> pending = stretches;
    for (qsizetype index = 0; index < pending.size(); ++index) {
        const WeakShots::Stretch &stretch = pending[index];
        if (stop.stop_requested())
            break;
        if (!generator)
            generator = makeGenerator(true, stop);
        // A file that cannot be opened (or a stop while opening) leaves the
        // rest untried, rather than answering "nothing better" for them.
        if (!generator || stop.stop_requested())
            break;
        std::optional<Candidate> best;
        FrameGenerator *raw = generator.get();
        const std::stop_callback cancel(stop, [raw] { raw->cancelAll(); });
        // The stretch's keyframes first, one decode each. Frames spread over
        // the stretch (the cheapest near each, which may mean decoding on
        // from a keyframe) only where fewer than two keyframes could be
        // tried: where two or more were and none would do, the stretch is
        // most likely weak throughout (a long black, a frozen or repeating
        // picture), and decoding on would cost the most for nothing.
        const double share = std::max(0.0, stretch.to - stretch.from) / candidates;
        const std::vector<MediaTime> keyframes = keyframesIn(*generator, stretch);
        const std::pair<std::vector<MediaTime>, double> passes[] = {
            {keyframes, 0.002},
            {keyframes.size() < 2 ? spreadOver(stretch) : std::vector<MediaTime>{}, share * 0.45},
        };
        for (const auto &[times, tolerance] : passes) {
            if (best || times.empty() || stop.stop_requested())
                continue;
            generator->setTolerance(MediaTime::fromSeconds(tolerance), MediaTime::fromSeconds(tolerance));
            generator->images(times, [&](FrameResult &&frame) {
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
        }
        if (stop.stop_requested())
            break;
        std::optional<Shot> shot;
        if (best) {
            if (const std::optional<ImageFiles::ShotFiles> files = ImageFiles::writeShot(
                    best->images.full, best->images.thumb, stretch.id, dir, settings.format, settings.quality))
                shot = Shot{stretch.id, best->seconds, files->file, files->thumbFile, best->score};
        }
        result.append(shot);
        if (shot && index + 1 < pending.size() && pending[index + 1].from == stretch.to)
            pending[index + 1].before = shot->score;
        if (progress)
            progress(int(result.size()));
    }
    return result;
}

int avoidWeak(const Extractor::GeneratorFactory &makeGenerator, QList<Shot> shots, double duration,
              const QList<double> &sceneStarts, const ExtractSettings &settings, const QString &dir,
              const Extractor::ShotCallback &onShot, const std::function<void()> &working, std::stop_token stop)
{
    std::sort(shots.begin(), shots.end(), [](const Shot &a, const Shot &b) { return a.time < b.time; });
    const QList<WeakShots::Stretch> stretches = WeakShots::weakStretches(shots, duration, sceneStarts);
    if (stretches.isEmpty() || stop.stop_requested())
        return 0;
    const QString folder = QDir(dir).filePath(QStringLiteral("better-") + QUuid::createUuid().toString(QUuid::WithoutBraces));
    if (!QDir().mkdir(folder))
        return 0;
    const auto tried = [&working](int) {
        if (working)
            working();
    };
    const QList<std::optional<Shot>> found =
        replace(makeGenerator, stretches, WeakShots::medianAcuity(shots), settings, folder, tried, stop);
    int replaced = 0;
    for (const std::optional<Shot> &better : found) {
        if (stop.stop_requested())
            break;
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
