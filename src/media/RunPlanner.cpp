#include "media/RunPlanner.h"

#include "basics/ScenePlanning.h"
#include "media/ScanFrames.h"
#include "media/SceneScanCache.h"

#include <algorithm>

namespace RunPlanner {

std::optional<Planning::RunPlan> plan(const QString &path, double duration, const ExtractSettings &settings,
                                      const Progress &progress, std::stop_token stop)
{
    if (settings.mode != ExtractMode::scene)
        return Planning::plan(settings, duration);
    if (const std::optional<SceneScanCache::Findings> known = SceneScanCache::find(path, settings.count)) {
        if (progress)
            progress(1);
        return ScenePlanning::plan(known->cuts, known->keyframes, duration, settings, known->decoded);
    }
    std::optional<SceneScanner::Scan> scan = SceneScanner::scan(path, duration, settings.count, progress, stop);
    if (stop.stop_requested())
        return std::nullopt;
    if (!scan)
        return Planning::plan(settings, duration);
    SceneScanCache::store(path, settings.count, *scan);
    return fromScan(path, std::move(*scan), duration, settings);
}

Planning::RunPlan fromScan(const QString &path, SceneScanner::Scan scan, double duration,
                           const ExtractSettings &settings)
{
    std::vector<double> decoded;
    decoded.reserve(scan.frames.size());
    for (const ScanFrames::Frame &frame : scan.frames)
        decoded.push_back(frame.seconds);
    Planning::RunPlan plan = ScenePlanning::plan(scan.cuts, scan.keyframes, duration, settings, decoded);
    std::vector<ScanFrames::Frame> used;
    for (ScanFrames::Frame &frame : scan.frames) {
        const bool shot = std::any_of(plan.times.cbegin(), plan.times.cend(), [&](double time) {
            return ScanFrames::answers(frame, MediaTime::fromSeconds(time));
        });
        if (shot)
            used.push_back(std::move(frame));
    }
    plan.keptFrames = ScanFrames::heldUntilDropped(path, ScanFrames::keep(path, scan.stamp, std::move(used)));
    return plan;
}

} // namespace RunPlanner
