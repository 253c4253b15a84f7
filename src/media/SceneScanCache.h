#pragma once
// What the latest scene scans found, kept for a few videos so that planning
// one again does not decode it again: the user changed the format, the
// quality, exact frames or weak shots, none of which the scan depends on,
// and a 2-minute 1080p film clip that cuts every few seconds takes 17 to
// 20 s to scan. Only what a plan needs is kept, no pictures: the shots are
// then decoded from the file, at the same times, so they are the same.
//
// Thread: any; calls are serialised inside. Memory: a few numbers per
// keyframe and cut of at most `mostVideos` videos.

#include "basics/ScenePlanning.h"
#include "media/SceneScanner.h"

#include <QString>

#include <cstddef>
#include <optional>
#include <vector>

namespace SceneScanCache {

inline constexpr std::size_t mostVideos = 16;

struct Findings {
    std::vector<ScenePlanning::Cut> cuts;
    std::vector<double> keyframes;
    std::vector<double> decoded;  // seconds of the frames the scan decoded where shots may go
};

// What a scan of the file at `path` for at most `most` shots finds, when
// such a scan was stored since the file last changed.
std::optional<Findings> find(const QString &path, long long most);

// Keeps what `scan`, a scan of `path` for at most `most` shots, found; the
// oldest video's findings make room.
void store(const QString &path, long long most, const SceneScanner::Scan &scan);

// Forgets everything stored.
void clear();

} // namespace SceneScanCache
