#include "basics/Logging.h"
#include "media/Extractor.h"
#include "media/FfmpegFrameGenerator.h"

namespace Extractor {

GeneratorFactory ffmpegGenerators(const QString &path)
{
    // Every generator opens the file anew: a replacement must not inherit the
    // demuxer or decoder state of one that stalled or was cancelled.
    return [path](bool, std::stop_token abandon) -> std::unique_ptr<FrameGenerator> {
        MediaError error;
        std::unique_ptr<FrameGenerator> generator =
            FfmpegFrameGenerator::open(path, &error, {}, abandon);
        if (!generator && !error.cancelled)
            qCInfo(logMedia) << "cannot open for extraction:" << error.text();
        return generator;
    };
}

} // namespace Extractor
