#include "media/FrameCursor.h"

#include <algorithm>
#include <cstring>
#include <limits>

FrameCursor::FrameCursor(VideoInput &input)
    : m_input(input)
    , m_packet(makePacket())
{
}

FramePtr FrameCursor::next(const Skippable &skippable, int packetLimit)
{
    m_error = {};
    if (m_ended)
        return nullptr;
    FramePtr frame = makeFrame();
    if (!frame || !m_packet) {
        m_error = MediaError::failed(MediaError::Step::decode, QStringLiteral("out of memory"), AVERROR(ENOMEM));
        return nullptr;
    }
    AVCodecContext *codec = m_input.codec();
    for (int packets = 0;;) {
        if (m_input.interrupted()) {
            m_error = MediaError::stopped(MediaError::Step::decode);
            return nullptr;
        }
        int rc = avcodec_receive_frame(codec, frame.get());
        if (rc == 0) {
            ++m_decoded;
            return frame;
        }
        if (rc != AVERROR(EAGAIN) || m_draining || packets >= packetLimit) {
            // The end, or a decoder that cannot go on.
            m_ended = true;
            return nullptr;
        }
        rc = av_read_frame(m_input.format(), m_packet.get());
        if (rc < 0) {
            if (m_input.interrupted()) {
                m_error = MediaError::stopped(MediaError::Step::decode);
                return nullptr;
            }
            // End of file or unreadable data: give out what the decoder holds.
            m_draining = true;
            avcodec_send_packet(codec, nullptr);
            continue;
        }
        if (m_packet->stream_index == m_input.streamIndex()) {
            ++packets;
            const AVPacket *p = m_packet.get();
            // Frames no other frame refers to are not decoded at all when
            // they cannot be an answer. The decoder reads several packets
            // ahead of the frame it gives out (reordering, frame threads),
            // so the caller's test must cover every request still open.
            const bool skip = skippable && p->pts != AV_NOPTS_VALUE && !(p->flags & AV_PKT_FLAG_KEY)
                && skippable(p->pts, p->duration, m_sent);
            codec->skip_frame = skip ? m_skipLevel : AVDISCARD_DEFAULT;
            if (!skip && p->pts != AV_NOPTS_VALUE) {
                if (m_sent.size() == sentKept)
                    m_sent.erase(m_sent.begin());
                m_sent.push_back(p->pts);
            }
            // A damaged packet is dropped; the decoder resumes at the next one.
            avcodec_send_packet(codec, p);
        }
        av_packet_unref(m_packet.get());
    }
}

bool FrameCursor::seek(int64_t timestamp, bool anyFrame)
{
    // MPEG-TS and MPEG-PS have no index: their search by time lands on
    // whatever frame is there, and the decoder then waits for the next
    // keyframe, seconds on (the scene scan of a 2-minute 1080p TS took
    // 12.3 s this way against 10.3 s for the same stream in MP4). So the
    // keyframe is found in the packets first and sought by byte position.
    if (!anyFrame && findsKeyframesInPackets()) {
        if (m_scouted && m_scouted->pts == timestamp)
            return seekWith(m_scouted->position, AVSEEK_FLAG_BYTE);
        if (const std::optional<PacketKeyframe> keyframe =
                keyframeByPackets(m_input, std::numeric_limits<int64_t>::min(), timestamp, timestamp))
            return seekWith(keyframe->position, AVSEEK_FLAG_BYTE);
        if (m_input.interrupted()) {
            m_error = MediaError::stopped(MediaError::Step::seek);
            return false;
        }
    }
    return seekWith(timestamp, AVSEEK_FLAG_BACKWARD | (anyFrame ? AVSEEK_FLAG_ANY : 0));
}

bool FrameCursor::findsKeyframesInPackets() const
{
    const int flags = m_input.format()->iformat->flags;
    return (flags & AVFMT_TS_DISCONT) && !(flags & AVFMT_NO_BYTE_SEEK)
        && (!(flags & AVFMT_GENERIC_INDEX) || avformat_index_get_entries_count(m_input.stream()) == 0);
}

