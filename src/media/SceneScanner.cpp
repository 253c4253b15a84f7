#include "media/SceneScanner.h"

#include "media/CutFinder.h"
#include "media/FrameCursor.h"
#include "media/SceneSignature.h"
#include "media/UprightFrame.h"
#include "media/VideoInput.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <deque>
#include <iterator>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace SceneScanner {

namespace {

// The share of the progress the keyframe pass stands for; refining the rest.
constexpr double keyframeShare = 0.8;

// Gaps decoded at once, at most; each lane holds a decoder.
constexpr int maxLanes = 4;

// Decoding threads a lane has at most: each holds pictures of its own (a
// 4K 10-bit picture is 25 MB).
constexpr int maxThreadsPerLane = 8;

// Seconds of video a lane decodes between reports of its progress.
constexpr double progressStep = 0.5;

// A keyframe sooner than this share of the longest keyframe gap was placed
// by the encoder, not its schedule.
constexpr double placedShare = 0.9;

// Neighbouring gaps are decoded in one go up to at least this many seconds,
// and more when there are few lanes for many.
constexpr double minStretch = 10;

// A stretch that opens on a jump is decoded again from as far back as this
// many seconds before its first keyframe, a keyframe at a time (a strobe
// lit through several keyframes); beyond, it is judged as it is. A try
// that opens on a jump stops a moment past the keyframe it starts at.
constexpr double reopenReach = 10;

// Decoding every core can help with: keyframes are independent of each other.
constexpr VideoInput::Threads scanThreads{0, FF_THREAD_FRAME | FF_THREAD_SLICE};

struct Keyframe {
    double seconds = 0;
    int64_t pts = 0;
    bool end = false;       // no keyframe but the end of the video, after its last frame
    int64_t position = -1;  // of its packet in the file, when the demuxer says
    bool unseen = false;    // the decoder gave no picture for it
};

// The frames after the last keyframe have no keyframe after them to be
// compared with, so they are decoded whatever they hold, ranked among the
// candidates as one that differs this much: below a clear cut, above a
// keyframe pair that differs little.
constexpr float tailStrength = candidateThreshold;

// Two keyframes that differ: the cut lies after `before`, at or before `after`.
struct Candidate {
    size_t after = 0;  // index into the keyframes; `after - 1` is the one before
    float strength = 0;
    bool measured = true;  // false: a keyframe of the pair gave no picture
};

// Neighbouring keyframe gaps decoded in one go: from keyframe `first - 1`
// to keyframe `last`.
struct Stretch {
    size_t first = 0;
    size_t last = 0;
    // Whether the gap before `first` is decoded too: the frames just after
    // keyframe `first - 1` are then judged there, where a jump onto them can
    // be seen with the frames before it (a flash starting at a keyframe
    // returns only after it).
    bool gapBeforeDecoded = false;
    // Whether the gap after `last` is decoded too: this stretch then judges
    // the frames just after keyframe `last`.
    bool gapAfterDecoded = false;
};

class Scanner {
public:
    Scanner(const QString &path, double duration, const Progress &progress, std::stop_token stop,
            MediaError *error)
        : m_path(path)
        , m_duration(duration)
        , m_progress(progress)
        , m_stop(std::move(stop))
        , m_error(error)
    {
    }

    bool keyframePass(std::vector<Keyframe> &keyframes, std::vector<Candidate> &candidates);
    // What one reading of the file found: the keyframes decoded, each with
    // how much it differs from the one before, and where the video ends.
    struct KeyframeRead {
        std::unique_ptr<VideoInput> input;
        std::vector<Keyframe> keyframes;
        std::vector<Candidate> differences;
        int64_t end = AV_NOPTS_VALUE;  // just after the latest frame read
        int keyframesSent = 0;         // keyframe packets the decoder took
        std::vector<Keyframe> sent;    // those keyframe packets, in file order
    };
    // `everyPacket`: the decoder is given the frames between the keyframes
    // too, to skip them itself, else only the keyframes.
    std::optional<KeyframeRead> readKeyframes(bool everyPacket);
    void addUnseenKeyframes(KeyframeRead &read);
    // The cuts between the keyframes that bound `stretch`, found frame by frame.
    // A decoder of its own for refining, so that several gaps are decoded
    // at once: frame threads overlap the frames of one chain of predicted
    // frames only in part (two threads on one 60 s gap of 1080p: 1.5 times
    // as fast), lanes on separate gaps fully.
    struct Lane {
        int threads = 1;                    // decoding threads, more when lanes are fewer than cores
        std::unique_ptr<VideoInput> input;  // opened at the lane's first gap
        std::unique_ptr<FrameCursor> cursor;
    };
    struct Found {
        std::vector<ScenePlanning::Cut> cuts;
        std::vector<CutFinder::Flash> flashes;
        std::vector<ScanFrames::Frame> frames;
        size_t first = 0;  // the stretch decoded began at keyframe `first - 1`
        // It cut or flashed just after its first keyframe, with nothing
        // decoded before it; nothing after that was decoded.
        bool opensOnJump = false;
    };
    // A stretch that opens on a jump is decoded again from the keyframe
    // before, as far back as `reopenReach` seconds.
    std::optional<Found> refine(const std::vector<Keyframe> &keyframes, Stretch stretch, Lane &lane);
    // `mayReopen`: a stretch that opens on a jump stops there.
    std::optional<Found> refineOnce(const std::vector<Keyframe> &keyframes, const Stretch &stretch, bool mayReopen,
                                    Lane &lane);

