#include "media/RunPlanner.h"

#include "basics/ScenePlanning.h"
#include "media/SceneScanner.h"

namespace RunPlanner {

std::optional<Planning::RunPlan> plan(const QString &path, double duration, const ExtractSettings &settings,
                                      const Progress &progress, std::stop_token stop)
{
    if (settings.mode != ExtractMode::scene)
        return Planning::plan(settings, duration);
    const std::optional<SceneScanner::Scan> scan = SceneScanner::scan(path, duration, settings.count, progress, stop);
    if (stop.stop_requested())
        return std::nullopt;
    if (!scan)
        return Planning::plan(settings, duration);
    return ScenePlanning::plan(scan->cuts, scan->keyframes, duration, settings);
}

} // namespace RunPlanner
