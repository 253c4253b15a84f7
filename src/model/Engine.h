#pragma once
// What the model needs from the extraction engine, as two replaceable
// functions: the application uses the FFmpeg-backed ones (Engine::ffmpeg()),
// tests script their own with controllable timing.

#include "engine/Records.h"

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

    // Writes one shot per planned time into the existing folder `dir`,
    // reporting each through `onShot`, and returns the number of times that
    // produced no shot. Ends early when `stop` is requested. Blocking; called
    // on a dedicated extraction thread.
    using Extract = std::function<int(const VideoInfo &info, const QList<double> &times,
                                      const ExtractSettings &settings, const QString &dir,
                                      const ShotCallback &onShot, std::stop_token stop)>;

    Probe probe;
    Extract extract;

    // MediaAsset::load and Extractor::run on FFmpeg frame generators.
    static Engine ffmpeg();
};