    // Candidates in at least this share of the keyframe gaps make cuts dense.
    static constexpr double denseShare = 0.75;
    void keepReferences(bool keep) { m_keepReferences = keep; }

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

private:
    void reportLocked(double fraction)
    {
        // Now and then, and always the end.
        if (m_progress && (fraction > m_reported + 0.005 || (fraction >= 1 && m_reported < 1))) {
            m_reported = fraction;
            m_progress(std::min(1.0, fraction));
        }
    }
    VideoInput::Interrupted interrupted() const
    {
        return [stop = m_stop] { return stop.stop_requested(); };
    }
    void fail(MediaError reason)
    {
        const std::lock_guard guard(m_failing);
        if (m_error) {
            reason.file = m_path;
            *m_error = m_stop.stop_requested() ? MediaError::stopped(reason.step) : std::move(reason);
        }
    }
    double seconds(const VideoInput &input, int64_t pts) const
    {
        return double(pts - input.startPts()) * av_q2d(input.timeBase());
    }

    const QString m_path;
    const double m_duration;
    const Progress &m_progress;
    const std::stop_token m_stop;
    MediaError *const m_error;
    std::atomic<std::size_t> m_keptBytes{0};  // pictures the lanes kept, together
    std::atomic<bool> m_seeksLandLate{false};  // a seek by time landed past its keyframe
    // Whether the lanes decode every reference frame, so that the frames
    // they see are the ones any decoder gives and shots can be kept from
    // them. It costs a quarter more decoding, and pays where cuts are dense:
    // there the scan decodes nearly the whole video anyway, and a video
    // that cuts that often cuts between keyframes too, where each shot
    // would be decoded a second time from the keyframe before it. On the
    // film-like benchmark clip (every keyframe gap a candidate, 36 cuts in
    // 29 gaps) the run took 19.4 s instead of 24.0 s; on the sparse one
    // (60 of 102 gaps, a keyframe at every cut) 16.0 s instead of 11.9 s.
    bool m_keepReferences = false;
    std::mutex m_reporting;  // lanes report in turn
    double m_reported = -1;
    double m_refineTotal = 0;
    double m_refinedSeconds = 0;
    double m_frameRate = 30;  // the stream's nominal rate, once known
    std::mutex m_failing;  // lanes may fail at once
};

std::optional<Scanner::KeyframeRead> Scanner::readKeyframes(bool everyPacket)
{
    KeyframeRead read;
    MediaError openError;
    read.input = VideoInput::open(m_path, interrupted(), scanThreads, &openError);
    if (!read.input) {
        fail(openError);
        return std::nullopt;
    }
    VideoInput *input = read.input.get();
    std::vector<Keyframe> &keyframes = read.keyframes;
    std::vector<Candidate> &candidates = read.differences;
    int64_t &end = read.end;
    AVFormatContext *format = input->format();
    // Only the video is read, all of its packets: the MP4 demuxer can skip
    // all but the keyframes itself, but then stamps them with the times of
    // neighbouring frames.
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (int(i) != input->streamIndex())
            format->streams[i]->discard = AVDISCARD_ALL;
    }
    AVCodecContext *codec = input->codec();
    codec->skip_frame = AVDISCARD_NONKEY;
    if (const AVRational rate = input->frameRate(); rate.num > 0)
        m_frameRate = av_q2d(rate);

