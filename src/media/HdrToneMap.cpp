#include "media/HdrToneMap.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

#include <QByteArray>

#include <QThread>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <tuple>
#include <vector>

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
    int generation = -1;  // the pool's generation it belongs to; -1: none
};

// Graphs are kept between frames, across writer threads and runs, and
// shared: a kept graph reuses the frame buffers of its filters (linear light
// in float, 12 bytes a pixel in each of several buffers), while a new one
// builds its filters and allocates and zeroes those buffers again. On a
// 2.5 s 1080×1920 HLG phone clip (optimised build, 2 cores, 6 precise
// shots) a new graph took 580–830 ms for its first frame and a kept one
// 25–35 ms a frame; with a graph per writer thread, each run built one per
// writer, which cost more than decoding the whole clip. So the writers share
// at most `maxGraphs` graphs of a shape, waiting for one to be free rather
// than building another.
int maxGraphs()
{
    return std::clamp(QThread::idealThreadCount() / 2, 1, 2);
}

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

// The graphs of the shape mapped last; a frame of another shape drops them
// and starts a new generation. Graphs of an older generation, and graphs
// built while the pool was taken over, are not put back.
class GraphPool {
public:
    static GraphPool &instance()
    {
        static GraphPool pool;
        return pool;
    }

    // A graph of `shape` for the caller alone: an idle one, a new one while
    // fewer than maxGraphs() exist, else the next one put back. A caller
    // whose shape was replaced while it waited gets none and builds one of
    // its own. Empty when none can be built.
    Graph take(const Shape &shape)
    {
        std::unique_lock lock(m_mutex);
        if (!(shape == m_shape)) {
            m_shape = shape;
            m_idle.clear();
            m_inUse = 0;
            ++m_generation;
            m_returned.notify_all();  // those waiting for the old shape stop waiting
        }
        const int generation = m_generation;
        m_returned.wait(lock, [&] {
            return !m_idle.empty() || m_inUse < maxGraphs() || m_generation != generation;
        });
        if (m_generation != generation)
            return {};
        ++m_inUse;
        if (!m_idle.empty()) {
            Graph graph = std::move(m_idle.back());
            m_idle.pop_back();
            return graph;
        }
        lock.unlock();
        Graph graph = build(shape);
        lock.lock();
        if (m_generation != generation)
            return graph;  // unpooled: the count it was taken under is gone
        if (!graph.graph) {
            --m_inUse;
            m_returned.notify_one();
            return graph;
        }
        graph.generation = generation;
        return graph;
    }

    // Puts back a graph take() gave; `usable` false when it failed midway.
    void give(Graph graph, bool usable)
    {
        const std::lock_guard lock(m_mutex);
        if (graph.generation < 0 || graph.generation != m_generation)
            return;
        --m_inUse;
        if (usable)
            m_idle.push_back(std::move(graph));
        m_returned.notify_one();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_returned;
    Shape m_shape;
    std::vector<Graph> m_idle;
    int m_inUse = 0;
    int m_generation = 0;
};

} // namespace

namespace HdrToneMap {

bool isHdr(const AVFrame &frame)
{
    return frame.color_trc == AVCOL_TRC_SMPTE2084 || frame.color_trc == AVCOL_TRC_ARIB_STD_B67;
}

FramePtr toSdr(const AVFrame &frame)
{
    const Shape shape = shapeOf(frame);
    Graph graph = GraphPool::instance().take(shape);
    if (!graph.graph)
        graph = build(shape);
    if (!graph.graph)
        return {};

    FramePtr input(av_frame_clone(&frame));
    FramePtr output = makeFrame();
    // A graph that failed midway may hold half a frame: it is not reused.
    const bool mapped = input && output
        && (input->pts = 0, av_buffersrc_add_frame_flags(graph.source, input.get(), 0) >= 0)
        && av_buffersink_get_frame(graph.sink, output.get()) >= 0;
    GraphPool::instance().give(std::move(graph), mapped);
    return mapped ? std::move(output) : FramePtr();
}

} // namespace HdrToneMap
