#pragma once
// What the model needs from the extraction engine, as seven replaceable
// functions (step, release, write, replaceWeak and planScenes optional): the application uses the FFmpeg-backed ones (Engine::ffmpeg()),
// tests script their own with controllable timing.

#include "basics/Planning.h"
#include "basics/Records.h"
#include "basics/WeakShots.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>
#include <stop_token>

struct Engine {
    // Reads the facts of a video, or none when it cannot be opened. Blocking;
    // called on a pool thread.
    using Probe = std::function<std::optional<VideoInfo>(const QUrl &url, std::stop_token stop)>;

    // Called once per written shot, from any thread, possibly several at once.
    using ShotCallback = std::function<void(const Shot &)>;

    // Writes one shot per time of `plan`, with its settings, into the
    // existing folder `dir`, reporting each through `onShot`, and returns
    // the number of times that produced no shot. Calls `working` now and
    // then while it works on without a new shot (replacing weak ones), from
    // its own thread. Ends early when `stop` is requested. Blocking; called
    // on a thread of the runner's extraction pool.
    using Extract = std::function<int(const VideoInfo &info, const Planning::RunPlan &plan, const QString &dir,
                                      const ShotCallback &onShot, const std::function<void()> &working,
                                      std::stop_token stop)>;

    // Writes the frame shown at exactly `target` seconds as shot `id` into
    // the existing folder `dir`; none when it cannot. May keep the video's
    // decoder open for the next step of the same video. Blocking; called on
    // a pool thread, at most one call per video at a time. Optional: without
    // it shots cannot be stepped.
    using Step = std::function<std::optional<Shot>(const VideoInfo &info, qint64 id, double target,
                                                   const ExtractSettings &settings, const QString &dir,
                                                   std::stop_token stop)>;
    // Lets go of whatever `step` keeps open for the video at `url`. UI thread.
    using Release = std::function<void(const QUrl &url)>;

    // Writes `frame`, the full-size picture shown at `time` seconds, as shot
    // `id` into the existing folder `dir`, in the format and quality of
    // `settings`; none when it cannot. Blocking; called on a pool thread.
    // Optional: without it no shot can be added by hand.
    using Write = std::function<std::optional<Shot>(const QImage &frame, qint64 id, double time,
                                                    const ExtractSettings &settings, const QString &dir)>;

    // Writes, for each stretch in order, the best frame of that stretch of
    // the video as its shot into the existing folder `dir`, or none when the
    // stretch holds no acceptable frame (see WeakShots::acceptable; `median`
    // is the video's median acuity). Fewer answers than stretches when
    // `stop` ended it. `progress` is told how many are done, from the
    // calling thread. Blocking; called on a pool thread. Optional: without
    // it weak shots cannot be replaced.
    using ReplaceWeak = std::function<QList<std::optional<Shot>>(
        const VideoInfo &info, const QList<WeakShots::Stretch> &stretches, float median,
        const ExtractSettings &settings, const QString &dir, const std::function<void(int done)> &progress,
        std::stop_token stop)>;

    // How far a scan has got, 0..1; from the scanning thread.
    using ScanProgress = std::function<void(double fraction)>;
    // The plan of a scene run of at most `settings.count` shots, one a
    // little into each scene, with the settings to extract them with; none
    // only when `stop` was requested. Blocking; called on a thread of the
    // runner's extraction pool. Optional: without it a scene run plans like count mode.
    using PlanScenes = std::function<std::optional<Planning::RunPlan>(
        const VideoInfo &info, const ExtractSettings &settings, const ScanProgress &progress, std::stop_token stop)>;

    Probe probe;
    Extract extract;
    Step step;
    Release release;
    Write write;
    ReplaceWeak replaceWeak;
    PlanScenes planScenes;

    // MediaAsset::load and Extractor::run on FFmpeg frame generators; steps
    // through a ShotStepper kept per video until released; plans scene runs
    // with the RunPlanner, as the command line does; writes added shots as
    // the extractor writes its own; replaces weak shots with BetterFrames.
    static Engine ffmpeg();
};
