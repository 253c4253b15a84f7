#include "ui/ThumbnailLoader.h"

#include "media/Thumbnails.h"

#include <algorithm>

ThumbnailLoader::ThumbnailLoader(int maxRunning, int maxQueued, QObject *parent)
    : QObject(parent)
    , m_maxRunning(std::max(1, maxRunning))
    , m_maxQueued(std::max(1, maxQueued))
{
}

std::optional<QImage> ThumbnailLoader::cached(const QString &file) const
{
    if (file.isEmpty())
        return std::nullopt;
    return Thumbnails::lookup(file);
}

void ThumbnailLoader::schedule(const QStringList &files, QSize cover)
{
    m_queue.clear();
    m_cover = cover;
    for (const QString &file : files) {
        if (m_queue.size() >= m_maxQueued)
            break;
        if (file.isEmpty() || m_running.contains(file) || m_queue.contains(file)
            || Thumbnails::holds(file, cover))
            continue;
        m_queue.append(file);
    }
    pump();
}

void ThumbnailLoader::pump()
{
    while (m_running.size() < m_maxRunning && !m_queue.isEmpty()) {
        const QString file = m_queue.takeFirst();
        m_running.insert(file);
        load(this, file, m_cover);
    }
}

QCoro::Task<> ThumbnailLoader::load(QPointer<ThumbnailLoader> self, QString file, QSize cover)
{
    // Named, not a temporary inside co_await (g++ 12 double destruction).
    QCoro::Task<std::optional<QImage>> loading = Thumbnails::image(file, cover);
    const std::optional<QImage> image = co_await loading;
    if (!self)
        co_return;
    self->m_running.remove(file);
    if (image)
        emit self->loaded(file);
    self->pump();
}
