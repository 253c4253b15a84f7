#include "media/FramePicker.h"

#include <algorithm>
#include <cstdlib>

FramePicker::FramePicker(FrameSource &source, int64_t start, int64_t frameTicks, int64_t ticksPerSecond)
    : m_source(source)
    , m_start(start)
    , m_frameTicks(std::max<int64_t>(1, frameTicks))
    , m_ticksPerSecond(std::max<int64_t>(1, ticksPerSecond))
{
    // Until a keyframe has been decoded after a seek, assume the first one
    // starts the stream: that is its presentation time.
    const std::vector<int64_t> &entries = m_source.keyframes();
    if (!entries.empty())
        m_keyOffset = m_start - entries.front();
}

void FramePicker::plan(std::vector<Window> batch)
{
    m_batch = std::move(batch);
    m_open = 0;
}

const AVFrame *FramePicker::answer(const Window &window, size_t index, MediaError *error)
{
    m_open = index;
    *error = {};
    if (m_source.stopped()) {
        *error = MediaError::stopped(MediaError::Step::decode);
        return nullptr;
    }
    const AVFrame *frame = m_exact ? exactFrame(window.target, error) : within(window, error);
    if (!frame && m_source.stopped() && !error->cancelled)
        *error = MediaError::stopped(error->isEmpty() ? MediaError::Step::decode : error->step);
    return frame;
}

size_t FramePicker::intervalOf(int64_t pts)
{
    const std::vector<int64_t> &entries = m_source.keyframes();
    const auto it = std::upper_bound(entries.begin(), entries.end(), pts,
                                     [this](int64_t value, int64_t entry) { return value < estimatedPts(entry); });
    return size_t(std::max<std::ptrdiff_t>(0, it - entries.begin() - 1));
}

std::optional<double> FramePicker::keyframeSpacing()
{
    const std::vector<int64_t> &entries = m_source.keyframes();
    if (entries.size() < 2)
        return std::nullopt;
    return double(entries.back() - entries.front()) / double(entries.size() - 1);
}

// ---- answering ----------------------------------------------------------------

const AVFrame *FramePicker::exactFrame(int64_t target, MediaError *error)
{
    if (!reach(target, false, error))
        return nullptr;
    for (;;) {
        FramePtr frame = next();
        if (!frame)
            return afterLastFrame(target, error);
        if (frame->best_effort_timestamp > target) {
            if (!m_held)  // the target lies before the first frame
                return take(std::move(frame));
            m_ahead = std::move(frame);
            return m_held.get();
        }
        m_held = std::move(frame);
    }
}

const AVFrame *FramePicker::within(const Window &window, MediaError *error)
{
    const int64_t target = window.target, low = window.low, high = window.high;
    auto inside = [&](const AVFrame *frame) {
        return frame && frame->best_effort_timestamp >= low && frame->best_effort_timestamp <= high;
    };

    // What is already decoded costs nothing.
    if (inside(m_held.get()))
        return m_held.get();
    if (inside(m_ahead.get()))
        return take(std::move(m_ahead));

    // A keyframe inside the window costs one seek and one decode.
    std::optional<int64_t> best;
    const std::vector<int64_t> &entries = m_source.keyframes();
    for (const int64_t entry : entries) {
        const int64_t pts = estimatedPts(entry);
        if (pts >= low && pts <= high && (!best || std::llabs(pts - target) < std::llabs(*best - target)))
            best = pts;
    }
    // Without an index, ask unless decoding on from here is cheaper.
    if (entries.empty() && (!m_held || m_held->best_effort_timestamp > high
                            || low - m_held->best_effort_timestamp >= m_ticksPerSecond))
        best = m_source.keyframeIn(low - 1, high, target);
    if (best && seekTo(*best)) {
        FramePtr frame = next();
        if (inside(frame.get()))
            return take(std::move(frame));
        m_ahead = std::move(frame);  // go on from here below if it helps
    }

    // Otherwise the earliest frame inside the window.
    if (!reach(low, true, error))
        return nullptr;
    for (;;) {
        FramePtr frame = next();
        if (!frame)
            return afterLastFrame(target, error);
        const int64_t pts = frame->best_effort_timestamp;
        if (pts < low) {
            m_held = std::move(frame);
            continue;
        }
        if (pts <= high || !m_held)
            return take(std::move(frame));
        // No frame inside the window: the nearer of the two around it.
        if (pts - target < target - m_held->best_effort_timestamp)
            return take(std::move(frame));
        m_ahead = std::move(frame);
        return m_held.get();
    }
}

