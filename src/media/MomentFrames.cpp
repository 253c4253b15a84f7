#include "media/MomentFrames.h"

#include "basics/Logging.h"
#include "media/Extractor.h"
#include "media/FrameConverter.h"
#include "media/ImageFiles.h"

namespace {

// Around a keyframe's estimated time: wide enough for the estimate's
// rounding, too narrow to take any other frame but the one already held.
constexpr double keyframeWindow = 0.002;
// How much the kept previews may take: all 300 of a 10-minute phone video
// (a keyframe every 2 s) at 320 px, some 230 KB each; at 200 % scale or with
// denser keyframes, the ones asked for last.
constexpr qsizetype keptBytes = 72 * 1024 * 1024;

} // namespace

MomentFrames::MomentFrames(QString path)
    : m_path(std::move(path))
{
}

MomentFrames::~MomentFrames() = default;

bool MomentFrames::prepare(double maxSide, std::stop_token stop)
{
    const bool previews = preview(0, maxSide, stop).has_value();
    return exact(0, stop).has_value() && previews;
}

bool MomentFrames::keepNextPreview(double maxSide, std::stop_token stop)
{
    const std::lock_guard guard(m_previewLane.lock);
    if (!m_previewLane.generator)
        return false;
    std::optional<FrameGenerator::Keyframe> keyframe;
    {
        const std::lock_guard keep(m_previewsLock);
        // The idle fill never pushes out what was asked for: it stops once
        // one more preview would not fit.
        const qsizetype each = m_previews.empty() ? 0 : m_previews.begin()->second.moment.image.sizeInBytes();
        if (m_keptBytes + each > keptBytes)
            return false;
        while (m_previews.count(m_nextToKeep))
            ++m_nextToKeep;
        keyframe = m_previewLane.generator->keyframeAt(m_nextToKeep);
        // Tried once each, kept or not: a keyframe that cannot be decoded
        // must not be tried again and again.
        ++m_nextToKeep;
    }
    if (!keyframe)
        return false;
    previewOf(*keyframe, maxSide, stop);
    return true;
}

bool MomentFrames::open(Lane &lane, MediaTime tolerance, std::stop_token stop)
{
    if (stop.stop_requested())
        return false;
    if (!lane.generator) {
        lane.generator = Extractor::ffmpegGenerators(m_path)(true, stop);
        if (!lane.generator)
            return false;
        lane.generator->setTolerance(tolerance, tolerance);
    }
    return true;
}

std::optional<VideoFrame> MomentFrames::decode(Lane &lane, double seconds, double *actual, std::stop_token stop)
{
    FrameResult result;
    {
        FrameGenerator *generator = lane.generator.get();
        const std::stop_callback cancel(stop, [generator] { generator->cancelAll(); });
        result = lane.generator->image(MediaTime::fromSeconds(seconds));
    }
    if (!result.ok()) {
        if (!stop.stop_requested())
            qCInfo(logMedia).noquote() << "no frame at" << seconds << "s of" << m_path << ":" << result.error.text();
        lane.generator.reset();
        return std::nullopt;
    }
    *actual = result.actualSeconds;
    return std::move(*result.image);
}

std::optional<Moment> MomentFrames::preview(double seconds, double maxSide, std::stop_token stop)
{
    const std::lock_guard guard(m_previewLane.lock);
    if (!open(m_previewLane, MediaTime::fromSeconds(keyframeWindow), stop))
        return std::nullopt;
    // The keyframe a decoder would start from: kept, it costs nothing;
    // otherwise one seek and one decode. A file without a keyframe index
    // decodes the frame at the time itself.
    if (const std::optional<FrameGenerator::Keyframe> keyframe =
            m_previewLane.generator->keyframeBefore(MediaTime::fromSeconds(seconds)))
        return previewOf(*keyframe, maxSide, stop);
    double actual = 0;
    const std::optional<VideoFrame> frame = decode(m_previewLane, seconds, &actual, stop);
    std::optional<FrameConverter::Images> images = frame ? FrameConverter::convert(*frame, maxSide) : std::nullopt;
    return images ? std::optional(Moment{images->thumb, actual}) : std::nullopt;
}

std::optional<Moment> MomentFrames::previewOf(const FrameGenerator::Keyframe &keyframe, double maxSide,
                                              std::stop_token stop)
{
    {
        const std::lock_guard keep(m_previewsLock);
        const auto kept = m_previews.find(keyframe.index);
        if (kept != m_previews.end() && kept->second.maxSide >= maxSide)
            return kept->second.moment;
    }
    double actual = 0;
    const std::optional<VideoFrame> frame = decode(m_previewLane, keyframe.time.seconds(), &actual, stop);
    std::optional<FrameConverter::Images> images = frame ? FrameConverter::convert(*frame, maxSide) : std::nullopt;
    if (!images)
        return std::nullopt;
    const Moment moment{images->thumb, actual};
    const std::lock_guard keep(m_previewsLock);
    if (const auto old = m_previews.find(keyframe.index); old != m_previews.end()) {
        m_keptBytes -= old->second.moment.image.sizeInBytes();
        m_previews.erase(old);
    }
    // Over the limit, the keyframe farthest from this one goes first.
    const auto distance = [&](size_t i) { return i > keyframe.index ? i - keyframe.index : keyframe.index - i; };
    while (m_keptBytes + moment.image.sizeInBytes() > keptBytes && !m_previews.empty()) {
        const auto first = m_previews.begin(), last = std::prev(m_previews.end());
        const auto farthest = distance(first->first) > distance(last->first) ? first : last;
        m_keptBytes -= farthest->second.moment.image.sizeInBytes();
        m_previews.erase(farthest);
    }
    m_keptBytes += moment.image.sizeInBytes();
    m_previews[keyframe.index] = Kept{moment, maxSide};
    return moment;
}

std::optional<Moment> MomentFrames::exact(double seconds, std::stop_token stop)
{
    const std::lock_guard guard(m_exactLane.lock);
    if (!open(m_exactLane, MediaTime(), stop))
        return std::nullopt;
    double actual = 0;
    std::optional<VideoFrame> frame = decode(m_exactLane, seconds, &actual, stop);
    if (!frame)
        return std::nullopt;
    // The thumbnail is not wanted, but at the shots' usual size: shrunk to a
    // few pixels, swscale reads memory it never wrote (memcheck shows it).
    std::optional<FrameConverter::Images> images = FrameConverter::convert(*frame, ImageFiles::thumbnailSide);
    if (!images)
        return std::nullopt;
    return Moment{images->full, actual};
}
