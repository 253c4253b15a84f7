#pragma once
// The process-wide in-memory cache of decoded shot thumbnails, so each
// thumbnail file is decoded once rather than on every redraw.
//
// Entries are kept at the size the views draw them (the cover size they ask
// for, in device pixels), not at the file's own size, and the cache is
// bounded by bytes: a grid of small cells holds many more thumbnails than a
// grid of large ones in the same memory. A file location is assumed to
// always hold the same picture: every extraction run writes into a new work
// folder.
//
// Thread-safe: lookups and stores may come from any thread. Decoding never
// runs on the caller's thread.

#include <QCoroTask>
#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

namespace Thumbnails {

// The most decoded pixels the cache holds (RGB32, 4 bytes a pixel).
inline constexpr qint64 maxBytes = 64LL << 20;

// The cached image of `file`, whatever its size, or none; never decodes.
// For views that paint.
std::optional<QImage> lookup(const QString &file);

// True when the cached image of `file` can fill `cover` device pixels
// without enlarging: it covers `cover`, or it is the file's picture at full
// size. An empty cover asks for the thumbnail size (ImageFiles::thumbnailSide).
bool holds(const QString &file, QSize cover);

// The cached image of `file` when holds(file, cover); else decodes it on a
// pool thread, reduced to the smallest size that covers `cover` (never
// enlarged; an empty cover asks for the thumbnail size), and caches the result in
// place of a smaller one; the cached picture is returned. None when the file
// is missing or cannot be decoded; nothing is then cached, so the next
// request tries again. Two concurrent misses for one file both decode; the
// larger picture stays, whichever ends last.
QCoro::Task<std::optional<QImage>> image(QString file, QSize cover = {});

// Drops the least recently used entries until at most a quarter of the
// bytes held now remain; for when the system is short of memory.
void relieve();

// Forgets the entry of `file`, for a picture no view shows any more.
void forget(const QString &file);

// Forgets every entry.
void clear();

// The number of entries and the bytes of pixels held now.
int count();
qint64 bytes();

} // namespace Thumbnails
