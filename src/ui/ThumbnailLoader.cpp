#include "ui/ThumbnailLoader.h"

#include "media/Thumbnails.h"

#include <algorithm>

ThumbnailLoader::ThumbnailLoader(int maxRunning, int maxQueued, QObject *parent)
    : QObject(parent)
    , m_maxRunning(std::max(1, maxRunning))
    , m_maxQueued(std::max(1, maxQueued))
{
}

std::optional<QImage> ThumbnailLoader::image(const QString &file)
{
    if (file.isEmpty())
        return std::nullopt;
    if (auto hit = Thumbnails::lookup(file))
        return hit;
    if (m_running.contains(file))
        return std::nullopt;
    // Asked again: it becomes the newest request.
    m_queue.removeOne(file);
    m_queue.append(file);
    if (m_queue.size() > m_maxQueued)
        m_queue.remove(0, m_queue.size() - m_maxQueued);
    pump();
    return std::nullopt;
}

void ThumbnailLoader::pump()
{
    while (m_running.size() < m_maxRunning && !m_queue.isEmpty()) {
        const QString file = m_queue.takeLast();
        m_running.insert(file);
        load(this, file);
    }
}

QCoro::Task<> ThumbnailLoader::load(QPointer<ThumbnailLoader> self, QString file)
{
    // Named, not a temporary inside co_await (g++ 12 double destruction).
    QCoro::Task<std::optional<QImage>> loading = Thumbnails::image(file);
    const std::optional<QImage> image = co_await loading;
    if (!self)
        co_return;
    self->m_running.remove(file);
    if (image)
        emit self->loaded(file);
    self->pump();
}
