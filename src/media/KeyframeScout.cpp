#include "media/KeyframeScout.h"

#include <algorithm>
#include <cstdlib>

std::optional<PacketKeyframe> keyframeByPackets(VideoInput &input, int64_t after, int64_t upTo, int64_t near)
{
    AVFormatContext *format = input.format();
    const int stream = input.streamIndex();
    const int64_t second = av_rescale_q(1, AVRational{1, 1}, input.timeBase());
    PacketPtr packet = makePacket();
    if (!packet)
        return std::nullopt;
    // A keyframe further before `near` than `upTo` lies after it is nearer
    // only when none lies between, so the first stretch covers both sides.
    const int64_t first = std::max(second, 2 * std::max<int64_t>(0, upTo - near));
    for (int64_t back = first; back <= std::max(first, 64 * second); back *= 2) {
        const int64_t from = std::max(upTo - back, after);
        if (av_seek_frame(format, stream, from, AVSEEK_FLAG_BACKWARD) < 0)
            return std::nullopt;
        std::optional<PacketKeyframe> found;
        bool passed = false;  // read up to frames decoded after `upTo`
        while (!passed && av_read_frame(format, packet.get()) >= 0) {
            if (packet->stream_index == stream) {
                const int64_t pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
                // A keyframe shown by `upTo` is decoded by then too.
                passed = packet->dts != AV_NOPTS_VALUE && packet->dts > upTo;
                if (!passed && (packet->flags & AV_PKT_FLAG_KEY) && pts != AV_NOPTS_VALUE && pts > after
                    && pts <= upTo && packet->pos >= 0
                    && (!found || std::llabs(pts - near) <= std::llabs(found->pts - near)))
                    found = PacketKeyframe{pts, packet->pos};
            }
            av_packet_unref(packet.get());
        }
        if (found || !passed || input.interrupted() || from <= after || from <= input.startPts())
            return found;
    }
    return std::nullopt;
}

std::unique_ptr<KeyframeScout> KeyframeScout::open(const VideoInput &decoding)
{
    const std::unique_ptr<VideoInput::Analysis> analysis = decoding.analysis();
    std::unique_ptr<VideoInput> input = VideoInput::open(
        decoding.path(), [&decoding] { return decoding.interrupted(); }, VideoInput::Threads{1, FF_THREAD_SLICE},
        nullptr, analysis.get());
    if (!input || input->streamIndex() != decoding.streamIndex())
        return nullptr;
    input->releaseDecoder();  // it only reads packets
    return std::unique_ptr<KeyframeScout>(new KeyframeScout(std::move(input)));
}
