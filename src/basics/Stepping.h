#pragma once
// Moving a shot to a neighbouring frame: which time to decode for each step.
//
// A target lies in the middle of the frame wanted, not on its first instant,
// so that neither rounding of the shot's time nor a frame rate slightly off
// the nominal one can land on the shot's own frame again.
//
// Pure; any thread.

#include <optional>

enum class ShotStep { previousFrame, nextFrame, secondEarlier, secondLater };

namespace Stepping {

// The frame duration used when the video names no frame rate.
inline constexpr double fallbackFrameSeconds = 1.0 / 30;

// The time to decode precisely for `step` from a shot whose frame starts at
// `time`, in a video of `duration` seconds at `fps` (0: unknown); none when
// the step would leave the video (before its first or past its last frame).
std::optional<double> target(double time, ShotStep step, double fps, double duration);

} // namespace Stepping