bool FramePicker::reach(int64_t target, bool strictlyAfterHeld, MediaError *error)
{
    if (canContinueTo(target, strictlyAfterHeld) || seekBefore(target))
        return true;
    *error = m_source.error().isEmpty()
        ? MediaError::failed(MediaError::Step::seek, QStringLiteral("no keyframe to start from"))
        : m_source.error();
    return false;
}

const AVFrame *FramePicker::afterLastFrame(int64_t target, MediaError *error)
{
    // The last frame stays on screen until its end or the video's, whichever
    // is later (a stream's nominal frame duration can be shorter than its
    // frames really last); past that there is none.
    if (m_held && (target <= endOf(m_held.get()) || holdsUntilStatedEnd(target)))
        return m_held.get();
    *error = !m_source.error().isEmpty() ? m_source.error()
             : m_held ? MediaError::failed(MediaError::Step::decode, QStringLiteral("beyond the end of the video"))
                      : MediaError::failed(MediaError::Step::decode, QStringLiteral("no frame could be decoded"));
    return nullptr;
}

bool FramePicker::holdsUntilStatedEnd(int64_t target)
{
    if (!m_statedEnd || target >= *m_statedEnd)
        return false;
    const std::optional<int64_t> lastIndexed = m_source.lastIndexTimestamp();
    return !lastIndexed || *lastIndexed <= m_held->best_effort_timestamp;
}

const AVFrame *FramePicker::take(FramePtr frame)
{
    m_held = std::move(frame);
    return m_held.get();
}

// ---- moving through the stream ------------------------------------------------

FramePtr FramePicker::next()
{
    if (m_ahead)
        return std::move(m_ahead);
    m_atStart = false;
    if (m_ended)
        return nullptr;
    FramePtr frame = m_source.next([this](int64_t pts, int64_t duration, std::span<const int64_t> sent) {
        return unwanted(pts, duration, sent);
    });
    if (!frame) {
        m_ended = m_source.error().isEmpty();
        return nullptr;
    }
    if (frame->best_effort_timestamp == AV_NOPTS_VALUE)
        frame->best_effort_timestamp = m_held ? endOf(m_held.get()) : m_start;
    return frame;
}

bool FramePicker::seekTo(int64_t timestamp, bool anyFrame)
{
    m_held.reset();
    m_ahead.reset();
    m_atStart = false;
    m_ended = false;
    return m_source.seek(timestamp, anyFrame);
}

// Positions the source so that its next frame lies at or before `target`,
// or is the stream's very first frame. Index entries hold decoding times,
// which for a keyframe followed by reordered frames are earlier than its
// presentation time, while seeking goes by presentation time; so seeks aim at
// a keyframe's estimated presentation time. When the estimate is off and the
// keyframe starts after the target, the one before it is taken.
bool FramePicker::seekBefore(int64_t target)
{
    const std::vector<int64_t> entries = m_source.keyframes();
    if (entries.empty()) {
        // No index: let the demuxer search, stepping back if it lands late.
        int64_t at = target;
        for (int attempt = 0; attempt < 8; ++attempt) {
            if (!seekTo(at))
                return false;
            FramePtr frame = next();
            if (!frame)
                return false;
            const bool early = frame->best_effort_timestamp <= target || at <= m_start;
            m_ahead = std::move(frame);
            if (early)
                return true;
            at -= int64_t(attempt + 1) * m_ticksPerSecond;  // one more second back each time
            at = std::max(at, m_start);
        }
        return true;
    }
    int index = int(intervalOf(target));
    if (target < estimatedPts(entries.front()))
        index = -1;
    // No keyframe at or before the target, yet the stream has data before
    // its first marked keyframe (an edit list cut where no sample before the
    // edit is marked as one): decode from the very first packet, as a
    // player does; the decoder shows what it can from there.
    if (index < 0) {
        if (const std::optional<int64_t> first = m_source.firstIndexTimestamp(); first && *first < entries.front()) {
            if (!seekTo(*first, true))
                return false;
            if (FramePtr frame = next()) {
                m_ahead = std::move(frame);
                return true;
            }
            if (m_source.stopped())
                return false;
        }
    }
    for (index = std::max(index, 0); index >= 0; --index) {
        if (!seekTo(estimatedPts(entries[size_t(index)])))
            return false;
        FramePtr frame = next();
        if (!frame) {
            if (m_source.stopped())
                return false;
            continue;  // nothing decodes from here: try the keyframe before
        }
        if (frame->key_frame)
            m_keyOffset = frame->best_effort_timestamp - entries[size_t(index)];
        const bool early = frame->best_effort_timestamp <= target || index == 0;
        m_ahead = std::move(frame);
        if (early)
            return true;
    }
    return false;
}

