#pragma once
// Decoding an opened video in presentation order: the one send/receive loop
// between the demuxer and the decoder, seeks, and the keyframe index. The
// frame generator's picker drives it; probing uses it to see that a first
// picture decodes.
//
// Thread: one thread at a time. Does not own `input`, which must outlive it.
// A stop (the input's interrupt) ends next() and seek() promptly, with
// a cancelled error.

#include "media/FramePicker.h"
#include "media/KeyframeScout.h"
#include "media/VideoInput.h"

#include <climits>
#include <memory>
#include <optional>

class FrameCursor final : public FrameSource {
public:
    explicit FrameCursor(VideoInput &input);

    // As FrameSource::next(), reading at most `packetLimit` packets of the
    // video stream in this call (the end when they give no frame).
    FramePtr next(const Skippable &skippable, int packetLimit);
    FramePtr next(const Skippable &skippable) override { return next(skippable, INT_MAX); }
    bool seek(int64_t timestamp, bool anyFrame) override;
    // To the packet that starts at byte `position` of the file, as a packet
    // read gave it: exact where the demuxer's search by time is not (MPEG-TS
    // has no index). False, with error(), where the format cannot.
    bool seekToByte(int64_t position);
    // What a skippable packet is spared: frames nothing refers to (the
    // default), or every bidirectional frame, for callers that can do with
    // the references alone.
    void setSkipLevel(AVDiscard level) { m_skipLevel = level; }
    AVDiscard skipLevel() const { return m_skipLevel; }
    // Read from the demuxer's index; read again only when the index has
    // grown (some demuxers add entries as they read). Empty for MPEG-TS and
    // MPEG-PS, whose index is no list of keyframes.
    const std::vector<int64_t> &keyframes() override;
    std::optional<int64_t> firstIndexTimestamp() override;
    std::optional<int64_t> lastIndexTimestamp() override;
    // Read from packets by a second demuxer on the file, opened on the
    // first call, where the format has no index but can seek by bytes.
    std::optional<int64_t> keyframeIn(int64_t after, int64_t upTo, int64_t near) override;
    MediaError error() const override { return m_error; }
    bool stopped() const override { return m_input.interrupted(); }

    int seeks() const { return m_seeks; }
    int decodedFrames() const { return m_decoded; }

private:
    bool seekWith(int64_t target, int flags);
    // MPEG-TS and MPEG-PS: no index, but packets that can be read without
    // decoding and sought by byte position.
    bool findsKeyframesInPackets() const;
    // The demuxer's index is no list of keyframes, so none is read from it.
    bool indexMarksAnyFrame() const;

    VideoInput &m_input;
    PacketPtr m_packet;
    AVDiscard m_skipLevel = AVDISCARD_NONREF;
    // Skippable's `sent`: more than a decoder holds back for reordering.
    static constexpr size_t sentKept = 32;
    std::vector<int64_t> m_sent;
    bool m_draining = false;
    bool m_ended = false;  // the decoder gave its last frame
    int m_indexCount = -1;  // index size m_keyframes was read at
    std::vector<int64_t> m_keyframes;
    std::unique_ptr<KeyframeScout> m_scout;
    bool m_scoutFailed = false;
    // The scout's latest answer: a seek to that keyframe, which usually
    // follows, goes to its byte position without reading the packets again.
    std::optional<PacketKeyframe> m_scouted;
    MediaError m_error;
    int m_seeks = 0;
    int m_decoded = 0;
};
