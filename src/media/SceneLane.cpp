#include "media/SceneLane.h"

#include "media/FrameCursor.h"
#include "media/SceneSignature.h"
#include "media/UprightFrame.h"
#include "media/VideoInput.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

namespace SceneScanner {

namespace {

// Seconds of video a lane decodes between reports of its progress.
constexpr double progressStep = 0.5;

// A stretch that opens on a jump is decoded again from as far back as this
// many seconds before its first keyframe, a keyframe at a time (a strobe
// lit through several keyframes); beyond, it is judged as it is. A try
// that opens on a jump stops a moment past the keyframe it starts at.
constexpr double reopenReach = 10;

// Every frame the cursor's skip level allows may go undecoded: the lanes judge
// what is left.
const FrameSource::Skippable skipAll = [](int64_t, int64_t, std::span<const int64_t>) { return true; };

int64_t framePts(const AVFrame &frame)
{
    return frame.pts != AV_NOPTS_VALUE ? frame.pts : frame.best_effort_timestamp;
}

} // namespace

SceneLane::SceneLane(ScanContext &context, int threads)
    : m_context(context)
    , m_threads(threads)
{
}

SceneLane::~SceneLane() = default;
SceneLane::SceneLane(SceneLane &&) noexcept = default;

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
std::optional<SceneLane::Found> SceneLane::refine(const std::vector<Keyframe> &keyframes, Stretch stretch)
{
    const double start = keyframes[stretch.first - 1].seconds;
    const double ownFrom = stretch.ownGapsOnly ? start : -std::numeric_limits<double>::infinity();
    for (;;) {
        const bool mayReopen = stretch.first >= 2 && !stretch.gapBeforeDecoded
            && keyframes[stretch.first - 2].seconds >= start - reopenReach;
        std::optional<Found> found = refineOnce(keyframes, stretch, mayReopen, ownFrom);
        if (!found || !found->opensOnJump)
            return found;
        // The attempt's kept pictures go with it, at the end of this turn.
        for (const ScanFrames::Frame &frame : found->frames)
            m_context.keptBytes.fetch_sub(ScanFrames::bytesOf(frame.image));
        stretch = {stretch.first - 1, stretch.last, false, stretch.gapAfterDecoded, stretch.ownGapsOnly};
    }
}

bool SceneLane::open()
{
    MediaError openError;
    const VideoInput::Threads threads{m_threads, m_threads > 1 ? FF_THREAD_FRAME | FF_THREAD_SLICE : FF_THREAD_SLICE};
    m_input = VideoInput::open(m_context.path(), m_context.interrupted(), threads, &openError);
    if (!m_input) {
        m_context.fail(openError);
        return false;
    }
    AVFormatContext *format = m_input->format();
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (int(i) != m_input->streamIndex())
            format->streams[i]->discard = AVDISCARD_ALL;
    }
    // The deblocking filter stays on though a signature 32 pixels wide
    // cannot tell its work: without it every predicted frame differs a
    // little from the one its successors were encoded against, the
    // error grows along the chain, and the next keyframe, decoded clean,
    // jumps like a cut (on fast generated scenes it did).
    m_cursor = std::make_unique<FrameCursor>(*m_input);
    return true;
}

std::optional<FramePtr> SceneLane::startAt(const Keyframe &from)
{
    // The first frame must come at or before the keyframe the stretch
    // starts at. Without an index (MPEG-TS) the demuxer's search by time
    // can land past it, and the decoder then waits for the next keyframe:
    // on the film-like benchmark clip in TS, stretches began up to 8 s late
    // and 14 of 36 cuts were lost. Once a seek of this file has landed late,
    // the lanes go to the keyframe's byte position instead (the stretch
    // that found out decoded up to a keyframe gap for nothing); where that
    // is unknown or lands late too, a second further back each time.
    VideoInput &input = *m_input;
    FrameCursor &cursor = *m_cursor;
    FramePtr first;
    const int64_t second = av_rescale_q(1, AVRational{1, 1}, input.timeBase());
    const bool bytesWork = from.position >= 0 && !(input.format()->iformat->flags & AVFMT_NO_BYTE_SEEK);
    bool byBytes = bytesWork && m_context.seeksLandLate;
    bool triedBytes = byBytes;
    int64_t seekTo = from.pts;
    for (int attempt = 1;; ++attempt) {
        if (!(byBytes ? cursor.seekToByte(from.position) : cursor.seek(seekTo, false))) {
            m_context.fail(cursor.error());
            return std::nullopt;
        }
        first = cursor.next(skipAll);
        if (!first || framePts(*first) == AV_NOPTS_VALUE || framePts(*first) <= from.pts || attempt == 8)
            break;
        if (bytesWork && !triedBytes) {
            m_context.seeksLandLate = true;
            byBytes = triedBytes = true;
        } else {
            seekTo -= (byBytes ? 1 : attempt) * second;
            byBytes = false;
        }
    }
    return first;
}

