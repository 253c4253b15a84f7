#pragma once
// One decoder over one opened file, answering requests in the order they
// come: the FrameCursor decodes, the FramePicker chooses, and the answer goes
// out upright (display rotation and mirroring applied) in the decoder's pixel
// format, each an independent copy. FfmpegFrameGenerator combines one or two
// of these.
//
// Thread safety as FrameGenerator: one producer thread; cancelAll() from any
// thread, also while a read blocks inside FFmpeg. A stop on the parent token
// given to open() acts as cancelAll().

#include "basics/StopNode.h"
#include "media/FrameCursor.h"
#include "media/FrameGenerator.h"
#include "media/FramePicker.h"
#include "media/VideoInput.h"

#include <memory>
#include <stop_token>

class DecoderLane final : public FrameGenerator {
public:
    // Null when `path` cannot be opened, with the reason in `error` when given.
    // `analysed`: another input's analysis of the file, to open it faster.
    static std::unique_ptr<DecoderLane> open(const QString &path, VideoInput::Threads threads,
                                             std::stop_token parent, MediaError *error = nullptr,
                                             const VideoInput::Analysis *analysed = nullptr);
    // A copy of the input's analysis, for another lane on the same file.
    std::unique_ptr<VideoInput::Analysis> analysis() const { return m_input->analysis(); }

    void setTolerance(MediaTime before, MediaTime after) override;
    void images(const std::vector<MediaTime> &times,
                const std::function<void(FrameResult &&)> &sink) override;
    FrameResult image(MediaTime time) override;
    void cancelAll() override { m_stop.requestStop(); }
    std::optional<Keyframe> keyframeBefore(MediaTime time) override;
    std::optional<Keyframe> keyframeAt(size_t index) override;

    // What the combining generator plans with.
    bool atStart() const { return m_picker->atStart(); }
    bool stopped() const { return m_stop.stopRequested(); }
    // The keyframe interval a request's decoding starts in; see FramePicker.
    size_t intervalOf(MediaTime time) { return m_picker->intervalOf(windowOf(time).low); }
    size_t keyframeCount() { return m_picker->keyframeCount(); }
    // Most requests will have to decode forward from a keyframe outside
    // their tolerance window.
    bool mostlyForward();
    VideoInput::Threads threads() const { return m_input->threads(); }
    bool reopenDecoder(VideoInput::Threads threads) { return m_input->reopenDecoder(threads); }
    int seeks() const { return m_cursor->seeks(); }
    int decodedFrames() const { return m_cursor->decodedFrames(); }

private:
    explicit DecoderLane(std::stop_token parent)
        : m_stop(std::move(parent))
    {
    }
    FramePicker::Window windowOf(MediaTime time) const;
    FrameResult request(MediaTime time, size_t index);
    FrameResult deliver(const AVFrame *frame, MediaTime requested) const;
    int64_t ticks(MediaTime time, AVRounding rounding) const;

    StopNode m_stop;  // first: the input's interrupt reads it
    QString m_path;
    std::unique_ptr<VideoInput> m_input;
    std::unique_ptr<FrameCursor> m_cursor;
    std::unique_ptr<FramePicker> m_picker;
    AVRational m_timeBase{1, 1};
    int64_t m_start = 0;
    MediaTime m_before, m_after;
};
