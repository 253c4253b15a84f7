#include "basics/Stepping.h"

namespace Stepping {

std::optional<double> target(double time, ShotStep step, double fps, double duration)
{
    const double frame = fps > 0 ? 1.0 / fps : fallbackFrameSeconds;
    double wanted = time;
    switch (step) {
    case ShotStep::previousFrame:
        wanted = time - 0.5 * frame;
        break;
    case ShotStep::nextFrame:
        wanted = time + 1.5 * frame;
        break;
    case ShotStep::secondEarlier:
        wanted = time - 1.0 + 0.5 * frame;
        break;
    case ShotStep::secondLater:
        wanted = time + 1.0 + 0.5 * frame;
        break;
    }
    if (!(wanted >= 0) || !(wanted < duration))
        return std::nullopt;
    return wanted;
}

} // namespace Stepping
