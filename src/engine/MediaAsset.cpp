#include "MediaAsset.h"

#include "VideoInput.h"

#include <QFileInfo>
#include <QUrl>

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
    AVCodecContext *codec = input.codec();
    PacketPtr packet = makePacket();
    FramePtr frame = makeFrame();
    if (!packet || !frame)
        return false;
    bool draining = false;
    for (int packets = 0; packets < firstFramePacketLimit && !input.interrupted();) {
        if (!draining) {
            const int rc = av_read_frame(input.format(), packet.get());
            if (rc < 0) {
                draining = true;
                avcodec_send_packet(codec, nullptr);
            } else {
                if (packet->stream_index == input.streamIndex()) {
                    ++packets;
                    // A broken packet is skipped; a later one may still decode.
                    avcodec_send_packet(codec, packet.get());
                }
                av_packet_unref(packet.get());
            }
        }
        const int rc = avcodec_receive_frame(codec, frame.get());
        if (rc == 0)
            return frame->width > 0 && frame->height > 0;
        if (rc == AVERROR_EOF || (draining && rc != AVERROR(EAGAIN)))
            return false;
        if (draining && rc == AVERROR(EAGAIN))
            return false;
    }
    return false;
}

double toSeconds(int64_t value, AVRational base)
{
    return double(value) * av_q2d(base);
}

} // namespace

namespace MediaAsset {

std::optional<Facts> probe(const QString &path, std::stop_token stop)
{
    auto input = VideoInput::open(path, [stop] { return stop.stop_requested(); }, {});
    if (!input || !firstFrameDecodes(*input) || stop.stop_requested())
        return std::nullopt;

    const AVStream *stream = input->stream();
    const AVFormatContext *format = input->format();
    Facts facts;

    const AVCodecParameters *parameters = stream->codecpar;
    const AVRational sar = av_guess_sample_aspect_ratio(input->format(), input->stream(), nullptr);
    facts.size = QSizeF(input->transform().displaySize(QSize(parameters->width, parameters->height), sar));

    AVRational rate = stream->avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        rate = stream->r_frame_rate;
    facts.fps = rate.num > 0 && rate.den > 0 ? float(av_q2d(rate)) : 0.0f;

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
