// The engine the application runs with. Kept apart from the model so that
// tests, which inject scripted engines, never link the FFmpeg code paths.
#include "model/Engine.h"

#include "media/BetterFrames.h"
#include "media/Extractor.h"
#include "media/MediaAsset.h"
#include "media/RunPlanner.h"
#include "media/ShotStepper.h"

#include <QHash>

#include <memory>
#include <mutex>

namespace {

// The open steppers, one per video; shared by the engine's functions.
struct Steppers {
    std::mutex lock;
    QHash<QUrl, std::shared_ptr<ShotStepper>> open;

    std::shared_ptr<ShotStepper> forVideo(const QUrl &url)
    {
        const std::lock_guard guard(lock);
        std::shared_ptr<ShotStepper> &stepper = open[url];
        if (!stepper)
            stepper = std::make_shared<ShotStepper>(url.toLocalFile());
        return stepper;
    }
};

} // namespace

Engine Engine::ffmpeg()
{
    Engine engine;
    engine.probe = [](const QUrl &url, std::stop_token stop) -> std::optional<VideoInfo> {
        if (!url.isLocalFile())
            return std::nullopt;
        return MediaAsset::load(url, stop);
    };
    engine.extract = [](const VideoInfo &info, const Planning::RunPlan &plan, const QString &dir,
                        const ShotCallback &onShot, const std::function<void()> &working, std::stop_token stop) {
        const QList<double> &times = plan.times;
        const ExtractSettings &settings = plan.settings;
        const Extractor::GeneratorFactory generators
            = Extractor::ffmpegGenerators(info.url.toLocalFile(), settings.mode == ExtractMode::scene);
        if (!settings.avoidWeak)
            return Extractor::run(generators, times, settings, dir, onShot, stop);
        std::mutex lock;
        QList<Shot> written;
        const int failed = Extractor::run(generators, times, settings, dir, [&](const Shot &shot) {
            {
                const std::lock_guard guard(lock);
                written.append(shot);
            }
            onShot(shot);
        }, stop);
        BetterFrames::avoidWeak(generators, written, info.duration, plan.sceneStarts, settings, dir, onShot, working,
                                stop);
        return failed;
    };
    const auto steppers = std::make_shared<Steppers>();
    engine.step = [steppers](const VideoInfo &info, qint64 id, double target, const ExtractSettings &settings,
                             const QString &dir, std::stop_token stop) -> std::optional<Shot> {
        if (!info.url.isLocalFile())
            return std::nullopt;
        // Held for the step, so a release meanwhile closes the decoder after it.
        const std::shared_ptr<ShotStepper> stepper = steppers->forVideo(info.url);
        return stepper->step(id, target, settings, dir, stop);
    };
    engine.write = [](const QImage &frame, qint64 id, double time, const ExtractSettings &settings,
                      const QString &dir) { return Extractor::writeImage(frame, id, time, settings, dir); };
    engine.replaceWeak = [](const VideoInfo &info, const QList<WeakShots::Stretch> &stretches, float median,
                            const ExtractSettings &settings, const QString &dir,
                            const std::function<void(int)> &progress, std::stop_token stop) {
        return BetterFrames::replace(Extractor::ffmpegGenerators(info.url.toLocalFile()), stretches, median, settings,
                                     dir, progress, stop);
    };
    engine.release = [steppers](const QUrl &url) {
        std::shared_ptr<ShotStepper> closing;
        {
            const std::lock_guard guard(steppers->lock);
            closing = steppers->open.take(url);
        }
        // Destroyed outside the lock, after any step still using it.
    };
    engine.planScenes = [](const VideoInfo &info, const ExtractSettings &settings, const ScanProgress &progress,
                           std::stop_token stop) -> std::optional<Planning::RunPlan> {
        if (!info.url.isLocalFile())
            return Planning::plan(settings, info.duration);
        return RunPlanner::plan(info.url.toLocalFile(), info.duration, settings, progress, stop);
    };
    return engine;
}
