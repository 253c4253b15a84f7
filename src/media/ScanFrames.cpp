#include "media/ScanFrames.h"

#include "media/FileStamp.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>

namespace ScanFrames {

namespace {

struct Kept {
    unsigned generation = 0;
    // The file as it was scanned: a kept frame of an older version of it
    // answers nothing.
    FileStamp stamp;
    std::vector<Frame> frames;
};

struct Store {
    std::mutex lock;
    std::unordered_map<QString, Kept> files;
    std::size_t bytes = 0;
    unsigned lastGeneration = 0;
};

Store &store()
{
    // Never destroyed: an extraction still winding down when the
    // application ends may let its frames go after static destructors ran.
    static Store *const instance = new Store;
    return *instance;
}

// Under the store's lock.
void drop(Store &all, const QString &path)
{
    const auto found = all.files.find(path);
    if (found == all.files.end())
        return;
    for (const Frame &frame : found->second.frames)
        all.bytes -= bytesOf(frame.image);
    all.files.erase(found);
}

} // namespace

std::size_t bytesOf(const VideoFrame &image)
{
    std::size_t bytes = 0;
    if (image.frame) {
        for (const AVBufferRef *buffer : image.frame->buf)
            bytes += buffer ? buffer->size : 0;
    }
    return bytes;
}

bool answers(const Frame &frame, MediaTime requested)
{
    const int64_t at = frame.start
        + av_rescale_q_rnd(requested.value, AVRational{1, int(MediaTime::timescale)}, frame.timeBase, AV_ROUND_DOWN);
    return at >= frame.pts && at < frame.until;
}

unsigned keep(const QString &path, const FileStamp &stamp, std::vector<Frame> frames)
{
    Store &all = store();
    const std::lock_guard guard(all.lock);
    drop(all, path);
    // Frames nobody took (a run stopped between its scan and its shots)
    // make room for the newest scan's.
    std::size_t wanted = 0;
    for (const Frame &frame : frames)
        wanted += bytesOf(frame.image);
    while (!all.files.empty() && all.bytes + std::min(wanted, mostKept) > mostKept) {
        const auto oldest = std::min_element(all.files.begin(), all.files.end(), [](const auto &a, const auto &b) {
            return a.second.generation < b.second.generation;
        });
        const QString victim = oldest->first;
        drop(all, victim);
    }
    Kept kept{++all.lastGeneration, stamp, {}};
    for (Frame &frame : frames) {
        const std::size_t bytes = bytesOf(frame.image);
        if (bytes == 0 || all.bytes + bytes > mostKept)
            continue;
        all.bytes += bytes;
        kept.frames.push_back(std::move(frame));
    }
    if (kept.frames.empty())
        return 0;
    all.files.insert_or_assign(path, std::move(kept));
    return all.lastGeneration;
}

unsigned generation(const QString &path)
{
    Store &all = store();
    const std::lock_guard guard(all.lock);
    const auto found = all.files.find(path);
    return found == all.files.end() ? 0 : found->second.generation;
}

std::optional<FrameResult> take(const QString &path, unsigned generation, MediaTime requested)
{
    Store &all = store();
    const std::lock_guard guard(all.lock);
    const auto found = all.files.find(path);
    if (found == all.files.end() || found->second.generation != generation)
        return std::nullopt;
    if (FileStamp::of(path) != found->second.stamp) {
        drop(all, path);
        return std::nullopt;
    }
    std::vector<Frame> &frames = found->second.frames;
    const auto frame = std::find_if(frames.begin(), frames.end(),
                                    [requested](const Frame &kept) { return answers(kept, requested); });
    if (frame == frames.end())
        return std::nullopt;
    all.bytes -= bytesOf(frame->image);
    FrameResult result{requested, std::move(frame->image), frame->seconds, {}};
    frames.erase(frame);
    if (frames.empty())
        all.files.erase(found);
    return result;
}

void forget(const QString &path, unsigned generation)
{
    Store &all = store();
    const std::lock_guard guard(all.lock);
    const auto found = all.files.find(path);
    if (found != all.files.end() && (generation == 0 || found->second.generation == generation))
        drop(all, path);
}

std::shared_ptr<const void> heldUntilDropped(const QString &path, unsigned generation)
{
    if (generation == 0)
        return {};
    return std::shared_ptr<const void>(nullptr, [path, generation](const void *) { forget(path, generation); });
}

void release()
{
    Store &all = store();
    const std::lock_guard guard(all.lock);
    all.files.clear();
    all.bytes = 0;
}

std::size_t keptBytes()
{
    Store &all = store();
    const std::lock_guard guard(all.lock);
    return all.bytes;
}

} // namespace ScanFrames