    PacketPtr packet = makePacket();
    FramePtr frame = makeFrame();
    if (!packet || !frame) {
        fail(MediaError::failed(MediaError::Step::decode, QStringLiteral("out of memory"), AVERROR(ENOMEM)));
        return std::nullopt;
    }
    SignatureMaker maker;
    std::optional<SceneSignature> previous;
    // The times of the keyframes sent, in order. A decoder that is fed
    // keyframes only stamps its pictures with the times of frames it never
    // saw (it still reorders as if B-frames were coming), so each picture
    // takes the time of the oldest keyframe sent and not yet answered.
    std::deque<int64_t> sent;
    std::map<int64_t, int64_t> positions;  // of the keyframes sent, by time
    const auto take = [&]() {
        while (avcodec_receive_frame(codec, frame.get()) == 0) {
            int64_t pts = AV_NOPTS_VALUE;
            const auto own = std::find(sent.begin(), sent.end(), frame->pts);
            if (own != sent.end()) {
                pts = *own;
                sent.erase(sent.begin(), own + 1);
            } else if (everyPacket) {
                // A decoder that does not skip (VP9's) gives every picture,
                // each with its own time: only the keyframes' count.
            } else if (!sent.empty()) {
                pts = sent.front();
                sent.pop_front();
            }
            std::optional<SceneSignature> signature = maker.make(*frame);
            av_frame_unref(frame.get());
            if (pts == AV_NOPTS_VALUE || !signature)
                continue;
            const double at = seconds(*input, pts);
            if (!keyframes.empty() && at <= keyframes.back().seconds)
                continue; // out of order or repeated: nothing to compare with
            if (previous) {
                const float strength = SceneSignature::difference(*previous, *signature);
                candidates.push_back({keyframes.size(), strength});
            }
            const auto position = positions.find(pts);
            keyframes.push_back({at, pts, false, position != positions.end() ? position->second : -1});
            if (position != positions.end())
                positions.erase(positions.begin(), std::next(position));
            previous = std::move(signature);
            if (m_duration > 0)
                report(keyframeShare * at / m_duration);
        }
    };
    for (;;) {
        if (m_stop.stop_requested()) {
            fail(MediaError::stopped(MediaError::Step::decode));
            return std::nullopt;
        }
        const int rc = av_read_frame(format, packet.get());
        if (rc < 0) {
            if (m_stop.stop_requested()) {
                fail(MediaError::stopped(MediaError::Step::decode));
                return std::nullopt;
            }
            // The end, or data that cannot be read past: what was found stands.
            avcodec_send_packet(codec, nullptr);
            take();
            break;
        }
        const int64_t packetPts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        // Frames an edit list leaves out are not shown, so they end nothing.
        if (packet->stream_index == input->streamIndex() && packetPts != AV_NOPTS_VALUE
            && !(packet->flags & AV_PKT_FLAG_DISCARD))
            end = std::max(end == AV_NOPTS_VALUE ? packetPts : end, packetPts + std::max<int64_t>(packet->duration, 1));
        const bool key = packet->flags & AV_PKT_FLAG_KEY;
        if (packet->stream_index == input->streamIndex() && (key || everyPacket)) {
            if (avcodec_send_packet(codec, packet.get()) == 0 && key && packetPts != AV_NOPTS_VALUE) {
                sent.push_back(packetPts);
                positions[packetPts] = packet->pos;
                ++read.keyframesSent;
                read.sent.push_back({seconds(*input, packetPts), packetPts, false, packet->pos, true});
            }
            take();
        }
        av_packet_unref(packet.get());
    }
    return read;
}

// Keyframes the decoder gave no picture for even with every packet: x264's
// open-GOP I-frames in MPEG-TS are marked as keyframes, but FFmpeg's H.264
// decoder skips all but the first when told to decode keyframes only. They
// are still places a lane can start from, so they split the video into
// gaps like the others, each decoded since nothing is known of it. With
// the first keyframe alone, the film-like benchmark clip in that encoding
// was decoded in one lane: 15.8 s against 14.9 s for the ffmpeg tool's
// select filter.
void Scanner::addUnseenKeyframes(KeyframeRead &read)
{
    std::vector<Keyframe> &keyframes = read.keyframes;
    std::set<int64_t> pictured;
    for (const Keyframe &keyframe : keyframes)
        pictured.insert(keyframe.pts);
    // A difference was measured only between two neighbours that both gave
    // a picture; every other gap is a candidate of unknown strength.
    std::map<int64_t, float> measured;  // by the pts of the keyframe after the gap
    for (const Candidate &candidate : read.differences)
        measured[keyframes[candidate.after].pts] = candidate.strength;
    for (const Keyframe &sent : read.sent) {
        if (pictured.insert(sent.pts).second)
            keyframes.push_back(sent);
    }
    std::sort(keyframes.begin(), keyframes.end(), [](const Keyframe &a, const Keyframe &b) { return a.pts < b.pts; });
    read.differences.clear();
    for (size_t i = 1; i < keyframes.size(); ++i) {
        // Measured against the keyframe before it only when no unseen one lies between.
        const auto it = measured.find(keyframes[i].pts);
        const bool bothPictured = it != measured.end() && !keyframes[i - 1].unseen;
        read.differences.push_back({i, bothPictured ? it->second : tailStrength, bothPictured});
    }
}