// Whether decoding on from the current position reaches `target` without
// passing a keyframe (past one, a seek is cheaper) and without needing a
// frame already passed.
bool FramePicker::canContinueTo(int64_t target, bool strictlyAfterHeld)
{
    if (m_held) {
        const int64_t held = m_held->best_effort_timestamp;
        if (strictlyAfterHeld ? target <= held : target < held)
            return false;
        if (m_ended && !m_ahead)
            return true;  // answered from the last frame or failed as past the end
        return !keyframeBetween(held, target);
    }
    if (m_ahead) {
        const int64_t ahead = m_ahead->best_effort_timestamp;
        return target >= ahead && !keyframeBetween(ahead, target);
    }
    if (m_atStart)
        return !keyframeBetween(m_start, target);
    return false;
}

bool FramePicker::keyframeBetween(int64_t after, int64_t upTo)
{
    const std::vector<int64_t> &entries = m_source.keyframes();
    // Without an index only the source can tell. Within a second decoding
    // on costs little whatever it says.
    if (entries.empty())
        return upTo - after >= m_ticksPerSecond && m_source.keyframeIn(after, upTo, upTo).has_value();
    // Entries ascend, and so do their estimated presentation times.
    const auto first = std::upper_bound(entries.begin(), entries.end(), after,
                                        [this](int64_t value, int64_t entry) { return value < estimatedPts(entry); });
    return first != entries.end() && estimatedPts(*first) <= upTo;
}

int64_t FramePicker::endOf(const AVFrame *frame) const
{
    const int64_t duration = frame->pkt_duration > 0 ? frame->pkt_duration : m_frameTicks;
    return frame->best_effort_timestamp + duration;
}

// A frame may go undecoded (when nothing refers to it) only if no request
// still open in this batch could be answered by it, and if a request still
// open lies beyond it: frames past the last open window may be what the
// next batch asks for, and once skipped they are gone. A tolerant request
// that another frame already sent to the decoder answers too does not need
// this one: on a phone clip with a shot every third frame, that spared the
// decoder a tenth of its frames, as exact requests are spared.
bool FramePicker::unwanted(int64_t pts, int64_t duration, std::span<const int64_t> sent) const
{
    if (duration <= 0 && m_exact)
        return false;  // whether it is on screen at a target cannot be known
    duration = std::max<int64_t>(duration, 0);
    bool windowAfter = false;
    for (size_t i = m_open; i < m_batch.size(); ++i) {
        const Window &w = m_batch[i];
        const bool onScreenAtLow = pts <= w.low && w.low < pts + duration;
        // Exact: the frame on screen at the target. Tolerant: a frame that
        // starts inside the window, or the one on screen across a window
        // too narrow to hold a frame start.
        const bool answers = m_exact ? onScreenAtLow
                                     : (pts >= w.low && pts <= w.high) || (onScreenAtLow && w.high - w.low < duration);
        if (answers) {
            const bool answeredByAnother = !m_exact && std::any_of(sent.begin(), sent.end(), [&](int64_t other) {
                return other != pts && other >= w.low && other <= w.high;
            });
            if (!answeredByAnother)
                return false;
            windowAfter = true;  // the other frame answers it, after or before this one
        }
        windowAfter = windowAfter || (m_exact ? pts + duration <= w.low : pts < w.low);
    }
    return windowAfter;
}
