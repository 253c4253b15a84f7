#pragma once
// Background loading of shot thumbnails for item views. A delegate asks for
// the image of the file it is painting: a cached image comes back at once;
// otherwise a load is queued and loaded(file) is emitted once the image is in
// the cache, so the view repaints the rows showing that file. Only painted
// (visible) cells ask, so only they are loaded.
//
// At most `maxRunning` loads run at a time; the queue holds the most recent
// `maxQueued` requests and starts the newest first, so after fast scrolling
// the cells on screen load before the ones scrolled past, which are dropped
// (a cell asks again when it is painted again).
//
// A failed load emits nothing and caches nothing; the next paint tries again.
//
// Thread: UI thread. Decoding happens in Thumbnails, on pool threads.
// Ownership: plain QObject; loads still running when it is destroyed finish
// into the cache and notify nobody.

#include <QCoroTask>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

#include <optional>

class ThumbnailLoader : public QObject {
    Q_OBJECT
public:
    explicit ThumbnailLoader(int maxRunning = 4, int maxQueued = 256, QObject *parent = nullptr);

    // The cached image of `file`; none (after queueing a load) when it is not
    // cached yet. An empty file gives none and loads nothing.
    std::optional<QImage> image(const QString &file);

    int running() const { return int(m_running.size()); }
    int queued() const { return int(m_queue.size()); }

signals:
    // The image of `file` is now cached.
    void loaded(const QString &file);

private:
    void pump();
    static QCoro::Task<> load(QPointer<ThumbnailLoader> self, QString file);

    const int m_maxRunning;
    const int m_maxQueued;
    QSet<QString> m_running;
    // Oldest request first; the newest is started first.
    QList<QString> m_queue;
};