bool Scanner::keyframePass(std::vector<Keyframe> &keyframes, std::vector<Candidate> &candidates)
{
    // Keyframes alone decode right where each starts a sequence afresh.
    // Open-GOP keyframes (x265 makes them by default) are numbered from the
    // frames before them: an HEVC decoder given only those of keyframes
    // 250 frames apart took later ones for repeats and dropped 7 of 13, and
    // with them every cut in the first 30 s. When pictures go missing so,
    // the file is read again with every packet given to the decoder, which
    // skips the frames between itself; that costs 0.6 s more on the
    // 2-minute 1080p benchmark clip and 0.9 s on the 10-minute one (and a
    // whole decode where the decoder cannot skip, as VP9's), so it is not
    // done for every file.
    std::optional<KeyframeRead> read = readKeyframes(false);
    if (read && read->keyframes.size() < size_t(read->keyframesSent) && !m_stop.stop_requested())
        read = readKeyframes(true);
    if (!read)
        return false;
    if (read->keyframes.size() < size_t(read->keyframesSent))
        addUnseenKeyframes(*read);
    keyframes = std::move(read->keyframes);
    candidates = std::move(read->differences);
    const VideoInput *input = read->input.get();
    const int64_t end = read->end;
    if (keyframes.empty()) {
        fail(MediaError::failed(MediaError::Step::decode, QStringLiteral("no keyframe could be decoded")));
        return false;
    }
    // The encoder's own keyframe interval shows as the longest gap; a
    // keyframe that came sooner was placed where the encoder saw the picture
    // change, as at a cut, and is looked behind even when the pictures differ
    // little (two framings of one subject).
    double interval = 0;
    for (size_t i = 1; i < keyframes.size(); ++i)
        interval = std::max(interval, keyframes[i].seconds - keyframes[i - 1].seconds);
    const auto placed = [&](size_t after) {
        return keyframes[after].seconds - keyframes[after - 1].seconds < placedShare * interval;
    };
    // Keyframes on a fixed schedule mark nothing: with no keyframe placed
    // by the encoder, a cut between similar pictures shows only as a small
    // difference wherever it falls, so only gaps whose keyframes differ
    // less than any cut steps are left undecoded. The film-like benchmark
    // clip encoded with a keyframe every 2 s and nowhere else lost its cuts
    // between two gradings of one pan and two framings of one subject
    // (0.10 and 0.13 at their keyframes, as much as panning moved other
    // pairs); with keyframes every second the gradings differed by 0.08.
    // Decoding those gaps too took that run from 6.6 s to 11.4 s (the
    // ffmpeg tool's select filter: 13.3 s).
    bool scheduled = true;
    for (size_t i = 1; i < keyframes.size() && scheduled; ++i)
        scheduled = !placed(i);
    std::erase_if(candidates, [&](const Candidate &candidate) {
        if (!candidate.measured)
            return false;  // nothing is known of the gap
        const float least = scheduled ? CutFinder::floor : placed(candidate.after) ? placedThreshold : candidateThreshold;
        return !(candidate.strength > least);
    });
    // A cut after the last keyframe would otherwise be lost: a fixed
    // keyframe interval of 10 s can leave the last 10 s without one. The
    // tail counts as a gap and a candidate like the others (so a video with
    // a single keyframe has dense cuts, as it is decoded through anyway).
    if (end != AV_NOPTS_VALUE && seconds(*input, end) - keyframes.back().seconds > 1.5 / m_frameRate) {
        keyframes.push_back({seconds(*input, end), end, true});
        candidates.push_back({keyframes.size() - 1, tailStrength});
    }
    return true;
}

// A jump straight out of the keyframe a stretch starts at, with nothing
// decoded before it, may be the end of a flash that keyframe lies in: a
// strobe's white frame, caught by the keyframes on both sides of a gap left
// undecoded because they looked alike (with keyframes every 25 frames and a
// white frame every 5th, the scan cut where the strobe ended). Only the
// frames before the keyframe can tell (from a white keyframe, the pictures
// between the strobe's flashes look like flashes themselves), so the
// stretch starts a keyframe earlier, and judges the frames after that one
// itself: the stretch before, if any, was told that nothing after it is
// decoded. Should it open on a jump again (a strobe lasting several
// keyframes), it goes back further, even into frames another stretch
// decodes (both find the same cuts there).
std::optional<Scanner::Found> Scanner::refine(const std::vector<Keyframe> &keyframes, Stretch stretch, Lane &lane)
{
    const double start = keyframes[stretch.first - 1].seconds;
    for (;;) {
        const bool mayReopen = stretch.first >= 2 && !stretch.gapBeforeDecoded
            && keyframes[stretch.first - 2].seconds >= start - reopenReach;
        std::optional<Found> found = refineOnce(keyframes, stretch, mayReopen, lane);
        if (!found || !found->opensOnJump)
            return found;
        for (const ScanFrames::Frame &frame : found->frames)
            m_keptBytes.fetch_sub(ScanFrames::bytesOf(frame.image));
        found.reset();
        stretch = {stretch.first - 1, stretch.last, false, stretch.gapAfterDecoded};
    }
}

