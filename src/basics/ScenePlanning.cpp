#include "basics/ScenePlanning.h"

#include "basics/Planning.h"

#include <algorithm>
#include <iterator>
#include <cmath>

namespace ScenePlanning {

namespace {

// Keyframe and decoded frame times come back from seconds to stream ticks on
// the way to the decoder; aiming a millisecond later (less than a frame at 240 fps) keeps
// rounding from landing on the frame before, which belongs to the previous scene.
constexpr double onKeyframe = 0.001;

// How far into a scene of `length` seconds its shot is aimed.
double offsetInto(double length)
{
    return std::min(lead, length / 3);
}

// The cuts inside the video, no more than any run keeps.
std::vector<Cut> cutsBefore(const std::vector<Cut> &cuts, double duration)
{
    std::vector<Cut> kept = strongest(cuts, Planning::maxShots);
    std::erase_if(kept, [duration](const Cut &cut) { return cut.start >= duration; });
    return kept;
}

double finiteDuration(double duration)
{
    return std::isfinite(duration) && duration >= 0 ? duration : 0;
}

} // namespace

std::vector<Cut> strongest(std::vector<Cut> cuts, long long most)
{
    std::erase_if(cuts, [](const Cut &cut) { return !(cut.start > 0) || !std::isfinite(cut.start); });
    const size_t keep = size_t(std::clamp<long long>(most - 1, 0, Planning::maxShots - 1));
    if (cuts.size() > keep) {
        // Equal strengths keep the earlier cut, so the choice does not depend
        // on the sort's whims.
        std::stable_sort(cuts.begin(), cuts.end(), [](const Cut &a, const Cut &b) { return a.strength > b.strength; });
        cuts.resize(keep);
    }
    std::sort(cuts.begin(), cuts.end(), [](const Cut &a, const Cut &b) { return a.start < b.start; });
    cuts.erase(std::unique(cuts.begin(), cuts.end(), [](const Cut &a, const Cut &b) { return a.start == b.start; }),
               cuts.end());
    return cuts;
}

QList<double> times(const std::vector<Cut> &cuts, const std::vector<double> &keyframes, double duration,
                    long long most, bool precise, const std::vector<double> &decoded)
{
    duration = finiteDuration(duration);
    std::vector<Cut> kept = cutsBefore(cuts, duration);
    if (kept.empty())
        return Planning::times(ExtractMode::count, 0, most, duration);
    kept = strongest(std::move(kept), most);
    // Both kinds of cheap frame are aimed at the same way.
    std::vector<double> cheap;
    if (!precise) {
        cheap.reserve(keyframes.size() + decoded.size());
        std::merge(keyframes.begin(), keyframes.end(), decoded.begin(), decoded.end(), std::back_inserter(cheap));
    }

    std::vector<double> starts{0};
    for (const Cut &cut : kept)
        starts.push_back(cut.start);
    QList<double> result;
    result.reserve(qsizetype(starts.size()));
    for (size_t i = 0; i < starts.size(); ++i) {
        const double start = starts[i];
        const double end = i + 1 < starts.size() ? starts[i + 1] : duration;
        const double offset = offsetInto(end - start);
        const double target = start + offset;
        double time = target;
        if (!precise) {
            const auto first = std::lower_bound(cheap.begin(), cheap.end(), start + offset / 2);
            const auto last = std::lower_bound(first, cheap.end(), end);
            const auto nearest = std::min_element(first, last, [target](double a, double b) {
                return std::abs(a - target) < std::abs(b - target);
            });
            if (nearest != last)
                time = *nearest + onKeyframe;
        }
        result.append(time);
    }
    return result;
}

Planning::RunPlan plan(const std::vector<Cut> &cuts, const std::vector<double> &keyframes, double duration,
                       const ExtractSettings &settings, const std::vector<double> &decoded)
{
    Planning::RunPlan plan{times(cuts, keyframes, duration, settings.count, settings.precise, decoded), settings};
    plan.settings.precise = true;
    for (const Cut &cut : strongest(cutsBefore(cuts, finiteDuration(duration)), settings.count))
        plan.sceneStarts.append(cut.start);
    return plan;
}

std::pair<double, double> sceneAround(const QList<double> &starts, double time, double duration)
{
    duration = finiteDuration(duration);
    const auto next = std::upper_bound(starts.cbegin(), starts.cend(), time);
    const double start = next == starts.cbegin() ? 0.0 : *std::prev(next);
    if (next == starts.cend())
        return {start == 0 ? 0.0 : start + offsetInto(duration - start) / 2, std::max(duration, time)};
    // Just short of the next scene's first frame, which rounded to the
    // decoder's ticks may come up to a millisecond early; a couple of
    // milliseconds is less than a frame at any rate a camera records.
    return {start == 0 ? 0.0 : start + offsetInto(*next - start) / 2, *next - 0.002};
}

} // namespace ScenePlanning
