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

void ThumbnailLoader::schedule(const QStringList &files)
{
    m_queue.clear();
    for (const QString &file : files) {
        if (m_queue.size() >= m_maxQueued)
            break;
        if (file.isEmpty() || m_running.contains(file) || m_queue.contains(file)
            || Thumbnails::lookup(file))
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