std::optional<Scanner::Found> Scanner::refineOnce(const std::vector<Keyframe> &keyframes, const Stretch &stretch,
                                                  bool mayReopen, Lane &lane)
{
    if (!lane.input) {
        MediaError openError;
        const VideoInput::Threads threads{lane.threads, lane.threads > 1 ? FF_THREAD_FRAME | FF_THREAD_SLICE : FF_THREAD_SLICE};
        lane.input = VideoInput::open(m_path, interrupted(), threads, &openError);
        if (!lane.input) {
            fail(openError);
            return std::nullopt;
        }
        AVFormatContext *format = lane.input->format();
        for (unsigned i = 0; i < format->nb_streams; ++i) {
            if (int(i) != lane.input->streamIndex())
                format->streams[i]->discard = AVDISCARD_ALL;
        }
        // The deblocking filter stays on though a signature 32 pixels wide
        // cannot tell its work: without it every predicted frame differs a
        // little from the one its successors were encoded against, the
        // error grows along the chain, and the next keyframe, decoded clean,
        // jumps like a cut (on fast generated scenes it did).
        lane.cursor = std::make_unique<FrameCursor>(*lane.input);
    }
    VideoInput &input = *lane.input;
    FrameCursor &cursor = *lane.cursor;
    const Keyframe &from = keyframes[stretch.first - 1];
    const Keyframe &to = keyframes[stretch.last];
    // Keyframes and predicted frames only: a cut still shows at the next
    // predicted frame, within a frame or two of the cut, which the shot's
    // lead into the scene leaves room for. Predicted frames may refer to
    // B-frames too (x264's pyramid does; on the film-like benchmark clip
    // 565 of 1,494 decode differently without them), which blurs their
    // pictures a little but not a cut. Only the frames nothing refers to
    // are left out where the shots are to come from the scan, and at a low
    // frame rate, where the skipped run lasts long enough for fast motion
    // to jump like a cut.
    cursor.setSkipLevel(m_frameRate < 20 || m_keepReferences ? AVDISCARD_NONREF : AVDISCARD_BIDIR);
    const FrameSource::Skippable skipAll = [](int64_t, int64_t, std::span<const int64_t>) { return true; };
    const auto framePts = [](const AVFrame &frame) {
        return frame.pts != AV_NOPTS_VALUE ? frame.pts : frame.best_effort_timestamp;
    };
    // The first frame must come at or before the keyframe the stretch
    // starts at. Without an index (MPEG-TS) the demuxer's search by time
    // can land past it, and the decoder then waits for the next keyframe:
    // on the film-like benchmark clip in TS, stretches began up to 8 s late
    // and 14 of 36 cuts were lost. Once a seek of this file has landed late,
    // the lanes go to the keyframe's byte position instead (the stretch
    // that found out decoded up to a keyframe gap for nothing); where that
    // is unknown or lands late too, a second further back each time.
    FramePtr first;
    const int64_t second = av_rescale_q(1, AVRational{1, 1}, input.timeBase());
    const bool bytesWork = from.position >= 0 && !(input.format()->iformat->flags & AVFMT_NO_BYTE_SEEK);
    bool byBytes = bytesWork && m_seeksLandLate;
    bool triedBytes = byBytes;
    int64_t seekTo = from.pts;
    for (int attempt = 1;; ++attempt) {
        if (!(byBytes ? cursor.seekToByte(from.position) : cursor.seek(seekTo, false))) {
            fail(cursor.error());
            return std::nullopt;
        }
        first = cursor.next(skipAll);
        if (!first || framePts(*first) == AV_NOPTS_VALUE || framePts(*first) <= from.pts || attempt == 8)
            break;
        if (bytesWork && !triedBytes) {
            m_seeksLandLate = true;
            byBytes = triedBytes = true;
        } else {
            seekTo -= (byBytes ? 1 : attempt) * second;
            byBytes = false;
        }
    }
    SignatureMaker maker;
    CutFinder finder(m_frameRate);
    // Stretches hand over a little after their later keyframe, so that a
    // jump there is judged with frames on both sides: the steps after it,
    // and whether the picture returns.
    const double handover = stretch.gapAfterDecoded ? CutFinder::flashLength : 0.0;
    const double until = to.seconds + handover + CutFinder::surroundings;
    const double begin = from.seconds + (stretch.gapBeforeDecoded ? CutFinder::flashLength : 0.0);
    const auto ours = [&](double cut) { return cut > begin + 1e-6 && cut <= to.seconds + handover + 1e-6; };
    // A cut or a flash (a strobe's white frames seen from a white keyframe
    // look like pictures flashing by) within this of the first keyframe.
    const double opening = from.seconds + CutFinder::flashLength + 1e-6;
    const auto opensOnJump = [&](const std::vector<CutFinder::Cut> &cuts, const CutFinder &finder) {
        return mayReopen
            && ((!cuts.empty() && cuts.front().seconds <= opening)
                || (!finder.flashes().empty() && finder.flashes().front().from <= opening));
    };

    // A frame decoded here is the one any decoder gives when every frame
    // it may refer to was decoded too: always when only frames nothing
    // refers to are left out, else while no frame was left out since a
    // keyframe (a B-frame may be a reference). A left-out frame shows as
    // a gap of more than a frame between the pictures.
    const bool referencesDecoded = cursor.skipLevel() == AVDISCARD_NONREF;
    const AVRational rate = input.frameRate();
    const int64_t gap = rate.num > 0 ? av_rescale_q(3, av_inv_q(rate), input.timeBase()) / 2 : 0;
    bool exact = false;     // this frame is one any decoder gives
    bool follows = false;   // no frame was left out between the one before and this
    int64_t lastPts = AV_NOPTS_VALUE;
    int64_t lastDuration = 0;  // the frame before's own, when the stream says
    FramePtr previous;
    double previousAt = 0;
    int64_t previousPts = 0;
    bool previousExact = false;

    Found found;
    found.first = stretch.first;
    double reportedAt = from.seconds;  // decoded up to here, as reported
    // The frame on screen a lead into the scene that begins at `cut`, when
    // this frame or the one before it is, so that its shot needs no decoding.
    const auto keepLead = [&](double cut, const FramePtr &frame, double at, int64_t pts) {
        if (!ours(cut))
            return;
        const double target = cut + ScenePlanning::lead;
        // The frame before when it is the one on screen a lead in (a
        // frame-exact shot takes it too), else the nearer of the two.
        const bool previousShown = previous && previousExact && follows && previousAt <= target + 1e-6
            && previousAt >= cut - 1e-6 && at > target + 1e-6;
        const bool takeFrame = !previousShown
            && (!previous || !previousExact || previousAt < cut - 1e-6
                || std::abs(at - target) <= std::abs(previousAt - target));
        const AVFrame *picture = takeFrame ? frame.get() : previous.get();
        const double shown = takeFrame ? at : previousAt;
        if (!(takeFrame ? exact : previousExact) || shown < cut - 1e-6)
            return;
        std::optional<VideoFrame> image = uprightFrame(input, picture);
        if (!image)
            return;
        const std::size_t bytes = ScanFrames::bytesOf(*image);
        if (m_keptBytes.fetch_add(bytes) + bytes > ScanFrames::mostKept)
            return;
        // It answers the times it is known to be on screen: up to the next
        // frame when that is this one, else a few milliseconds, which the
        // plan's aim a millisecond past a frame stays inside.
        const int64_t shownPts = takeFrame ? pts : previousPts;
        const int64_t until = previousShown
            ? pts
            : shownPts + std::max<int64_t>(1, av_rescale_q(3, AVRational{1, 1000}, input.timeBase()));
        found.frames.push_back({shown, shownPts, until, input.startPts(), input.timeBase(), std::move(*image)});
    };
    for (FramePtr frame = std::move(first); frame; frame = cursor.next(skipAll)) {
        const int64_t pts = framePts(*frame);
        if (pts == AV_NOPTS_VALUE || pts < from.pts)
            continue;
        // A frame's own duration tells a left-out frame apart from a slow
        // stretch of a variable frame rate; the nominal rate only guesses.
        follows = gap > 0 && lastPts != AV_NOPTS_VALUE && pts - lastPts <= (lastDuration > 0 ? lastDuration : gap);
        const bool leftOut = lastPts != AV_NOPTS_VALUE && !follows;
        exact = frame->key_frame || (previousExact && (follows || referencesDecoded));
        lastPts = pts;
        lastDuration = frame->pkt_duration;
        std::optional<SceneSignature> signature = maker.make(*frame);
        if (!signature) {
            previous.reset();
            previousExact = false;
            continue;
        }
        const double at = seconds(input, pts);
        // A gap between pictures is a frame left out only where the stream
        // has frames the decoder may leave out; else the picture was held.
        finder.add(at, std::move(*signature), leftOut && input.codec()->has_b_frames > 0);
        if (const double ahead = std::min(at, to.seconds) - reportedAt; ahead >= progressStep) {
            refined(ahead);
            reportedAt += ahead;
        }
        // A cut is judged once the frames half a second past it are in,
        // as far in as its shot goes: that frame is here now.
        const std::vector<CutFinder::Cut> cuts = finder.take();
        if (found.cuts.empty() && opensOnJump(cuts, finder)) {
            found.opensOnJump = true;
            return found;
        }
        for (const CutFinder::Cut &cut : cuts) {
            if (ours(cut.seconds))
                found.cuts.push_back({cut.seconds, cut.step});
            keepLead(cut.seconds, frame, at, pts);
        }
        previous = std::move(frame);
        previousAt = at;
        previousPts = pts;
        previousExact = exact;
        if (at > until)
            break;
    }
    previous.reset();
    if (m_stop.stop_requested()) {
        fail(MediaError::stopped(MediaError::Step::decode));
        return std::nullopt;
    }
    const std::vector<CutFinder::Cut> cuts = finder.take(true);
    if (found.cuts.empty() && opensOnJump(cuts, finder)) {
        found.opensOnJump = true;
        return found;
    }
    for (const CutFinder::Cut &cut : cuts) {
        if (ours(cut.seconds))
            found.cuts.push_back({cut.seconds, cut.step});
    }
    found.flashes = finder.flashes();
    refined(std::max(0.0, to.seconds - reportedAt));
    return found;
}

