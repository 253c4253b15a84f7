#pragma once
// Measures a shot from its thumbnail: brightness, spread and sharpness of
// the luma and a tiny luma picture for comparing neighbours. The thumbnail is
// first reduced to a fixed width so the figures do not depend on the video's
// size and the cost stays at a few hundred microseconds.
//
// Pure; any thread.

#include "basics/Records.h"

#include <QImage>

namespace ShotScoring {

// The width the luma is measured at; sharpness is the Laplacian's variance
// at this width.
inline constexpr int measureWidth = 160;

// The score of `thumb`; unmeasured for a null image.
ShotScore score(const QImage &thumb);

} // namespace ShotScoring
