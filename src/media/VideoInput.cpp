#include "media/VideoInput.h"

#include "media/SpareBuffers.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <functional>
#include <mutex>

extern "C" {
#include <libavutil/mem.h>
}

namespace {

int interruptCallback(void *opaque)
{
    return static_cast<const VideoInput *>(opaque)->interrupted() ? 1 : 0;
}

// The file is named by the caller that knows it (VideoInput::open).
void setError(MediaError *error, QString reason, int code = 0)
{
    if (error)
        *error = MediaError::failed(MediaError::Step::open, std::move(reason), code);
}

} // namespace

std::unique_ptr<VideoInput> VideoInput::open(const QString &path, Interrupted interrupted,
                                             Threads threads, MediaError *error, const Analysis *analysed)
{
    const Interrupted stopped = interrupted;
    std::unique_ptr<VideoInput> input = openInput(path, std::move(interrupted), threads, error, analysed);
    if (!input && error) {
        error->file = path;
        // A stop makes the demuxer fail too; that is not the file's fault.
        error->cancelled = stopped && stopped();
    }
    return input;
}

std::unique_ptr<VideoInput> VideoInput::openInput(const QString &path, Interrupted interrupted,
                                                  Threads threads, MediaError *error,
                                                  const Analysis *analysed)
{
    // The largest block FFmpeg may ask for at once, for the whole process:
    // far above any real frame (an 8K 16-bit plane is 66 MB) or index, far
    // below what a crafted header can ask for (a 4 KB fragmented MP4 found
    // by fuzzing made the demuxer ask for 1.7 GB before failing).
    static std::once_flag capped;
    std::call_once(capped, [] { av_max_alloc(512 * 1024 * 1024); });
    // A folder would open as a file and fail later in confusing ways.
    if (!QFileInfo(path).isFile()) {
        setError(error, QStringLiteral("not a file"));
        return nullptr;
    }
    std::unique_ptr<VideoInput> input(new VideoInput);
    input->m_interrupted = std::move(interrupted);
    input->m_path = path;

    AVFormatContext *raw = avformat_alloc_context();
    if (!raw) {
        setError(error, QStringLiteral("out of memory"));
        return nullptr;
    }
    raw->interrupt_callback.callback = interruptCallback;
    raw->interrupt_callback.opaque = input.get();

    AVDictionary *options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    // "file:" keeps a name like "a:b.mp4" from being read as a protocol.
    const QByteArray url = "file:" + QFile::encodeName(QFileInfo(path).absoluteFilePath());
    int rc = avformat_open_input(&raw, url.constData(), nullptr, &options);
    av_dict_free(&options);  // what the demuxer did not take
    if (rc < 0) {  // raw is freed and nulled by FFmpeg
        setError(error, ffmpegErrorText(rc), rc);
        return nullptr;
    }
    input->m_format.reset(raw);

    if (!analysed || !input->adoptAnalysis(*analysed)) {
        rc = avformat_find_stream_info(raw, nullptr);
        if (rc < 0) {
            setError(error, ffmpegErrorText(rc), rc);
            return nullptr;
        }
    }
    for (unsigned i = 0; i < raw->nb_streams; ++i) {
        AVStream *stream = raw->streams[i];
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO
            && !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
            input->m_stream = stream;
            break;
        }
    }
    if (!input->m_stream) {
        setError(error, QStringLiteral("no video stream"));
        return nullptr;
    }
    // Only the chosen stream is read; the demuxer drops the others' packets.
    for (unsigned i = 0; i < raw->nb_streams; ++i)
        if (raw->streams[i] != input->m_stream)
            raw->streams[i]->discard = AVDISCARD_ALL;

    const AVCodecParameters *parameters = input->m_stream->codecpar;
    input->m_codec = openDecoder(input->m_stream, threads, error);
    if (!input->m_codec)
        return nullptr;
    input->m_threads = threads;
    if (input->m_codec->width <= 0 && parameters->width <= 0) {
        setError(error, QStringLiteral("no picture size"));
        return nullptr;
    }
    return input;
}

CodecContextPtr VideoInput::openDecoder(const AVStream *stream, Threads threads, MediaError *error)
{
    const AVCodecParameters *parameters = stream->codecpar;
    const AVCodec *decoder = avcodec_find_decoder(parameters->codec_id);
    if (!decoder) {
        setError(error, QStringLiteral("no decoder for this video format"));
        return nullptr;
    }
    CodecContextPtr codec(avcodec_alloc_context3(decoder));
    if (!codec) {
        setError(error, QStringLiteral("out of memory"));
        return nullptr;
    }
    int rc = avcodec_parameters_to_context(codec.get(), parameters);
    if (rc < 0) {
        setError(error, ffmpegErrorText(rc), rc);
        return nullptr;
    }
    codec->pkt_timebase = stream->time_base;
    codec->get_buffer2 = SpareBuffers::decoderBuffer;
#if LIBAVCODEC_VERSION_MAJOR < 60
    // Frame threads call it from their own threads; it is safe to (and
    // from version 60 on every callback must be).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    codec->thread_safe_callbacks = 1;
#pragma GCC diagnostic pop
#endif
    codec->thread_count = threads.count;
    codec->thread_type = threads.type;
    rc = avcodec_open2(codec.get(), decoder, nullptr);
    if (rc < 0) {
        setError(error, ffmpegErrorText(rc), rc);
        return nullptr;
    }
    return codec;
}