std::optional<SceneLane::Found> SceneLane::refineOnce(const std::vector<Keyframe> &keyframes, const Stretch &stretch,
                                                     bool mayReopen, double ownFrom)
{
    if (!m_input && !open())
        return std::nullopt;
    VideoInput &input = *m_input;
    FrameCursor &cursor = *m_cursor;
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
    cursor.setSkipLevel(m_context.frameRate() < 20 || m_context.keepReferences() ? AVDISCARD_NONREF : AVDISCARD_BIDIR);
    std::optional<FramePtr> start = startAt(from);
    if (!start)
        return std::nullopt;
    SignatureMaker maker;
    CutFinder finder(m_context.frameRate());
    // Stretches hand over a little after their later keyframe, so that a
    // jump there is judged with frames on both sides: the steps after it,
    // and whether the picture returns.
    const double handover = stretch.gapAfterDecoded ? CutFinder::flashLength : 0.0;
    const double until = to.seconds + handover + CutFinder::surroundings;
    const double begin = std::max(ownFrom, from.seconds + (stretch.gapBeforeDecoded ? CutFinder::flashLength : 0.0));
    const auto ours = [&](double cut) { return cut > begin + 1e-6 && cut <= to.seconds + handover + 1e-6; };
    // A cut or a flash (a strobe's white frames seen from a white keyframe
    // look like pictures flashing by) within this of the first keyframe.
    const double opening = from.seconds + CutFinder::flashLength + 1e-6;

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
    // The cuts the finder has judged (all that are left at the end), kept
    // where they are this stretch's; none when the stretch opens on a jump
    // instead, which ends this try.
    const auto judged = [&](bool atEnd) -> std::optional<std::vector<CutFinder::Cut>> {
        std::vector<CutFinder::Cut> cuts = finder.take(atEnd);
        const bool opensOnJump = mayReopen && found.cuts.empty()
            && ((!cuts.empty() && cuts.front().seconds <= opening)
                || (!finder.flashes().empty() && finder.flashes().front().from <= opening));
        if (opensOnJump) {
            found.opensOnJump = true;
            return std::nullopt;
        }
        for (const CutFinder::Cut &cut : cuts) {
            if (ours(cut.seconds))
                found.cuts.push_back({cut.seconds, cut.step});
        }
        return cuts;
    };
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
        if (m_context.keptBytes.fetch_add(bytes) + bytes > ScanFrames::mostKept)
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
    for (FramePtr frame = std::move(*start); frame; frame = cursor.next(skipAll)) {
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
        const double at = streamSeconds(input, pts);
        // A gap between pictures is a frame left out only where the stream
        // has frames the decoder may leave out; else the picture was held.
        finder.add(at, std::move(*signature), leftOut && input.codec()->has_b_frames > 0);
        if (const double ahead = std::min(at, to.seconds) - reportedAt; ahead >= progressStep) {
            m_context.refined(ahead);
            reportedAt += ahead;
        }
        // A cut is judged once the frames half a second past it are in,
        // as far in as its shot goes: that frame is here now.
        const std::optional<std::vector<CutFinder::Cut>> cuts = judged(false);
        if (!cuts)
            return found;
        for (const CutFinder::Cut &cut : *cuts)
            keepLead(cut.seconds, frame, at, pts);
        previous = std::move(frame);
        previousAt = at;
        previousPts = pts;
        previousExact = exact;
        if (at > until)
            break;
    }
    previous.reset();
    if (m_context.stopRequested()) {
        m_context.fail(MediaError::stopped(MediaError::Step::decode));
        return std::nullopt;
    }
    if (!judged(true))
        return found;
    found.flashes = finder.flashes();
    m_context.refined(std::max(0.0, to.seconds - reportedAt));
    return found;
}

} // namespace SceneScanner