// Sorts `items` by their `time` and keeps the first of each: neighbouring
// stretches both see the frames around their handover.
template <typename Item>
void oneAtEachTime(std::vector<Item> &items, double Item::*time)
{
    std::sort(items.begin(), items.end(), [time](const Item &a, const Item &b) { return a.*time < b.*time; });
    items.erase(std::unique(items.begin(), items.end(),
                            [time](const Item &a, const Item &b) { return b.*time - a.*time < 1e-6; }),
                items.end());
}

// The keyframe gaps to decode, in the order to decode them. While every
// candidate's cuts may be kept, neighbouring candidates are decoded in one
// go (no second seek, no frame decoded twice), in stretches short enough to
// share among the lanes. When fewer cuts are wanted than there are
// candidates, one gap at a time, strongest first, so that decoding stops
// once enough are found.
std::vector<Stretch> stretches(const std::vector<Keyframe> &keyframes, std::vector<Candidate> candidates,
                               bool ranked)
{
    std::vector<bool> decoded(keyframes.size() + 1, false);
    for (const Candidate &candidate : candidates)
        decoded[candidate.after] = true;
    std::vector<Stretch> work;
    if (ranked) {
        std::stable_sort(candidates.begin(), candidates.end(),
                         [](const Candidate &a, const Candidate &b) { return a.strength > b.strength; });
        for (const Candidate &candidate : candidates)
            work.push_back({candidate.after, candidate.after, decoded[candidate.after - 1], decoded[candidate.after + 1]});
        return work;
    }
    double total = 0;
    for (const Candidate &candidate : candidates)
        total += keyframes[candidate.after].seconds - keyframes[candidate.after - 1].seconds;
    const double longest = std::max(minStretch, total / (2.0 * maxLanes));
    for (const Candidate &candidate : candidates) {
        const size_t gap = candidate.after;
        if (!work.empty() && work.back().last + 1 == gap
            && keyframes[gap].seconds - keyframes[work.back().first - 1].seconds <= longest) {
            work.back().last = gap;
            work.back().gapAfterDecoded = decoded[gap + 1];
        } else {
            work.push_back({gap, gap, decoded[gap - 1], decoded[gap + 1]});
        }
    }
    // Longest first, so that no lane is left with a long stretch to decode
    // alone at the end while the others wait: on a 25 s phone clip of three
    // stretches (5, 8 and 9 s) taken in order, one lane decoded 14 s of it
    // and the other 8 s.
    const auto length = [&](const Stretch &stretch) {
        return keyframes[stretch.last].seconds - keyframes[stretch.first - 1].seconds;
    };
    std::stable_sort(work.begin(), work.end(),
                     [&](const Stretch &a, const Stretch &b) { return length(a) > length(b); });
    return work;
}

} // namespace

