#pragma once
// An opened video file: the demuxer, its first real video stream (cover art
// pictures are skipped) and an opened decoder for that stream. Shared by
// probing and frame generation.
//
// Only local files are read: the path is always taken as a file, never as a
// protocol address, and demuxers that follow references inside a file may
// open local files only, so a crafted playlist cannot reach the network.
//
// Blocking; one thread at a time. `interrupted` is polled by FFmpeg during
// every blocking read and may flip from any thread; a read then fails at once.

#include "media/DisplayTransform.h"
#include "media/FfmpegPtr.h"
#include "media/MediaError.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class VideoInput {
public:
    using Interrupted = std::function<bool()>;

    struct Threads {
        int count = 1;                   // 0 lets FFmpeg choose from the cores
        int type = FF_THREAD_SLICE;      // FF_THREAD_SLICE and/or FF_THREAD_FRAME
    };

    // What opening learned about the chosen stream beyond the file's header
    // (parameters, rates, start and length). Analysing may decode several
    // frames on one thread (a tenth of a second for grainy 1080p H.264), so a
    // second input on the same file takes this copy instead. Owns its copies.
    struct Analysis {
        QByteArray formatName;
        unsigned streamCount = 0;
        int streamIndex = -1;
        CodecParametersPtr parameters;
        AVRational averageRate{0, 1};
        AVRational baseRate{0, 1};
        int64_t streamStart = AV_NOPTS_VALUE;
        int64_t streamDuration = AV_NOPTS_VALUE;
        int64_t formatStart = AV_NOPTS_VALUE;
        int64_t formatDuration = AV_NOPTS_VALUE;
    };

    // Null on any failure, with the reason, FFmpeg's code and `path` in `error`
    // when given (an open step; cancelled when `interrupted` said stop).
    // With `analysed` (another input's analysis() of the same file), a
    // container whose header describes its streams fully is not analysed again.
    static std::unique_ptr<VideoInput> open(const QString &path, Interrupted interrupted,
                                            Threads threads, MediaError *error = nullptr,
                                            const Analysis *analysed = nullptr);

    VideoInput(const VideoInput &) = delete;
    VideoInput &operator=(const VideoInput &) = delete;

    AVFormatContext *format() const { return m_format.get(); }
    AVCodecContext *codec() const { return m_codec.get(); }
    AVStream *stream() const { return m_stream; }
    int streamIndex() const { return m_stream->index; }
    AVRational timeBase() const { return m_stream->time_base; }
    // The stream's first presentation time in its time base (0 when unknown);
    // every time this application shows counts from here.
    int64_t startPts() const;
    // The stream's nominal frame rate: the average, else the base rate;
    // {0, 1} when neither is known.
    AVRational frameRate() const;
    // Where the file says the video ends, in the stream's time base: the
    // stream's own length where it has one (the container's may be missing,
    // as in Matroska, or cover a longer audio track), else the container's
    // end; none when neither is stated. Only a statement: the frames may end
    // elsewhere (MediaAsset::probe finds out).
    std::optional<int64_t> statedEnd() const;
    DisplayTransform transform() const { return DisplayTransform::ofStream(m_stream); }
    bool interrupted() const { return m_interrupted && m_interrupted(); }
    // Replaces the stop check, for an input handed on to another user.
    void setInterrupted(Interrupted interrupted) { m_interrupted = std::move(interrupted); }
    // The file, as given to open().
    const QString &path() const { return m_path; }
    Threads threads() const { return m_threads; }

    // Replaces the decoder by a fresh one with other threads. Only before the
    // first packet is sent, or right after a seek, where nothing of the old
    // decoder's state is wanted: decoder state does not carry over. False
    // (and the old decoder kept) when the new one cannot be opened.
    bool reopenDecoder(Threads threads);
    // Frees the decoder and its frames, for an input kept unused a while;
    // reopenDecoder() gives it one again.
    void releaseDecoder() { m_codec.reset(); }
    // The earliest and the latest timestamp the stream's index holds,
    // keyframe or not; none without an index.
    std::optional<int64_t> firstIndexTimestamp() const;
    std::optional<int64_t> lastIndexTimestamp() const;
    // Back to the stream's first packet, as open() leaves it: seeks to the
    // earliest entry of the index, keyframe or not. False for a stream
    // without an index, or when the seek fails; the input is then of no use.
    bool rewind();
    // A copy of this input's analysis; null when out of memory.
    std::unique_ptr<Analysis> analysis() const;

private:
    VideoInput() = default;
    static std::unique_ptr<VideoInput> openInput(const QString &path, Interrupted interrupted,
                                                 Threads threads, MediaError *error,
                                                 const Analysis *analysed);
    // Takes `analysed` for this file in place of avformat_find_stream_info;
    // false where the container's header may leave things to analysis.
    bool adoptAnalysis(const Analysis &analysed);
    static CodecContextPtr openDecoder(const AVStream *stream, Threads threads, MediaError *error);

    // Declared first so it outlives the demuxer whose callback points at it.
    Interrupted m_interrupted;
    QString m_path;
    FormatContextPtr m_format;
    CodecContextPtr m_codec;
    AVStream *m_stream = nullptr;
    Threads m_threads;
};
