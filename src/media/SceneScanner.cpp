#include "media/SceneScanner.h"

#include "media/SceneKeyframes.h"
#include "media/SceneLane.h"
#include "media/SceneStretches.h"

#include <algorithm>
#include <iterator>
#include <mutex>
#include <thread>

namespace SceneScanner {

namespace {

// Decoding threads a lane has at most: each holds pictures of its own (a
// 4K 10-bit picture is 25 MB).
constexpr int maxThreadsPerLane = 8;

// Candidates in at least this share of the keyframe gaps make cuts dense:
// the lanes then decode every reference frame, and shots are kept from them.
constexpr double denseShare = 0.75;

// Sorts `items` by their `time` and keeps the first of each: neighbouring
// stretches both see the frames around their handover.
template <typename Item>
void oneAtEachTime(std::vector<Item> &items, double Item::*time)
{
    std::sort(items.begin(), items.end(), [time](const Item &a, const Item &b) { return a.*time < b.*time; });
    items.erase(std::unique(items.begin(), items.end(),
                            [time](const Item &a, const Item &b) { return b.*time - a.*time < 1e-6; }),
                items.end());
}

} // namespace

std::optional<Scan> scan(const QString &path, double duration, long long most, const Progress &progress,
                         std::stop_token stop, MediaError *error)
{
    const FileStamp stamp = FileStamp::of(path);
    ScanContext context(path, duration, progress, std::move(stop), error);
    std::optional<KeyframePass> pass = readKeyframePass(context);
    if (!pass)
        return std::nullopt;
    const std::vector<Keyframe> &keyframes = pass->keyframes;
    const std::vector<Candidate> &candidates = pass->candidates;

    Scan result;
    result.stamp = stamp;
    result.keyframes.reserve(keyframes.size());
    for (const Keyframe &keyframe : keyframes) {
        if (!keyframe.end)
            result.keyframes.push_back(keyframe.seconds);
    }

    context.setKeepReferences(keyframes.size() > 1
                              && double(candidates.size()) >= denseShare * double(keyframes.size() - 1));
    const size_t wanted = size_t(std::max<long long>(0, most - 1));
    // Gaps whose keyframes could not be compared cannot be ranked: they are
    // all decoded, in stretches, and their cuts count as strong as they step.
    const bool allMeasured = std::all_of(candidates.begin(), candidates.end(),
                                         [](const Candidate &candidate) { return candidate.measured; });
    const bool ranked = wanted < candidates.size() && allMeasured;
    const std::vector<Stretch> work = wanted > 0 ? stretches(keyframes, candidates, ranked) : std::vector<Stretch>{};
    if (wanted > 0 && !ranked)
        result.sameFrom = allMeasured ? std::max<long long>(2, static_cast<long long>(candidates.size()) + 1) : 2;
    // How strong each gap's cuts count: how much its keyframes differ.
    std::vector<float> strength(keyframes.size(), 0);
    std::vector<bool> measured(keyframes.size(), true);
    for (const Candidate &candidate : candidates) {
        strength[candidate.after] = candidate.strength;
        measured[candidate.after] = candidate.measured;
    }

    // Lanes take the stretches in order. Once the stretches done so far,
    // counted in order, hold the cuts wanted, no lane starts another: with
    // the strongest first, the rest would not be kept anyway.
    std::mutex lock;
    size_t next = 0;
    size_t doneInOrder = 0;
    size_t cutsInOrder = 0;
    bool failed = false;
    std::vector<std::optional<SceneLane::Found>> found(work.size());
    const auto lane = [&](SceneLane &own) {
        for (;;) {
            size_t item = 0;
            {
                const std::lock_guard guard(lock);
                if (failed || next >= work.size() || (ranked && cutsInOrder >= wanted))
                    return;
                item = next++;
            }
            std::optional<SceneLane::Found> cuts = own.refine(keyframes, work[item]);
            const std::lock_guard guard(lock);
            if (!cuts) {
                failed = true;
                return;
            }
            found[item] = std::move(cuts);
            while (doneInOrder < work.size() && found[doneInOrder]) {
                cutsInOrder += found[doneInOrder]->cuts.size();
                ++doneInOrder;
            }
        }
    };
    double toRefine = 0;
    for (const Stretch &stretch : work)
        toRefine += keyframes[stretch.last].seconds - keyframes[stretch.first - 1].seconds;
    context.refineTotal(toRefine);
    {
        // A lane for each stretch, up to one per core. When lanes are fewer
        // than cores (one long gap, as in a video with a single keyframe,
        // or more cores than lanes) they share the spare cores as decoding
        // threads, which decode a predicted frame while the one it refers
        // to is still being finished.
        const int cores = std::max(1, int(std::thread::hardware_concurrency()));
        const size_t laneCount = std::clamp<size_t>(work.size(), 1, size_t(std::min(cores, maxLanes)));
        std::vector<SceneLane> lanes;
        lanes.reserve(laneCount);
        for (size_t k = 0; k < laneCount; ++k)
            lanes.emplace_back(context, std::clamp(cores / int(laneCount), 1, maxThreadsPerLane));
        std::vector<std::jthread> helpers;
        for (size_t k = 1; k < lanes.size(); ++k)
            helpers.emplace_back([&, k] { lane(lanes[k]); });
        lane(lanes[0]);
    }
    if (failed)
        return std::nullopt;
    for (size_t item = 0; item < doneInOrder; ++item)
        std::move(found[item]->frames.begin(), found[item]->frames.end(), std::back_inserter(result.frames));
    oneAtEachTime(result.frames, &ScanFrames::Frame::seconds);
    for (size_t item = 0; item < doneInOrder; ++item) {
        for (const CutFinder::Flash &flash : found[item]->flashes) {
            const auto inFlash = [&](double at) { return at >= flash.from - 1e-6 && at < flash.until - 1e-6; };
            std::erase_if(result.keyframes, inFlash);
            std::erase_if(result.frames, [&](const ScanFrames::Frame &frame) { return inFlash(frame.seconds); });
        }
    }
    for (size_t item = 0; item < doneInOrder; ++item) {
        if (ranked && result.cuts.size() >= wanted)
            break;
        for (ScenePlanning::Cut cut : found[item]->cuts) {
            // Ranked by how much the keyframes around it differ, so that
            // stopping early keeps the same cuts a full scan would.
            const auto after = std::lower_bound(keyframes.begin(), keyframes.end(), cut.start - 1e-6,
                                                [](const Keyframe &k, double t) { return k.seconds < t; });
            // A cut just past a stretch's end may lie in a gap that was no
            // candidate itself: it counts as strong as the gap before.
            size_t gap = size_t(after - keyframes.begin());
            if (gap < keyframes.size() && strength[gap] == 0 && gap > 0)
                --gap;
            if (gap < keyframes.size() && measured[gap])
                cut.strength = strength[gap];
            result.cuts.push_back(cut);
        }
        result.refined += int(work[item].last - found[item]->first + 1);
    }
    oneAtEachTime(result.cuts, &ScenePlanning::Cut::start);
    context.report(1);
    return result;
}

} // namespace SceneScanner
