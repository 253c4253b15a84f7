#include "media/DecoderLane.h"

#include "media/ParkedInputs.h"
#include "media/UprightFrame.h"

#include <algorithm>

namespace {
constexpr AVRational mediaTimeBase{1, int(MediaTime::timescale)};
}

std::unique_ptr<DecoderLane> DecoderLane::open(const QString &path, VideoInput::Threads threads,
                                               std::stop_token parent, MediaError *error,
                                               const VideoInput::Analysis *analysed)
{
    std::unique_ptr<DecoderLane> lane(new DecoderLane(std::move(parent)));
    lane->m_path = path;
    const auto stopped = [stop = lane->m_stop.token()] { return stop.stop_requested(); };
    // The input a probe of the file just opened, else a new one.
    lane->m_input = ParkedInputs::take(path, stopped, threads);
    if (!lane->m_input)
        lane->m_input = VideoInput::open(path, stopped, threads, error, analysed);
    if (!lane->m_input)
        return nullptr;
    VideoInput &input = *lane->m_input;
    lane->m_timeBase = input.timeBase();
    lane->m_start = input.startPts();
    const AVRational rate = input.frameRate();
    const int64_t frameTicks = rate.num > 0 ? av_rescale_q(1, av_inv_q(rate), lane->m_timeBase) : 1;
    const int64_t ticksPerSecond = av_rescale_q(1, AVRational{1, 1}, lane->m_timeBase);
    lane->m_cursor = std::make_unique<FrameCursor>(input);
    lane->m_picker = std::make_unique<FramePicker>(*lane->m_cursor, lane->m_start, frameTicks, ticksPerSecond);
    lane->m_picker->setStatedEnd(input.statedEnd());
    return lane;
}

void DecoderLane::setTolerance(MediaTime before, MediaTime after)
{
    m_before = MediaTime{std::max<qint64>(0, before.value)};
    m_after = MediaTime{std::max<qint64>(0, after.value)};
    m_picker->setExact(m_before.value == 0 && m_after.value == 0);
}

bool DecoderLane::mostlyForward()
{
    // A keyframe lies in a window of width w with odds of about w / spacing.
    // Once the window is narrower than the spacing, some answers must be
    // decoded forward over runs of up to (spacing - w) and those runs, not
    // the seeks, dominate the cost.
    const std::optional<double> spacing = m_picker->keyframeSpacing();
    if (!spacing)
        return m_picker->exact();
    const double window = double(ticks(MediaTime{m_before.value + m_after.value}, AV_ROUND_UP) - m_start);
    return window < *spacing;
}

void DecoderLane::images(const std::vector<MediaTime> &times, const std::function<void(FrameResult &&)> &sink)
{
    std::vector<FramePicker::Window> batch;
    batch.reserve(times.size());
    for (const MediaTime &time : times)
        batch.push_back(windowOf(time));
    m_picker->plan(std::move(batch));
    for (size_t i = 0; i < times.size(); ++i)
        sink(request(times[i], i));
    m_picker->plan({});
}

FrameResult DecoderLane::image(MediaTime time)
{
    m_picker->plan({windowOf(time)});
    FrameResult result = request(time, 0);
    m_picker->plan({});
    return result;
}

FrameResult DecoderLane::request(MediaTime time, size_t index)
{
    MediaError why;
    if (const AVFrame *frame = m_picker->answer(windowOf(time), index, &why))
        return deliver(frame, time);
    why.file = m_path;
    FrameResult result;
    result.requested = time;
    result.error = std::move(why);
    return result;
}

std::optional<FrameGenerator::Keyframe> DecoderLane::keyframeBefore(MediaTime time)
{
    if (m_picker->keyframeCount() == 0)
        return std::nullopt;
    return keyframeAt(m_picker->intervalOf(ticks(time, AV_ROUND_DOWN)));
}

std::optional<FrameGenerator::Keyframe> DecoderLane::keyframeAt(size_t index)
{
    if (index >= m_picker->keyframeCount())
        return std::nullopt;
    const int64_t pts = std::max(m_picker->keyframeTime(index), m_start);
    // Rounded up, so that asking for this time again finds this keyframe,
    // not the one before it.
    return Keyframe{index, MediaTime{av_rescale_q_rnd(pts - m_start, m_timeBase, mediaTimeBase, AV_ROUND_UP)}};
}

FramePicker::Window DecoderLane::windowOf(MediaTime time) const
{
    const int64_t target = ticks(time, AV_ROUND_DOWN);
    if (m_picker->exact())
        return {target, target, target};
    return {target, ticks(MediaTime{time.value - m_before.value}, AV_ROUND_UP),
            ticks(MediaTime{time.value + m_after.value}, AV_ROUND_DOWN)};
}

FrameResult DecoderLane::deliver(const AVFrame *frame, MediaTime requested) const
{
    FrameResult result;
    result.requested = requested;
    result.image = uprightFrame(*m_input, frame);
    if (!result.image) {
        result.error = MediaError::failed(MediaError::Step::convert, QStringLiteral("out of memory turning the frame upright"),
                                          AVERROR(ENOMEM));
        result.error.file = m_path;
        return result;
    }
    result.actualSeconds = double(frame->best_effort_timestamp - m_start) * av_q2d(m_timeBase);
    return result;
}

int64_t DecoderLane::ticks(MediaTime time, AVRounding rounding) const
{
    return m_start + av_rescale_q_rnd(time.value, mediaTimeBase, m_timeBase, rounding);
}