bool FrameCursor::indexMarksAnyFrame() const
{
    // MPEG-TS and MPEG-PS have no index of their own, but each search by
    // time adds the frames it passed to one, all marked as keyframes
    // whatever they are. Taken for keyframes, they sent seeks to frames
    // the decoder could not start from and hid the real keyframes.
    const char *name = m_input.format()->iformat->name;
    return std::strcmp(name, "mpegts") == 0 || std::strcmp(name, "mpeg") == 0;
}

std::optional<int64_t> FrameCursor::keyframeIn(int64_t after, int64_t upTo, int64_t near)
{
    if (!findsKeyframesInPackets())
        return std::nullopt;
    if (!m_scout && !m_scoutFailed) {
        m_scout = KeyframeScout::open(m_input);
        m_scoutFailed = !m_scout;
    }
    if (!m_scout)
        return std::nullopt;
    m_scouted = m_scout->nearestIn(after, upTo, near);
    return m_scouted ? std::optional<int64_t>(m_scouted->pts) : std::nullopt;
}

bool FrameCursor::seekToByte(int64_t position)
{
    if (m_input.format()->iformat->flags & AVFMT_NO_BYTE_SEEK) {
        m_error = MediaError::failed(MediaError::Step::seek, QStringLiteral("the format cannot seek by bytes"));
        return false;
    }
    return seekWith(position, AVSEEK_FLAG_BYTE);
}

bool FrameCursor::seekWith(int64_t target, int flags)
{
    m_error = {};
    ++m_seeks;
    m_sent.clear();
    m_draining = false;
    m_ended = false;
    const int rc = av_seek_frame(m_input.format(), (flags & AVSEEK_FLAG_BYTE) ? -1 : m_input.streamIndex(), target,
                                 flags);
    // libdav1d (1.0 here) with more than one thread can deadlock in the first
    // send after a flush once it has seen damaged data: every thread waits
    // for another and no cancel reaches them. A fresh decoder has no such
    // state, and after a seek nothing of the old one is wanted; it costs
    // little next to the keyframe it is about to decode.
    const AVCodecContext *codec = m_input.codec();
    const bool freshDecoder = m_input.threads().count != 1 && codec->codec
        && std::strcmp(codec->codec->name, "libdav1d") == 0 && m_input.reopenDecoder(m_input.threads());
    if (!freshDecoder)
        avcodec_flush_buffers(m_input.codec());
    if (rc < 0) {
        m_error = m_input.interrupted() ? MediaError::stopped(MediaError::Step::seek)
                                        : MediaError::failed(MediaError::Step::seek, ffmpegErrorText(rc), rc);
        return false;
    }
    return true;
}

const std::vector<int64_t> &FrameCursor::keyframes()
{
    if (indexMarksAnyFrame())
        return m_keyframes;  // stays empty
    AVStream *stream = m_input.stream();
    const int count = avformat_index_get_entries_count(stream);
    if (count == m_indexCount)
        return m_keyframes;
    m_indexCount = count;
    m_keyframes.clear();
    m_keyframes.reserve(size_t(std::max(0, count)));
    for (int i = 0; i < count; ++i) {
        const AVIndexEntry *entry = avformat_index_get_entry(stream, i);
        if (entry && (entry->flags & AVINDEX_KEYFRAME) && entry->timestamp != AV_NOPTS_VALUE)
            m_keyframes.push_back(entry->timestamp);
    }
    std::sort(m_keyframes.begin(), m_keyframes.end());
    return m_keyframes;
}

std::optional<int64_t> FrameCursor::firstIndexTimestamp()
{
    return indexMarksAnyFrame() ? std::nullopt : m_input.firstIndexTimestamp();
}

std::optional<int64_t> FrameCursor::lastIndexTimestamp()
{
    return indexMarksAnyFrame() ? std::nullopt : m_input.lastIndexTimestamp();
}
