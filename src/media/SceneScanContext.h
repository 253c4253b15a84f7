#pragma once
// What the keyframe pass and the lanes of one scene scan share: the file,
// the stop, the progress reported, the first failure, and what the lanes
// learn of the file and keep on the way.
//
// Thread: the keyframe pass runs alone; then every lane uses it at once.
// Reports and failures are taken one at a time; the rest is set before
// the lanes start or is atomic. Does not own `progress` or `error`, which
// must outlive it.

#include "media/MediaError.h"
#include "media/SceneScanner.h"
#include "media/VideoInput.h"

#include <QString>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <mutex>
#include <stop_token>

namespace SceneScanner {

// The share of the progress the keyframe pass stands for; refining the rest.
inline constexpr double keyframeShare = 0.8;

class ScanContext {
public:
    ScanContext(const QString &path, double duration, const Progress &progress, std::stop_token stop,
                MediaError *error)
        : m_path(path)
        , m_duration(duration)
        , m_progress(progress)
        , m_stop(std::move(stop))
        , m_error(error)
    {
    }

    const QString &path() const { return m_path; }
    double duration() const { return m_duration; }
    bool stopRequested() const { return m_stop.stop_requested(); }
    VideoInput::Interrupted interrupted() const
    {
        return [stop = m_stop] { return stop.stop_requested(); };
    }
    // Keeps the first reason given, or that the stop was requested.
    void fail(MediaError reason)
    {
        const std::lock_guard guard(m_failing);
        if (m_error) {
            reason.file = m_path;
            *m_error = m_stop.stop_requested() ? MediaError::stopped(reason.step) : std::move(reason);
        }
    }

    void report(double fraction)
    {
        const std::lock_guard guard(m_reporting);
        reportLocked(fraction);
    }
    // The refining reports the seconds of video decoded, of `total` to decode,
    // as it goes: a stretch can take minutes.
    void refineTotal(double total) { m_refineTotal = total; }
    void refined(double seconds)
    {
        const std::lock_guard guard(m_reporting);
        m_refinedSeconds += seconds;
        if (m_refineTotal > 0)
            reportLocked(keyframeShare + (1 - keyframeShare) * std::min(1.0, m_refinedSeconds / m_refineTotal));
    }

    // The stream's nominal rate, once the keyframe pass knows it.
    double frameRate() const { return m_frameRate; }
    void setFrameRate(double rate) { m_frameRate = rate; }

    // Whether the lanes decode every reference frame, so that the frames
    // they see are the ones any decoder gives and shots can be kept from
    // them. It costs a quarter more decoding, and pays where cuts are dense:
    // there the scan decodes nearly the whole video anyway, and a video
    // that cuts that often cuts between keyframes too, where each shot
    // would be decoded a second time from the keyframe before it. On the
    // film-like benchmark clip (every keyframe gap a candidate, 36 cuts in
    // 29 gaps) the run took 19.4 s instead of 24.0 s; on the sparse one
    // (60 of 102 gaps, a keyframe at every cut) 16.0 s instead of 11.9 s.
    bool keepReferences() const { return m_keepReferences; }
    void setKeepReferences(bool keep) { m_keepReferences = keep; }

    std::atomic<std::size_t> keptBytes{0};   // pictures the lanes kept, together
    std::atomic<bool> seeksLandLate{false};  // a seek by time landed past its keyframe

private:
    void reportLocked(double fraction)
    {
        // Now and then, and always the end.
        if (m_progress && (fraction > m_reported + 0.005 || (fraction >= 1 && m_reported < 1))) {
            m_reported = fraction;
            m_progress(std::min(1.0, fraction));
        }
    }

    const QString m_path;
    const double m_duration;
    const Progress &m_progress;
    const std::stop_token m_stop;
    MediaError *const m_error;
    bool m_keepReferences = false;
    double m_frameRate = 30;
    std::mutex m_reporting;  // lanes report in turn
    double m_reported = -1;
    double m_refineTotal = 0;
    double m_refinedSeconds = 0;
    std::mutex m_failing;  // lanes may fail at once
};

// Seconds from the start of `input`'s stream at `pts`.
inline double streamSeconds(const VideoInput &input, int64_t pts)
{
    return double(pts - input.startPts()) * av_q2d(input.timeBase());
}

} // namespace SceneScanner
