#include "media/MediaAsset.h"

#include "engine/Logging.h"
#include "media/FrameCursor.h"
#include "media/VideoInput.h"

#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <cstdint>

namespace {

// Packets read before giving up on a first picture: far more than any real
// stream needs before its first keyframe, few enough to end quickly on junk.
constexpr int firstFramePacketLimit = 2000;

// Whether the stream's first picture decodes. A file whose header parses but
// whose pictures do not is of no use, so it counts as unreadable. A file cut
// short after its first pictures still counts as readable: it shows as far
// as it goes and the missing frames fail one by one.
bool firstFrameDecodes(VideoInput &input)
{
    FrameCursor cursor(input);
    const FramePtr frame = cursor.next({}, firstFramePacketLimit);
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
        if (packet->stream_index == input.streamIndex()) {
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

// The duration to plan with when the stated one is missing, implausible or
// runs past the data the file holds: where the video stream's packets really
// end. `stated` is kept whenever the packets do not prove it wrong.
double verifiedDuration(VideoInput &input, double stated, int64_t fileSize)
{
    const AVStream *stream = input.stream();
    const bool missing = !(stated > 0);
    const bool implausible = !missing && double(fileSize) * 8 / stated < implausibleBitsPerSecond;
    if (!missing && !implausible && !indexPassesFileEnd(stream, fileSize))
        return stated;
    const int64_t start = input.startPts();
    const int64_t near = missing || implausible
        ? INT64_MAX / 2
        : start + int64_t(stated / av_q2d(stream->time_base));
    const ScannedEnd scanned = scanEnd(input, near, fileSize);
    if (scanned.end == AV_NOPTS_VALUE)
        return missing ? 0 : stated;
    const double seen = std::max(0.0, toSeconds(scanned.end - start, stream->time_base));
    if (scanned.complete)
        return missing || seen < stated ? seen : stated;
    // The scan stopped before the end: what lies beyond it is estimated from
    // the bytes the scanned packets took for their time.
    if (scanned.lastPosition > scanned.firstPosition && scanned.firstPosition >= 0
        && scanned.end > scanned.firstTime) {
        const double secondsPerByte = toSeconds(scanned.end - scanned.firstTime, stream->time_base)
            / double(scanned.lastPosition - scanned.firstPosition);
        const double estimate = seen + double(fileSize - scanned.lastPosition) * secondsPerByte;
        return missing || implausible ? estimate : std::min(stated, estimate);
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
    const AVFormatContext *format = input->format();
    Facts facts;

    const AVCodecParameters *parameters = stream->codecpar;
    const AVRational sar = av_guess_sample_aspect_ratio(input->format(), input->stream(), nullptr);
    facts.size = QSizeF(input->transform().displaySize(QSize(parameters->width, parameters->height), sar));

    const AVRational rate = input->frameRate();
    facts.fps = rate.num > 0 ? float(av_q2d(rate)) : 0.0f;

    // The stream's own length where it has one: the container's may be
    // missing (Matroska) or cover a longer audio track. Otherwise the
    // container's end, measured from where the video starts.
    const double start = toSeconds(input->startPts(), stream->time_base);
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
        facts.duration = toSeconds(stream->duration, stream->time_base);
    } else if (format->duration != AV_NOPTS_VALUE && format->duration > 0) {
        const double containerStart =
            format->start_time != AV_NOPTS_VALUE ? toSeconds(format->start_time, AV_TIME_BASE_Q) : start;
        facts.duration = std::max(0.0, containerStart + toSeconds(format->duration, AV_TIME_BASE_Q) - start);
    }

    const QFileInfo info(path);
    facts.fileSize = info.isFile() ? info.size() : 0;
    facts.duration = verifiedDuration(*input, facts.duration, facts.fileSize);
    if (stop.stop_requested())
        return std::nullopt;
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
