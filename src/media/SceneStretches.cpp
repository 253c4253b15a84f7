#include "media/SceneStretches.h"

#include <algorithm>

namespace SceneScanner {

namespace {

// Neighbouring gaps are decoded in one go up to at least this many seconds,
// and more when there are few lanes for many.
constexpr double minStretch = 10;

} // namespace

std::vector<Stretch> stretches(const std::vector<Keyframe> &keyframes, std::vector<Candidate> candidates,
                               bool ranked)
{
    std::vector<Stretch> work;
    if (ranked) {
        std::stable_sort(candidates.begin(), candidates.end(),
                         [](const Candidate &a, const Candidate &b) { return a.strength > b.strength; });
        for (const Candidate &candidate : candidates)
            work.push_back({candidate.after, candidate.after, false, false, true});
        return work;
    }
    std::vector<bool> decoded(keyframes.size() + 1, false);
    for (const Candidate &candidate : candidates)
        decoded[candidate.after] = true;
    double total = 0;
    for (const Candidate &candidate : candidates)
        total += keyframes[candidate.after].seconds - keyframes[candidate.after - 1].seconds;
    const double longest = std::max(minStretch, total / (2.0 * maxLanes));
    for (const Candidate &candidate : candidates) {
        const size_t gap = candidate.after;
        if (!work.empty() && work.back().last + 1 == gap
            && keyframes[gap].seconds - keyframes[work.back().first - 1].seconds <= longest) {
            work.back().last = gap;
            work.back().gapAfterDecoded = decoded[gap + 1];
        } else {
            work.push_back({gap, gap, decoded[gap - 1], decoded[gap + 1]});
        }
    }
    // Longest first, so that no lane is left with a long stretch to decode
    // alone at the end while the others wait: on a 25 s phone clip of three
    // stretches (5, 8 and 9 s) taken in order, one lane decoded 14 s of it
    // and the other 8 s.
    const auto length = [&](const Stretch &stretch) {
        return keyframes[stretch.last].seconds - keyframes[stretch.first - 1].seconds;
    };
    std::stable_sort(work.begin(), work.end(),
                     [&](const Stretch &a, const Stretch &b) { return length(a) > length(b); });
    return work;
}


} // namespace SceneScanner