std::optional<Scan> scan(const QString &path, double duration, long long most, const Progress &progress,
                         std::stop_token stop, MediaError *error)
{
    Scanner scanner(path, duration, progress, std::move(stop), error);
    std::vector<Keyframe> keyframes;
    std::vector<Candidate> candidates;
    if (!scanner.keyframePass(keyframes, candidates))
        return std::nullopt;

    Scan result;
    result.keyframes.reserve(keyframes.size());
    for (const Keyframe &keyframe : keyframes) {
        if (!keyframe.end)
            result.keyframes.push_back(keyframe.seconds);
    }

    scanner.keepReferences(keyframes.size() > 1
                           && double(candidates.size()) >= Scanner::denseShare * double(keyframes.size() - 1));
    const size_t wanted = size_t(std::max<long long>(0, most - 1));
    // Gaps whose keyframes could not be compared cannot be ranked: they are
    // all decoded, in stretches, and their cuts count as strong as they step.
    const bool allMeasured = std::all_of(candidates.begin(), candidates.end(),
                                         [](const Candidate &candidate) { return candidate.measured; });
    const bool ranked = wanted < candidates.size() && allMeasured;
    const std::vector<Stretch> work = wanted > 0 ? stretches(keyframes, candidates, ranked) : std::vector<Stretch>{};
    // How strong each gap's cuts count: how much its keyframes differ.
    std::vector<float> strength(keyframes.size(), 0);
    std::vector<bool> measured(keyframes.size(), true);
    for (const Candidate &candidate : candidates) {
        strength[candidate.after] = candidate.strength;
        measured[candidate.after] = candidate.measured;
    }

    // Lanes take the stretches in order. Once the stretches done so far,
    // counted in order, hold the cuts wanted, no lane starts another: with
    // the strongest first, the rest would not be kept anyway.
    std::mutex lock;
    size_t next = 0;
    size_t doneInOrder = 0;
    size_t cutsInOrder = 0;
    bool failed = false;
    std::vector<std::optional<Scanner::Found>> found(work.size());
    const auto lane = [&](Scanner::Lane &own) {
        for (;;) {
            size_t item = 0;
            {
                const std::lock_guard guard(lock);
                if (failed || next >= work.size() || (ranked && cutsInOrder >= wanted))
                    return;
                item = next++;
            }
            std::optional<Scanner::Found> cuts = scanner.refine(keyframes, work[item], own);
            const std::lock_guard guard(lock);
            if (!cuts) {
                failed = true;
                return;
            }
            found[item] = std::move(cuts);
            while (doneInOrder < work.size() && found[doneInOrder]) {
                cutsInOrder += found[doneInOrder]->cuts.size();
                ++doneInOrder;
            }
        }
    };
    double toRefine = 0;
    for (const Stretch &stretch : work)
        toRefine += keyframes[stretch.last].seconds - keyframes[stretch.first - 1].seconds;
    scanner.refineTotal(toRefine);
    {
        // A lane for each stretch, up to one per core. When lanes are fewer
        // than cores (one long gap, as in a video with a single keyframe,
        // or more cores than lanes) they share the spare cores as decoding
        // threads, which decode a predicted frame while the one it refers
        // to is still being finished.
        const int cores = std::max(1, int(std::thread::hardware_concurrency()));
        const size_t laneCount = std::clamp<size_t>(work.size(), 1, size_t(std::min(cores, maxLanes)));
        std::vector<Scanner::Lane> lanes(laneCount);
        for (Scanner::Lane &own : lanes)
            own.threads = std::clamp(cores / int(laneCount), 1, maxThreadsPerLane);
        std::vector<std::jthread> helpers;
        for (size_t k = 1; k < lanes.size(); ++k)
            helpers.emplace_back([&, k] { lane(lanes[k]); });
        lane(lanes[0]);
    }
    if (failed)
        return std::nullopt;
    for (size_t item = 0; item < doneInOrder; ++item)
        std::move(found[item]->frames.begin(), found[item]->frames.end(), std::back_inserter(result.frames));
    oneAtEachTime(result.frames, &ScanFrames::Frame::seconds);
    for (size_t item = 0; item < doneInOrder; ++item) {
        for (const CutFinder::Flash &flash : found[item]->flashes) {
            const auto inFlash = [&](double at) { return at >= flash.from - 1e-6 && at < flash.until - 1e-6; };
            std::erase_if(result.keyframes, inFlash);
            std::erase_if(result.frames, [&](const ScanFrames::Frame &frame) { return inFlash(frame.seconds); });
        }
    }
    for (size_t item = 0; item < doneInOrder; ++item) {
        if (ranked && result.cuts.size() >= wanted)
            break;
        for (ScenePlanning::Cut cut : found[item]->cuts) {
            // Ranked by how much the keyframes around it differ, so that
            // stopping early keeps the same cuts a full scan would.
            const auto after = std::lower_bound(keyframes.begin(), keyframes.end(), cut.start - 1e-6,
                                                [](const Keyframe &k, double t) { return k.seconds < t; });
            // A cut just past a stretch's end may lie in a gap that was no
            // candidate itself: it counts as strong as the gap before.
            size_t gap = size_t(after - keyframes.begin());
            if (gap < keyframes.size() && strength[gap] == 0 && gap > 0)
                --gap;
            if (gap < keyframes.size() && measured[gap])
                cut.strength = strength[gap];
            result.cuts.push_back(cut);
        }
        result.refined += int(work[item].last - found[item]->first + 1);
    }
    oneAtEachTime(result.cuts, &ScenePlanning::Cut::start);
    scanner.report(1);
    return result;
}

} // namespace SceneScanner
