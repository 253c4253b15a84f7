// The engine the application runs with. Kept apart from the model so that
// tests, which inject scripted engines, never link the FFmpeg code paths.
#include "model/Engine.h"

#include "media/Extractor.h"
#include "media/MediaAsset.h"

Engine Engine::ffmpeg()
{
    Engine engine;
    engine.probe = [](const QUrl &url, std::stop_token stop) -> std::optional<VideoInfo> {
        if (!url.isLocalFile())
            return std::nullopt;
        return MediaAsset::load(url, stop);
    };
    engine.extract = [](const VideoInfo &info, const QList<double> &times,
                        const ExtractSettings &settings, const QString &dir,
                        const ShotCallback &onShot, std::stop_token stop) {
        return Extractor::run(Extractor::ffmpegGenerators(info.url.toLocalFile()), times, settings,
                              dir, onShot, stop);
    };
    return engine;
}
