#include "basics/Planning.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace Planning {

RunPlan plan(const ExtractSettings &settings, double duration)
{
    RunPlan plan{times(settings.mode, settings.interval, settings.count, duration), settings};
    if (settings.mode == ExtractMode::scene)
        plan.settings.precise = true;
    return plan;
}

QList<double> times(ExtractMode mode, double interval, qint64 count, double duration)
{
    // A broken container can report NaN, infinity or a negative length; none
    // of those may turn into NaN times, an endless loop or an empty plan.
    if (!std::isfinite(duration) || duration < 0)
        duration = 0;

    QList<double> result;
    // A scene run plans like count mode until its scenes are known, and when
    // it finds none.
    if (mode != ExtractMode::interval) {
        const qint64 n = std::clamp<qint64>(count, 1, maxShots);
        result.reserve(n);
        for (qint64 i = 0; i < n; ++i)
            result.append((double(i) + 0.5) * duration / double(n));
    } else {
        // NaN fails every comparison, so it must not reach std::max.
        const double step = std::isnan(interval) ? 0.1 : std::max(interval, 0.1);
        const double end = duration - 0.05;
        if (end > step) {
            // Repeated addition, not step * index: long plans carry the same
            // accumulated rounding everywhere they are computed.
            double t = step;
            do {
                if (result.size() >= maxShots)
                    break;
                result.append(t);
                t = t + step;
            } while (end > t);
        }
    }
    if (result.isEmpty())
        result.append(duration * 0.5);
    return result;
}

} // namespace Planning

QString shotCount(qint64 n)
{
    // Clamped in its own statement: lupdate's parser never returns from a
    // template argument list inside the translate() call.
    const int count = int(std::clamp<qint64>(n, INT_MIN, INT_MAX));
    return QCoreApplication::translate("Framelark", "%n shots", nullptr, count);
}
