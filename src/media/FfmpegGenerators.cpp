#include "basics/Logging.h"
#include "media/Extractor.h"
#include "media/FfmpegFrameGenerator.h"
#include "media/ScanFrames.h"

#include <atomic>

namespace {

// Answers the times a scene scan kept frames for from those frames, and
// hands the rest to the decoding generator. Once cancelled, everything goes
// to the decoding generator, which fails it.
class KeptFirst final : public FrameGenerator {
public:
    KeptFirst(QString path, unsigned generation, std::unique_ptr<FrameGenerator> decoding)
        : m_path(std::move(path))
        , m_generation(generation)
        , m_decoding(std::move(decoding))
    {
    }

    void setTolerance(MediaTime before, MediaTime after) override { m_decoding->setTolerance(before, after); }

    void images(const std::vector<MediaTime> &times, const std::function<void(FrameResult &&)> &sink) override
    {
        std::vector<MediaTime> rest;
        for (const MediaTime time : times) {
            if (std::optional<FrameResult> kept = fromScan(time))
                sink(std::move(*kept));
            else
                rest.push_back(time);
        }
        if (!rest.empty())
            m_decoding->images(rest, sink);
    }

    FrameResult image(MediaTime time) override
    {
        if (std::optional<FrameResult> kept = fromScan(time))
            return std::move(*kept);
        return m_decoding->image(time);
    }

    std::optional<Keyframe> keyframeBefore(MediaTime time) override { return m_decoding->keyframeBefore(time); }
    std::optional<Keyframe> keyframeAt(size_t index) override { return m_decoding->keyframeAt(index); }

    void cancelAll() override
    {
        m_cancelled = true;
        m_decoding->cancelAll();
    }

private:
    std::optional<FrameResult> fromScan(MediaTime time)
    {
        if (m_cancelled)
            return std::nullopt;
        return ScanFrames::take(m_path, m_generation, time);
    }

    const QString m_path;
    const unsigned m_generation;
    const std::unique_ptr<FrameGenerator> m_decoding;
    std::atomic<bool> m_cancelled{false};
};

} // namespace

namespace Extractor {

GeneratorFactory ffmpegGenerators(const QString &path, bool scanFrames)
{
    // The frames a scan kept for the run stay at least as long as the
    // generators may ask for them; a later scan's frames are not touched.
    const unsigned generation = scanFrames ? ScanFrames::generation(path) : 0;
    const std::shared_ptr<const void> kept = ScanFrames::heldUntilDropped(path, generation);
    // Every generator opens the file anew: a replacement must not inherit the
    // demuxer or decoder state of one that stalled or was cancelled.
    return [path, generation, kept](bool, std::stop_token abandon) -> std::unique_ptr<FrameGenerator> {
        MediaError error;
        std::unique_ptr<FrameGenerator> generator =
            FfmpegFrameGenerator::open(path, &error, {}, abandon);
        if (!generator && !error.cancelled)
            qCInfo(logMedia) << "cannot open for extraction:" << error.text();
        if (!generator || generation == 0)
            return generator;
        return std::make_unique<KeptFirst>(path, generation, std::move(generator));
    };
}

} // namespace Extractor
