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
#include <chrono>
#include <cstddef>
#include <mutex>
#include <stop_token>

namespace SceneScanner {

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
    // Requested by the caller, or since the scan failed.
    bool stopRequested() const { return m_stop.stop_requested() || m_failed.stop_requested(); }
    VideoInput::Interrupted interrupted() const
    {
        return [stop = m_stop, failed = m_failed.get_token()] {
            return stop.stop_requested() || failed.stop_requested();
        };
    }
    // The scan has failed: the lanes still decoding stop (their stretches
    // may hold minutes of video, all for nothing now). Keeps the first
    // reason given, or that the stop was requested; the lanes this stops
    // fail after it as stopped.
    void fail(MediaError reason)
    {
        const std::lock_guard guard(m_failing);
        if (m_error && !m_failed.stop_requested()) {
            reason.file = m_path;
            *m_error = m_stop.stop_requested() ? MediaError::stopped(reason.step) : std::move(reason);
        }
        m_failed.request_stop();
    }

    void report(double fraction)
    {
        const std::lock_guard guard(m_reporting);
        reportLocked(fraction);
    }
    // The keyframe pass has read up to `seconds`, giving the decoder
    // `decodedBytes` of keyframes and passing `passedBytes` of other frames
    // by. Decoding costs about in proportion to the bytes decoded, and the
    // bytes passed by are the most the refining may decode, so the pass
    // takes its share of the bytes read so far as its share of the bar.
    // Timed on the benchmark clips, the pass took 5 to 14 % of the scan
    // where cuts are dense and half on a 5-minute pan with none; their
    // bytes give 3 to 12 % and 21 %. A fixed 80 % had the bar stand at 80 %
    // after 1 s of a 17 s scan. Every frame a keyframe leaves the refining
    // a little at the end.
    void keyframesRead(double seconds, int64_t decodedBytes, int64_t passedBytes)
    {
        const std::lock_guard guard(m_reporting);
        if (m_duration <= 0 || decodedBytes + passedBytes <= 0) {
            reportLocked(m_reported);  // how far is unknown; that it goes on is not
            return;
        }
        const double share = std::min(0.95, double(decodedBytes) / double(decodedBytes + passedBytes));
        reportLocked(m_passFrom + (1 - m_passFrom) * share * std::min(1.0, seconds / m_duration));
    }
    // The file is read a second time from the start: that reading takes
    // as much of what is left of the bar as the first took of all of it.
    void keyframesReadAgain()
    {
        const std::lock_guard guard(m_reporting);
        m_passFrom = std::max(0.0, m_reported);
    }
    // The refining reports the seconds of video decoded, of `total` to decode,
    // as it goes (a stretch can take minutes), over what the bar has left.
    void refineTotal(double total)
    {
        const std::lock_guard guard(m_reporting);
        m_refineTotal = total;
        m_refineFrom = std::max(0.0, m_reported);
    }
    void refined(double seconds)
    {
        const std::lock_guard guard(m_reporting);
        m_refinedSeconds += seconds;
        if (m_refineTotal > 0)
            reportLocked(m_refineFrom + (1 - m_refineFrom) * std::min(1.0, m_refinedSeconds / m_refineTotal));
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

    // A report goes out at least this often while the scan reads on, though
    // the bar hardly moves: whoever waits takes a long silence for a file
    // that stopped answering, and the keyframe pass's share of the bar is
    // small (3 % of a 2-hour film's bytes reported six times, a minute apart
    // from a network share at 10 MB/s).
    static constexpr std::chrono::seconds heartbeat{2};

private:
    void reportLocked(double fraction)
    {
        // Now and then, and always the end; never back.
        const auto now = std::chrono::steady_clock::now();
        const bool moved = fraction > m_reported + 0.005 || (fraction >= 1 && m_reported < 1);
        if (!m_progress || (!moved && now - m_reportedAt < heartbeat))
            return;
        m_reported = std::clamp(std::max(fraction, m_reported), 0.0, 1.0);
        m_reportedAt = now;
        m_progress(m_reported);
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
    std::chrono::steady_clock::time_point m_reportedAt = std::chrono::steady_clock::now();
    double m_passFrom = 0;  // the bar where the keyframe pass's latest reading began
    double m_refineTotal = 0;
    double m_refineFrom = 0;  // the bar where the refining began
    double m_refinedSeconds = 0;
    std::mutex m_failing;  // lanes may fail at once
    std::stop_source m_failed;
};

// Seconds from the start of `input`'s stream at `pts`.
inline double streamSeconds(const VideoInput &input, int64_t pts)
{
    return double(pts - input.startPts()) * av_q2d(input.timeBase());
}

} // namespace SceneScanner
