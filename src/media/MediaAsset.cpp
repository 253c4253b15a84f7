#include "media/MediaAsset.h"

#include "basics/Logging.h"
#include "media/FrameCursor.h"
#include "media/ParkedInputs.h"
#include "media/VideoInput.h"

#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// Packets read before giving up on a first picture: far more than any real
// stream needs before its first keyframe, few enough to end quickly on junk.
constexpr int firstFramePacketLimit = 2000;

// Whether the packets up to and including the first keyframe give a picture.
// The decoder is drained right after that keyframe instead of being fed the
// frames that follow: a decoder that reorders frames holds its first picture
// back until several more are decoded, a quarter of a second on a grainy
// 1080p phone clip. Leaves the decoder flushed, ready for a seek.
bool firstKeyframeDecodes(VideoInput &input, int &packets)
{
    PacketPtr packet = makePacket();
    FramePtr frame = makeFrame();
    if (!packet || !frame)
        return false;
    AVCodecContext *codec = input.codec();
    while (packets < firstFramePacketLimit && !input.interrupted()
           && av_read_frame(input.format(), packet.get()) >= 0) {
        const bool ours = packet->stream_index == input.streamIndex();
        const bool key = ours && (packet->flags & AV_PKT_FLAG_KEY);
        if (ours) {
            ++packets;
            avcodec_send_packet(codec, packet.get());
        }
        av_packet_unref(packet.get());
        if (key)
            break;
    }
    avcodec_send_packet(codec, nullptr);
    bool decoded = false;
    while (avcodec_receive_frame(codec, frame.get()) == 0) {
        decoded = decoded || (frame->width > 0 && frame->height > 0);
        av_frame_unref(frame.get());
    }
    avcodec_flush_buffers(codec);
    return decoded;
}

// Whether the stream's first picture decodes. A file whose header parses but
// whose pictures do not is of no use, so it counts as unreadable. A file cut
// short after its first pictures still counts as readable: it shows as far
// as it goes and the missing frames fail one by one. A damaged first keyframe
// does not condemn the file while a later picture decodes.
bool firstFrameDecodes(VideoInput &input)
{
    int packets = 0;
    if (firstKeyframeDecodes(input, packets))
        return true;
    FrameCursor cursor(input);
    const FramePtr frame = cursor.next({}, std::max(0, firstFramePacketLimit - packets));
    return frame && frame->width > 0 && frame->height > 0;
}

double toSeconds(int64_t value, AVRational base)
{
    return double(value) * av_q2d(base);
}

// Below this average rate a stated duration cannot be the video's: the
// stillest real video (a static screen at one frame a second) needs a few
// kilobits a second. A fragmented MP4 whose duration field reads "unknown"
// (all ones) claims days for a clip of seconds, a few bits a second.
constexpr double implausibleBitsPerSecond = 1000;

// Packets read from the last keyframe on when looking for the real end:
// many minutes of video, and no decoding, so it ends quickly.
constexpr int endScanPacketLimit = 30000;

// Whether the demuxer's index places data past the end of the file: the
// index was written first and the data after it was cut off.
bool indexPassesFileEnd(const AVStream *stream, int64_t fileSize)
{
    const int count = avformat_index_get_entries_count(stream);
    for (int i = count - 1; i >= 0 && i >= count - 8; --i) {
        const AVIndexEntry *entry = avformat_index_get_entry(const_cast<AVStream *>(stream), i);
        if (entry && entry->pos >= 0 && entry->pos + entry->size > fileSize)
            return true;
    }
    return false;
}

struct ScannedEnd {
    int64_t end = AV_NOPTS_VALUE;  // latest packet end seen, stream ticks
    bool complete = false;         // the scan reached the end of the readable data
    int64_t lastPosition = -1;     // file offset of the last packet seen
    int64_t firstPosition = -1;    // and of the first
    int64_t firstTime = AV_NOPTS_VALUE;
};

// Reads the video packets from the last keyframe at or before `near` whose
// data lies inside the file (or, without an index, from where the demuxer's
// own seek to `near` lands) to the end of the readable data, without
// decoding, and notes where they end.
ScannedEnd scanEnd(VideoInput &input, int64_t near, int64_t fileSize)
{
    AVStream *stream = input.stream();
    int64_t from = AV_NOPTS_VALUE;
    const int count = avformat_index_get_entries_count(stream);
    for (int i = 0; i < count; ++i) {
        const AVIndexEntry *entry = avformat_index_get_entry(stream, i);
        if (!entry || !(entry->flags & AVINDEX_KEYFRAME) || entry->timestamp == AV_NOPTS_VALUE
            || entry->timestamp > near || (entry->pos >= 0 && entry->pos + entry->size > fileSize))
            continue;
        if (from == AV_NOPTS_VALUE || entry->timestamp > from)
            from = entry->timestamp;
    }
    ScannedEnd scanned;
    if (av_seek_frame(input.format(), input.streamIndex(), from != AV_NOPTS_VALUE ? from : near,
                      AVSEEK_FLAG_BACKWARD) < 0)
        return scanned;
    PacketPtr packet = makePacket();
    if (!packet)
        return scanned;
    for (int packets = 0; packets < endScanPacketLimit && !input.interrupted();) {
        if (av_read_frame(input.format(), packet.get()) < 0) {
            // The end, or data that cannot be read: either way nothing
            // after it can be shown.
            scanned.complete = !input.interrupted();
            break;
        }
        // Packets an edit list leaves out are never shown.
        if (packet->stream_index == input.streamIndex() && !(packet->flags & AV_PKT_FLAG_DISCARD)) {
            ++packets;
            const int64_t time = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            if (time != AV_NOPTS_VALUE) {
                const int64_t end = time + std::max<int64_t>(packet->duration, 0);
                scanned.end = scanned.end == AV_NOPTS_VALUE ? end : std::max(scanned.end, end);
                if (scanned.firstTime == AV_NOPTS_VALUE) {
                    scanned.firstTime = time;
                    scanned.firstPosition = packet->pos;
                }
                if (packet->pos >= 0)
                    scanned.lastPosition = packet->pos;
            }
        }
        av_packet_unref(packet.get());
    }
    return scanned;
}