std::unique_ptr<VideoInput::Analysis> VideoInput::analysis() const
{
    auto analysis = std::make_unique<Analysis>();
    analysis->formatName = m_format->iformat->name;
    analysis->streamCount = m_format->nb_streams;
    analysis->streamIndex = m_stream->index;
    analysis->parameters.reset(avcodec_parameters_alloc());
    if (!analysis->parameters || avcodec_parameters_copy(analysis->parameters.get(), m_stream->codecpar) < 0)
        return nullptr;
    analysis->averageRate = m_stream->avg_frame_rate;
    analysis->baseRate = m_stream->r_frame_rate;
    analysis->streamStart = m_stream->start_time;
    analysis->streamDuration = m_stream->duration;
    analysis->formatStart = m_format->start_time;
    analysis->formatDuration = m_format->duration;
    return analysis;
}

bool VideoInput::adoptAnalysis(const Analysis &analysed)
{
    AVFormatContext *format = m_format.get();
    // MP4 and Matroska describe every stream in their header, and their
    // timestamps come from the index or the blocks, not from analysis; other
    // containers (MPEG-TS, raw streams) learn their streams by reading.
    const QByteArray name = format->iformat->name;
    const bool described = name.startsWith("mov,") || name.startsWith("matroska");
    if (!described || name != analysed.formatName || format->nb_streams != analysed.streamCount
        || analysed.streamIndex < 0 || unsigned(analysed.streamIndex) >= format->nb_streams)
        return false;
    AVStream *stream = format->streams[analysed.streamIndex];
    if (stream->codecpar->codec_id != analysed.parameters->codec_id
        || avcodec_parameters_copy(stream->codecpar, analysed.parameters.get()) < 0)
        return false;
    stream->avg_frame_rate = analysed.averageRate;
    stream->r_frame_rate = analysed.baseRate;
    stream->start_time = analysed.streamStart;
    stream->duration = analysed.streamDuration;
    format->start_time = analysed.formatStart;
    format->duration = analysed.formatDuration;
    return true;
}

bool VideoInput::reopenDecoder(Threads threads)
{
    CodecContextPtr codec = openDecoder(m_stream, threads, nullptr);
    if (!codec)
        return false;
    m_codec = std::move(codec);
    m_threads = threads;
    return true;
}

int64_t VideoInput::startPts() const
{
    return m_stream->start_time != AV_NOPTS_VALUE ? m_stream->start_time : 0;
}

AVRational VideoInput::frameRate() const
{
    for (const AVRational rate : {m_stream->avg_frame_rate, m_stream->r_frame_rate}) {
        if (rate.num > 0 && rate.den > 0)
            return rate;
    }
    return AVRational{0, 1};
}

std::optional<int64_t> VideoInput::statedEnd() const
{
    const int64_t start = startPts();
    if (m_stream->duration != AV_NOPTS_VALUE && m_stream->duration > 0)
        return start + m_stream->duration;
    const AVFormatContext *format = m_format.get();
    if (format->duration == AV_NOPTS_VALUE || format->duration <= 0)
        return std::nullopt;
    const int64_t containerStart = format->start_time != AV_NOPTS_VALUE
        ? av_rescale_q(format->start_time, AV_TIME_BASE_Q, m_stream->time_base)
        : start;
    return std::max(start, containerStart + av_rescale_q(format->duration, AV_TIME_BASE_Q, m_stream->time_base));
}

namespace {

// The earliest or latest timestamp of the stream's index.
template <typename Prefer>
std::optional<int64_t> indexTimestamp(AVStream *stream, Prefer prefer)
{
    std::optional<int64_t> best;
    const int count = avformat_index_get_entries_count(stream);
    for (int i = 0; i < count; ++i) {
        const AVIndexEntry *entry = avformat_index_get_entry(stream, i);
        if (entry && entry->timestamp != AV_NOPTS_VALUE && (!best || prefer(entry->timestamp, *best)))
            best = entry->timestamp;
    }
    return best;
}

} // namespace

std::optional<int64_t> VideoInput::firstIndexTimestamp() const
{
    return indexTimestamp(m_stream, std::less<int64_t>());
}

std::optional<int64_t> VideoInput::lastIndexTimestamp() const
{
    return indexTimestamp(m_stream, std::greater<int64_t>());
}

bool VideoInput::rewind()
{
    const std::optional<int64_t> first = firstIndexTimestamp();
    return first
        && av_seek_frame(m_format.get(), m_stream->index, *first, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY) >= 0;
}
