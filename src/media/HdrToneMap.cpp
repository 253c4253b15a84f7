#include "media/HdrToneMap.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

#include <QByteArray>

#include <tuple>

namespace {

// zscale takes the picture to linear light with 100 nits as 1.0, converts
// the primaries there (in float, so BT.2020 colours outside BT.709 are
// clipped only once, after the curve), tonemap compresses the highlights
// towards the peak the frame's metadata gives (10000 nits for PQ, 1000 for
// HLG when there is none), and the last zscale encodes for SDR straight into
// planar RGB, which swscale turns into the image without a matrix. Desaturation
// is off: it greys out bright colours, which stills show plainly.
constexpr char filters[] =
    "zscale=t=linear:npl=100,format=gbrpf32le,zscale=p=bt709,"
    "tonemap=tonemap=hable:desat=0,zscale=t=bt709:r=full,format=gbrp";

struct InOutDeleter {
    void operator()(AVFilterInOut *io) const { avfilter_inout_free(&io); }
};
using InOutPtr = std::unique_ptr<AVFilterInOut, InOutDeleter>;

// What the graph was built for. zscale reads the colour tags from each frame,
// but a change of tags still rebuilds, so no state tuned to the last stream
// survives into the next.
struct Shape {
    int width = 0, height = 0, format = AV_PIX_FMT_NONE;
    int transfer = 0, primaries = 0, matrix = 0, range = 0;
    bool operator==(const Shape &) const = default;
};

Shape shapeOf(const AVFrame &frame)
{
    return {frame.width, frame.height, frame.format, frame.color_trc, frame.color_primaries,
            frame.colorspace, frame.color_range};
}

struct Graph {
    FilterGraphPtr graph;
    AVFilterContext *source = nullptr;  // owned by graph
    AVFilterContext *sink = nullptr;    // owned by graph
    Shape shape;
};

// One graph per writer thread. Measured at 1080p 10-bit (optimised build,
// one thread, busy machine): a frame through a kept graph takes 60–130 ms,
// through a freshly built one 170–230 ms; consecutive shots of a run share
// their shape, so keeping it roughly halves the cost. At 2160p a kept graph
// takes about 400 ms, most of it in the tone curve.
thread_local Graph cached;

Graph build(const Shape &shape)
{
    Graph result;
    result.shape = shape;
    result.graph.reset(avfilter_graph_alloc());
    if (!result.graph)
        return {};
    // Writers already run one per core; a thread pool per graph would only
    // compete with them.
    result.graph->nb_threads = 1;
    const QByteArray sourceArgs = QStringLiteral("video_size=%1x%2:pix_fmt=%3:time_base=1/1:pixel_aspect=1/1")
                                      .arg(shape.width).arg(shape.height).arg(shape.format).toLatin1();
    if (avfilter_graph_create_filter(&result.source, avfilter_get_by_name("buffer"), "in",
                                     sourceArgs.constData(), nullptr, result.graph.get()) < 0
        || avfilter_graph_create_filter(&result.sink, avfilter_get_by_name("buffersink"), "out",
                                        nullptr, nullptr, result.graph.get()) < 0)
        return {};

    // The parser links its open ends to these: the chain's input to the
    // source's output, its output to the sink's input.
    InOutPtr fromSource(avfilter_inout_alloc());
    InOutPtr toSink(avfilter_inout_alloc());
    if (!fromSource || !toSink)
        return {};
    fromSource->name = av_strdup("in");
    fromSource->filter_ctx = result.source;
    toSink->name = av_strdup("out");
    toSink->filter_ctx = result.sink;
    AVFilterInOut *inputs = toSink.release();
    AVFilterInOut *outputs = fromSource.release();
    const int parsed = avfilter_graph_parse_ptr(result.graph.get(), filters, &inputs, &outputs, nullptr);
    InOutPtr leftInputs(inputs), leftOutputs(outputs);
    if (parsed < 0 || avfilter_graph_config(result.graph.get(), nullptr) < 0)
        return {};
    return result;
}

} // namespace

namespace HdrToneMap {

bool isHdr(const AVFrame &frame)
{
    return frame.color_trc == AVCOL_TRC_SMPTE2084 || frame.color_trc == AVCOL_TRC_ARIB_STD_B67;
}

FramePtr toSdr(const AVFrame &frame)
{
    const Shape shape = shapeOf(frame);
    if (!cached.graph || !(cached.shape == shape))
        cached = build(shape);
    if (!cached.graph)
        return {};

    FramePtr input(av_frame_clone(&frame));
    FramePtr output = makeFrame();
    if (!input || !output)
        return {};
    input->pts = 0;
    // A graph that failed midway may hold half a frame: it is not reused.
    if (av_buffersrc_add_frame_flags(cached.source, input.get(), 0) < 0
        || av_buffersink_get_frame(cached.sink, output.get()) < 0) {
        cached = Graph();
        return {};
    }
    return output;
}

} // namespace HdrToneMap