// How far the frames may end from the stated length before the statement
// counts as wrong: a frame or two, since a last packet without a duration
// ends a frame early and containers round their lengths.
constexpr double statedEndSlackFrames = 2;
constexpr double statedEndSlackSeconds = 0.1;  // when the frame rate is unknown

// The duration to plan with: where the video stream's packets really end,
// whenever that differs from the stated length by more than a frame or two,
// in either direction, or the stated one is missing, implausible or runs past
// the data the file holds. An edit list can state a length its frames do not
// fill; frames past the stated end are shown by players too. `stated` is
// kept whenever the packets do not prove it wrong.
double verifiedDuration(VideoInput &input, double stated, int64_t fileSize, double frameSeconds)
{
    const AVStream *stream = input.stream();
    const bool missing = !(stated > 0);
    const bool implausible = !missing && double(fileSize) * 8 / stated < implausibleBitsPerSecond;
    const int64_t start = input.startPts();
    const int64_t near = missing || implausible
        ? INT64_MAX / 2
        : start + int64_t(stated / av_q2d(stream->time_base));
    const ScannedEnd scanned = scanEnd(input, near, fileSize);
    if (scanned.end == AV_NOPTS_VALUE)
        return missing ? 0 : stated;
    const double seen = std::max(0.0, toSeconds(scanned.end - start, stream->time_base));
    if (scanned.complete) {
        const double slack = frameSeconds > 0 ? statedEndSlackFrames * frameSeconds : statedEndSlackSeconds;
        return missing || implausible || std::abs(seen - stated) > slack + 1e-6 ? seen : stated;
    }
    // The scan stopped before the end: what lies beyond it is estimated from
    // the bytes the scanned packets took for their time.
    if (scanned.lastPosition > scanned.firstPosition && scanned.firstPosition >= 0
        && scanned.end > scanned.firstTime) {
        const double secondsPerByte = toSeconds(scanned.end - scanned.firstTime, stream->time_base)
            / double(scanned.lastPosition - scanned.firstPosition);
        const double estimate = seen + double(fileSize - scanned.lastPosition) * secondsPerByte;
        if (missing || implausible)
            return estimate;
        return indexPassesFileEnd(stream, fileSize) ? std::min(stated, estimate) : stated;
    }
    return missing || implausible ? seen : stated;
}

} // namespace

namespace MediaAsset {

std::optional<Facts> probe(const QString &path, std::stop_token stop)
{
    MediaError error;
    auto input = VideoInput::open(path, [stop] { return stop.stop_requested(); }, {}, &error);
    if (!input) {
        qCInfo(logMedia) << "cannot open" << path << "for probing:" << error.text();
        return std::nullopt;
    }
    if (!firstFrameDecodes(*input)) {
        qCInfo(logMedia) << "no picture decodes in" << path;
        return std::nullopt;
    }
    if (stop.stop_requested())
        return std::nullopt;

    const AVStream *stream = input->stream();
    Facts facts;

    const AVCodecParameters *parameters = stream->codecpar;
    const AVRational sar = av_guess_sample_aspect_ratio(input->format(), input->stream(), nullptr);
    facts.size = QSizeF(input->transform().displaySize(QSize(parameters->width, parameters->height), sar));

    const AVRational rate = input->frameRate();
    facts.fps = rate.num > 0 ? float(av_q2d(rate)) : 0.0f;

    const int64_t start = input->startPts();
    if (const std::optional<int64_t> end = input->statedEnd())
        facts.duration = std::max(0.0, toSeconds(*end - start, stream->time_base));

    const QFileInfo info(path);
    facts.fileSize = info.isFile() ? info.size() : 0;
    facts.duration = verifiedDuration(*input, facts.duration, facts.fileSize, rate.num > 0 ? 1 / av_q2d(rate) : 0);
    if (stop.stop_requested())
        return std::nullopt;
    // The extraction that follows opens the same file: it takes this input
    // rather than analysing the file again.
    ParkedInputs::park(std::move(input));
    return facts;
}

std::optional<VideoInfo> load(const QUrl &url, std::stop_token stop)
{
    if (!url.isLocalFile())
        return std::nullopt;
    const auto facts = probe(url.toLocalFile(), stop);
    if (!facts)
        return std::nullopt;
    VideoInfo info;
    info.url = url;
    info.duration = facts->duration;
    info.size = facts->size;
    info.fps = facts->fps;
    info.fileSize = facts->fileSize;
    return info;
}

} // namespace MediaAsset
