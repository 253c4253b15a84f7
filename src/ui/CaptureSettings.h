#pragma once
// The one-line description of the capture settings that titles the toolbar
// button: "24 shots", "Every 2.5 sec · Precise · PNG".

#include "basics/Records.h"

#include <QString>

namespace CaptureSettings {

// Count mode: the shot count as stored (not clamped to what planning uses);
// interval mode: "Every %1 sec" with the interval in the user's locale,
// grouped and without trailing zeros. Then "Precise" when precise, then
// "PNG" (never translated) for PNG; parts joined with " · ". The JPEG
// quality takes no part. Uses the loaded translation; UI thread.
QString summary(const ExtractSettings &settings);

} // namespace CaptureSettings
