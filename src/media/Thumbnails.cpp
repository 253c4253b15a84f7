#include "media/Thumbnails.h"

#include "media/ImageFiles.h"

#include <QCache>
#include <QCoroFuture>
#include <QImageReader>
#include <QMutex>
#include <QMutexLocker>
#include <QtConcurrent>

namespace {

// Costs are counted in KiB so that QCache's int-sized budget stays far from
// its limit.
constexpr qint64 kib = 1024;

struct Entry {
    QImage image;
    // Nothing larger will be made: the decode was not reduced below the
    // thumbnail size or the file's own.
    bool fullSize = false;
};

struct Store {
    QMutex mutex;
    QCache<QString, Entry> cache{Thumbnails::maxBytes / kib};
};

Store &store()
{
    static Store instance;
    return instance;
}

qint64 costOf(const QImage &image)
{
    return std::max<qint64>(1, image.sizeInBytes() / kib);
}

bool covers(QSize image, QSize cover)
{
    return image.width() >= cover.width() && image.height() >= cover.height();
}

bool holdsLocked(Store &s, const QString &file, QSize cover)
{
    const Entry *hit = s.cache.object(file);
    return hit && (hit->fullSize || (!cover.isEmpty() && covers(hit->image.size(), cover)));
}

// Stores `entry` unless a larger picture of the file is cached already: two
// views may ask for one file at different sizes, and whichever decode ends
// last must not leave the larger view with a smaller picture. Returns the
// picture cached for the file afterwards.
QImage insert(const QString &file, Entry entry)
{
    Store &s = store();
    const QMutexLocker lock(&s.mutex);
    if (const Entry *held = s.cache.object(file);
        held && (held->fullSize || covers(held->image.size(), entry.image.size())))
        return held->image;
    QImage image = entry.image;
    const qint64 cost = costOf(entry.image);
    s.cache.insert(file, new Entry(std::move(entry)), cost);
    return image;
}

// Runs on a pool thread. JPEG thumbnails shrink inside the decoder first;
// the last step is a smooth scale to exactly the covering size, so the cache
// holds no pixel the cell does not draw.
std::optional<Entry> decode(const QString &file, QSize cover)
{
    if (cover.isEmpty()) {
        std::optional<QImage> full = ImageFiles::thumbnail(file, ImageFiles::thumbnailSide);
        if (!full)
            return std::nullopt;
        return Entry{std::move(*full), true};
    }
    // The covering size comes from the file's own size: derived from the
    // decoder's reduced output it could be a pixel off.
    QImageReader reader(file);
    reader.setAutoTransform(true);
    QSize upright = reader.size();
    if (reader.transformation().testFlag(QImageIOHandler::TransformationRotate90))
        upright.transpose();
    std::optional<QImage> decoded = ImageFiles::decodeCovering(file, cover);
    if (!decoded)
        return std::nullopt;
    if (!upright.isValid())
        upright = decoded->size();
    const QSize wanted = ImageFiles::coveringSize(upright, cover);
    const bool fullSize = wanted == upright;
    if (wanted == decoded->size())
        return Entry{std::move(*decoded), fullSize};
    return Entry{decoded->scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), fullSize};
}

} // namespace

namespace Thumbnails {

std::optional<QImage> lookup(const QString &file)
{
    Store &s = store();
    const QMutexLocker lock(&s.mutex);
    if (const Entry *hit = s.cache.object(file))
        return hit->image;
    return std::nullopt;
}

bool holds(const QString &file, QSize cover)
{
    Store &s = store();
    const QMutexLocker lock(&s.mutex);
    return holdsLocked(s, file, cover);
}

QCoro::Task<std::optional<QImage>> image(QString file, QSize cover)
{
    if (holds(file, cover)) {
        if (auto hit = lookup(file))
            co_return hit;
    }
    // Named, not a temporary inside co_await: g++ 12 destroys a temporary
    // bound to a reference within a co_await operand twice.
    QFuture<std::optional<Entry>> decoding = QtConcurrent::run([file, cover] { return decode(file, cover); });
    std::optional<Entry> decoded = co_await decoding;
    if (!decoded)
        co_return std::nullopt;
    co_return insert(file, std::move(*decoded));
}

void relieve()
{
    Store &s = store();
    const QMutexLocker lock(&s.mutex);
    const qint64 budget = s.cache.maxCost();
    // Lowering the budget evicts the least recently used entries first.
    s.cache.setMaxCost(std::max<qint64>(0, s.cache.totalCost() / 4));
    s.cache.setMaxCost(budget);
}

void forget(const QString &file)
{
    Store &s = store();
    const QMutexLocker lock(&s.mutex);
    s.cache.remove(file);
}

void clear()
{
    Store &s = store();
    const QMutexLocker lock(&s.mutex);
    s.cache.clear();
}

int count()
{
    Store &s = store();
    const QMutexLocker lock(&s.mutex);
    return int(s.cache.count());
}

qint64 bytes()
{
    Store &s = store();
    const QMutexLocker lock(&s.mutex);
    qint64 total = 0;
    for (const QString &key : s.cache.keys())
        total += s.cache.object(key)->image.sizeInBytes();
    return total;
}

} // namespace Thumbnails
