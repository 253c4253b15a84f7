#pragma once
// The process-wide in-memory cache of decoded shot thumbnails, so each
// thumbnail file is decoded once rather than on every redraw.
//
// A file location is assumed to always hold the same picture: every
// extraction run writes into a new work folder. The cache keeps at most
// maxEntries images and evicts on its own when full.
//
// Thread-safe: lookups and stores may come from any thread. Decoding never
// runs on the caller's thread.

#include <QCoroTask>
#include <QImage>
#include <QString>

#include <optional>

namespace Thumbnails {

inline constexpr int maxEntries = 600;

// The cached image of `file`, or none; never decodes. For views that paint.
std::optional<QImage> lookup(const QString &file);

// The cached image of `file`, else decodes it at the thumbnail size on a
// pool thread and caches the result. None when the file is missing or cannot
// be decoded; nothing is then cached, so the next request tries again.
// Two concurrent misses for one file both decode; the later store wins.
QCoro::Task<std::optional<QImage>> image(QString file);

// Forgets every entry.
void clear();

// The number of entries held now.
int count();

} // namespace Thumbnails
