#pragma once
// unique_ptr owners for FFmpeg objects: every object is freed by its own
// *_free function, whatever path a function leaves by.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <QString>

#include <memory>

struct AVFormatContextCloser {
    void operator()(AVFormatContext *context) const { avformat_close_input(&context); }
};
struct AVCodecContextDeleter {
    void operator()(AVCodecContext *context) const { avcodec_free_context(&context); }
};
struct AVFrameDeleter {
    void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};
struct AVPacketDeleter {
    void operator()(AVPacket *packet) const { av_packet_free(&packet); }
};
struct AVCodecParametersDeleter {
    void operator()(AVCodecParameters *parameters) const { avcodec_parameters_free(&parameters); }
};
struct SwsContextDeleter {
    void operator()(SwsContext *context) const { sws_freeContext(context); }
};

struct AVFilterGraphDeleter {
    void operator()(AVFilterGraph *graph) const { avfilter_graph_free(&graph); }
};

using FormatContextPtr = std::unique_ptr<AVFormatContext, AVFormatContextCloser>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, AVCodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, AVFrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, AVPacketDeleter>;
using CodecParametersPtr = std::unique_ptr<AVCodecParameters, AVCodecParametersDeleter>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextDeleter>;
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, AVFilterGraphDeleter>;

inline FramePtr makeFrame() { return FramePtr(av_frame_alloc()); }
inline PacketPtr makePacket() { return PacketPtr(av_packet_alloc()); }

// The one place FFmpeg error codes become text.
QString ffmpegErrorText(int errorCode);
