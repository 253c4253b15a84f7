#pragma once
// Background loading of shot thumbnails for item views. The view that shows
// them says which files it wants, most wanted first (ThumbnailScheduler does
// that on scroll, resize and show); its delegates only read the cache while
// painting. loaded(file) is emitted once an image is in the cache, so the
// view repaints the rows showing that file.
//
// At most `maxRunning` loads run at a time, the front of the wanted list
// first; a new list replaces the old one, so after fast scrolling the cells
// scrolled past are dropped before they load. At most `maxQueued` files wait.
//
// Images are loaded at the size the cells draw them: schedule() says the
// device pixels a thumbnail must cover, and a cached image too small for
// that (the window grew, or moved to a denser screen) is loaded again; the
// smaller one is drawn meanwhile.
//
// A failed load emits nothing and caches nothing; the next schedule() that
// wants the file tries again.
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
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

class ThumbnailLoader : public QObject {
    Q_OBJECT
public:
    explicit ThumbnailLoader(int maxRunning = 4, int maxQueued = 256, QObject *parent = nullptr);

    // The cached image of `file`, or none. Never loads.
    std::optional<QImage> cached(const QString &file) const;
    // The files to load now, most wanted first, each to cover `cover` device
    // pixels (empty: the file's own size); replaces what was queued. Files
    // cached large enough, running and empty names are passed over.
    void schedule(const QStringList &files, QSize cover = {});

    int running() const { return int(m_running.size()); }
    int queued() const { return int(m_queue.size()); }

signals:
    // The image of `file` is now cached.
    void loaded(const QString &file);

private:
    void pump();
    static QCoro::Task<> load(QPointer<ThumbnailLoader> self, QString file, QSize cover);

    const int m_maxRunning;
    const int m_maxQueued;
    QSet<QString> m_running;
    // Most wanted first.
    QList<QString> m_queue;
    QSize m_cover;
};
