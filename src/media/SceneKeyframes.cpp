#include "media/SceneKeyframes.h"

#include "media/CutFinder.h"
#include "media/SceneSignature.h"

#include <algorithm>
#include <deque>
#include <iterator>
#include <map>
#include <memory>
#include <set>

namespace SceneScanner {

namespace {

// A keyframe sooner than this share of the longest keyframe gap was placed
// by the encoder, not its schedule.
constexpr double placedShare = 0.9;

// Decoding every core can help with: keyframes are independent of each other.
constexpr VideoInput::Threads scanThreads{0, FF_THREAD_FRAME | FF_THREAD_SLICE};

// What one reading of the file found: the keyframes decoded, each with
// how much it differs from the one before, and where the video ends.
struct KeyframeRead {
    std::unique_ptr<VideoInput> input;
    std::vector<Keyframe> keyframes;
    std::vector<Candidate> differences;
    int64_t end = AV_NOPTS_VALUE;  // just after the latest frame read
    int keyframesSent = 0;         // keyframe packets the decoder took
    std::vector<Keyframe> sent;    // those keyframe packets, in file order
    int64_t keyframeBytes = 0;     // of the video's keyframe packets read
    int64_t otherBytes = 0;        // of its other packets read
    bool gaveUp = false;           // a second reading stopped early: it gave no picture the first had not
};

// How many keyframes the first reading had no picture for a second reading
// sends before it gives up when none of them gave a picture: each frame
// thread may hold a keyframe back, so it waits for more than they hold.
int keyframesBeforeGivingUp(const AVCodecContext &codec)
{
    return 2 * std::max(1, codec.thread_count) + 4;
}

// `firstPictured`: null for the first reading, which gives the decoder only
// the keyframes. For a second one, the keyframes the first gave a picture
// for: the decoder is then given the frames between the keyframes too, to
// skip them itself, and the reading gives up early when that brings no
// picture the first reading lacked. An H.264 decoder gives x264's open-GOP
// keyframes in MPEG-TS no picture either way, and passing it every packet
// of the film-like benchmark clip in that form took 2.4 s of a 13.8 s
// scan for nothing (and the bar stood still for 5.8 s of it, as it moved
// only with pictures).
std::optional<KeyframeRead> readKeyframes(ScanContext &context, const std::set<int64_t> *firstPictured)
{
    const bool everyPacket = firstPictured != nullptr;
    int missedSent = 0;  // keyframes sent that the first reading had no picture for
    int recovered = 0;   // pictures got for those
    KeyframeRead read;
    MediaError openError;
    read.input = VideoInput::open(context.path(), context.interrupted(), scanThreads, &openError);
    if (!read.input) {
        context.fail(openError);
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
        context.setFrameRate(av_q2d(rate));

    PacketPtr packet = makePacket();
    FramePtr frame = makeFrame();
    if (!packet || !frame) {
        context.fail(MediaError::failed(MediaError::Step::decode, QStringLiteral("out of memory"), AVERROR(ENOMEM)));
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
            const double at = streamSeconds(*input, pts);
            if (!keyframes.empty() && at <= keyframes.back().seconds)
                continue; // out of order or repeated: nothing to compare with
            if (previous) {
                const float strength = SceneSignature::difference(*previous, *signature);
                candidates.push_back({keyframes.size(), strength});
            }
            if (everyPacket && !firstPictured->contains(pts))
                ++recovered;
            const auto position = positions.find(pts);
            keyframes.push_back({at, pts, false, position != positions.end() ? position->second : -1});
            if (position != positions.end())
                positions.erase(positions.begin(), std::next(position));
            previous = std::move(signature);
        }
    };
    for (;;) {
        if (context.stopRequested()) {
            context.fail(MediaError::stopped(MediaError::Step::decode));
            return std::nullopt;
        }
        const int rc = av_read_frame(format, packet.get());
        if (rc < 0) {
            if (context.stopRequested()) {
                context.fail(MediaError::stopped(MediaError::Step::decode));
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
        if (packet->stream_index == input->streamIndex()) {
            (key ? read.keyframeBytes : read.otherBytes) += packet->size;
            // By what is read, not by the pictures: a decoder may give
            // few or none (open-GOP keyframes) while the file goes by.
            if (packetPts != AV_NOPTS_VALUE)
                context.keyframesRead(streamSeconds(*input, packetPts), read.keyframeBytes, read.otherBytes);
        }
        if (packet->stream_index == input->streamIndex() && (key || everyPacket)) {
            if (avcodec_send_packet(codec, packet.get()) == 0 && key && packetPts != AV_NOPTS_VALUE) {
                sent.push_back(packetPts);
                positions[packetPts] = packet->pos;
                ++read.keyframesSent;
                read.sent.push_back({streamSeconds(*input, packetPts), packetPts, false, packet->pos, true});
                if (everyPacket && !firstPictured->contains(packetPts))
                    ++missedSent;
            }
            take();
            if (everyPacket && recovered == 0 && missedSent > keyframesBeforeGivingUp(*codec)) {
                read.gaveUp = true;
                return read;
            }
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
void addUnseenKeyframes(KeyframeRead &read)
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

} // namespace

std::optional<KeyframePass> readKeyframePass(ScanContext &context)
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
    std::optional<KeyframeRead> read = readKeyframes(context, nullptr);
    if (read && read->keyframes.size() < size_t(read->keyframesSent) && !context.stopRequested()) {
        std::set<int64_t> pictured;
        for (const Keyframe &keyframe : read->keyframes)
            pictured.insert(keyframe.pts);
        context.keyframesReadAgain();
        std::optional<KeyframeRead> again = readKeyframes(context, &pictured);
        if (again && again->gaveUp) {
            // The first reading's pictures of such keyframes are not to be
            // trusted: stamped with the times of keyframes sent before, the
            // cut at 4 s of the film-like clip in open-GOP MPEG-TS showed as
            // a step of 0.05 between the keyframes around it, against 0.48
            // from the lanes. Only those the decoder gave with every packet
            // count; the rest stay places a lane can start from.
            read->keyframes = std::move(again->keyframes);
            read->differences = std::move(again->differences);
        } else {
            read = std::move(again);
        }
    }
    if (!read)
        return std::nullopt;
    if (read->keyframes.size() < size_t(read->keyframesSent))
        addUnseenKeyframes(*read);
    KeyframePass pass{std::move(read->keyframes), std::move(read->differences)};
    std::vector<Keyframe> &keyframes = pass.keyframes;
    std::vector<Candidate> &candidates = pass.candidates;
    const VideoInput *input = read->input.get();
    const int64_t end = read->end;
    if (keyframes.empty()) {
        context.fail(MediaError::failed(MediaError::Step::decode, QStringLiteral("no keyframe could be decoded")));
        return std::nullopt;
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
    if (end != AV_NOPTS_VALUE && streamSeconds(*input, end) - keyframes.back().seconds > 1.5 / context.frameRate()) {
        keyframes.push_back({streamSeconds(*input, end), end, true});
        candidates.push_back({keyframes.size() - 1, tailStrength});
    }
    return pass;
}

} // namespace SceneScanner
