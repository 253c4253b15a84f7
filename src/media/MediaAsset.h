#pragma once
// Opening a video file and reading the facts the application shows and plans
// with. Blocking; any thread. Never crashes or hangs on bad input: a missing
// file, a folder, no permission, zero bytes, text named .mp4, audio only, a
// truncated file or a codec without a decoder all give none.

#include "basics/Records.h"

#include <QString>

#include <optional>
#include <stop_token>

namespace MediaAsset {

struct Facts {
    double duration = 0;  // seconds, from the start of the video stream; where the
                          // file's stated length is missing, implausible or runs
                          // past its data, where the video's packets really end
    QSizeF size;          // display size: sample aspect ratio, then rotation applied
    float fps = 0;        // nominal frame rate; 0 when unknown
    qint64 fileSize = 0;  // bytes; 0 when unreadable
};

// Probes `path`. `stop` ends a blocked read early (the result is then none).
std::optional<Facts> probe(const QString &path, std::stop_token stop = {});

// probe() wrapped into the record the model keeps; `url` is kept as given.
std::optional<VideoInfo> load(const QUrl &url, std::stop_token stop = {});

} // namespace MediaAsset
