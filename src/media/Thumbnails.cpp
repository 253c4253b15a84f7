#include "media/Thumbnails.h"

#include "media/ImageFiles.h"

#include <QCache>
#include <QCoroFuture>
#include <QMutex>
#include <QMutexLocker>
#include <QtConcurrent>

namespace {

struct Store {
    QMutex mutex;
    QCache<QString, QImage> cache{Thumbnails::maxEntries};
};

Store &store()
{
    static Store instance;
    return instance;
}

void insert(const QString &file, const QImage &image)
{
    Store &s = store();
    const QMutexLocker lock(&s.mutex);
    s.cache.insert(file, new QImage(image), 1);
}

} // namespace

namespace Thumbnails {

std::optional<QImage> lookup(const QString &file)
{
    Store &s = store();
    const QMutexLocker lock(&s.mutex);
    if (const QImage *hit = s.cache.object(file))
        return *hit;
    return std::nullopt;
}

QCoro::Task<std::optional<QImage>> image(QString file)
{
    if (auto hit = lookup(file))
        co_return hit;
    // Named, not a temporary inside co_await: g++ 12 destroys a temporary
    // bound to a reference within a co_await operand twice.
    QFuture<std::optional<QImage>> decoding =
        QtConcurrent::run([file] { return ImageFiles::thumbnail(file, ImageFiles::thumbnailSide); });
    const std::optional<QImage> decoded = co_await decoding;
    if (decoded)
        insert(file, *decoded);
    co_return decoded;
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

} // namespace Thumbnails
