#include "media/ParkedInputs.h"

#include "media/FileStamp.h"

#include <algorithm>
#include <deque>
#include <mutex>

namespace {

struct Parked {
    std::unique_ptr<VideoInput> input;
    FileStamp stamp;
    std::chrono::steady_clock::time_point at;
};

struct Store {
    std::mutex mutex;
    std::deque<Parked> parked;  // oldest first
};

Store &store()
{
    static Store instance;
    return instance;
}

// Moves the entries `drop` picks from `parked` to `closing`, so that they are
// closed after the lock is released.
template <typename Drop>
void moveOut(std::deque<Parked> &parked, std::deque<Parked> &closing, Drop drop)
{
    for (auto it = parked.begin(); it != parked.end();) {
        if (drop(*it)) {
            closing.push_back(std::move(*it));
            it = parked.erase(it);
        } else {
            ++it;
        }
    }
}

void dropExpired(std::deque<Parked> &parked, std::deque<Parked> &closing)
{
    const auto now = std::chrono::steady_clock::now();
    moveOut(parked, closing, [now](const Parked &p) { return now - p.at > ParkedInputs::maxAge; });
}

} // namespace

namespace ParkedInputs {

void park(std::unique_ptr<VideoInput> input)
{
    if (!input)
        return;
    input->releaseDecoder();
    input->setInterrupted({});
    const FileStamp stamp = FileStamp::of(input->path());
    Parked entry{std::move(input), stamp, std::chrono::steady_clock::now()};
    std::deque<Parked> closing;  // closed outside the lock
    {
        const std::lock_guard lock(store().mutex);
        auto &parked = store().parked;
        dropExpired(parked, closing);
        moveOut(parked, closing, [&](const Parked &p) { return p.input->path() == entry.input->path(); });
        parked.push_back(std::move(entry));
        while (int(parked.size()) > maxParked) {
            closing.push_back(std::move(parked.front()));
            parked.pop_front();
        }
    }
}

std::unique_ptr<VideoInput> take(const QString &path, VideoInput::Interrupted interrupted,
                                 VideoInput::Threads threads)
{
    Parked entry;
    std::deque<Parked> closing;
    {
        const std::lock_guard lock(store().mutex);
        auto &parked = store().parked;
        dropExpired(parked, closing);
        const auto it = std::find_if(parked.begin(), parked.end(),
                                     [&](const Parked &p) { return p.input->path() == path; });
        if (it == parked.end())
            return nullptr;
        entry = std::move(*it);
        parked.erase(it);
    }
    if (FileStamp::of(path) != entry.stamp)
        return nullptr;  // the file changed since: open it afresh
    entry.input->setInterrupted(std::move(interrupted));
    if (!entry.input->rewind() || !entry.input->reopenDecoder(threads))
        return nullptr;
    return std::move(entry.input);
}

void forget(const QString &path)
{
    std::deque<Parked> closing;
    const std::lock_guard lock(store().mutex);
    moveOut(store().parked, closing, [&](const Parked &p) { return p.input->path() == path; });
}

int count()
{
    const std::lock_guard lock(store().mutex);
    return int(store().parked.size());
}

void clear()
{
    std::deque<Parked> closing;
    const std::lock_guard lock(store().mutex);
    closing.swap(store().parked);
}

} // namespace ParkedInputs
