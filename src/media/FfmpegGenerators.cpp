#include "media/Extractor.h"
#include "media/FfmpegFrameGenerator.h"

namespace Extractor {

GeneratorFactory ffmpegGenerators(const QString &path)
{
    // Every generator opens the file anew: a replacement must not inherit the
    // demuxer or decoder state of one that stalled or was cancelled.
    return [path](bool, std::stop_token abandon) -> std::unique_ptr<FrameGenerator> {
        return FfmpegFrameGenerator::open(path, nullptr, {}, abandon);
    };
}

} // namespace Extractor
