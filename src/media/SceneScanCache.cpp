#include "media/SceneScanCache.h"

#include "media/FileStamp.h"

#include <algorithm>
#include <deque>
#include <mutex>

namespace SceneScanCache {

namespace {

struct Entry {
    QString path;
    FileStamp stamp;
    long long most = 0;
    long long sameFrom = 0;  // see SceneScanner::Scan
    Findings findings;

    bool answers(long long wanted) const { return wanted == most || (sameFrom > 0 && wanted >= sameFrom); }
};

std::mutex lock;
std::deque<Entry> entries;  // latest first

} // namespace

std::optional<Findings> find(const QString &path, long long most)
{
    const FileStamp stamp = FileStamp::of(path);
    const std::lock_guard guard(lock);
    const auto found = std::find_if(entries.begin(), entries.end(), [&](const Entry &entry) {
        return entry.path == path && entry.answers(most);
    });
    if (found == entries.end())
        return std::nullopt;
    if (!stamp.exists() || stamp != found->stamp) {
        entries.erase(found);
        return std::nullopt;
    }
    return found->findings;
}

void store(const QString &path, long long most, const SceneScanner::Scan &scan)
{
    if (!scan.stamp.exists())
        return;
    Entry entry{path, scan.stamp, most, scan.sameFrom, {scan.cuts, scan.keyframes, {}}};
    entry.findings.decoded.reserve(scan.frames.size());
    for (const ScanFrames::Frame &frame : scan.frames)
        entry.findings.decoded.push_back(frame.seconds);
    const std::lock_guard guard(lock);
    // One scan per video: the latest says what the file holds now.
    std::erase_if(entries, [&](const Entry &old) { return old.path == path; });
    entries.push_front(std::move(entry));
    if (entries.size() > mostVideos)
        entries.pop_back();
}

void clear()
{
    const std::lock_guard guard(lock);
    entries.clear();
}

} // namespace SceneScanCache
