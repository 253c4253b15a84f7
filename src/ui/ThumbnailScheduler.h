#pragma once
// Tells a ThumbnailLoader which thumbnails an item view wants: the cells in
// view first, in reading order, then as many just below and then just above,
// so a short scroll finds them loaded. It asks again whenever what is in view
// can change (scrolling, resizing, showing, rows arriving or leaving, data
// changing), once per turn of the event loop however many of those come.
//
// Thread: UI thread. Ownership: a QObject child of the view; neither the
// view nor the loader is owned, and both must outlive it.

#include <QList>
#include <QObject>
#include <QSize>

#include <functional>
#include <utility>

class QAbstractItemView;
class QWidget;
class ThumbnailLoader;

class ThumbnailScheduler : public QObject {
    Q_OBJECT
public:
    // First and last row in view (inclusive); first > last when none.
    using RowsInView = std::function<std::pair<int, int>()>;
    // The area, in the view's logical pixels, a thumbnail must cover to be
    // drawn without enlarging.
    using CoverInView = std::function<QSizeF()>;

    // `role` gives a row's thumbnail file.
    ThumbnailScheduler(QAbstractItemView *view, ThumbnailLoader *loader, int role,
                       RowsInView rowsInView, CoverInView coverInView);

    // `logical` at `ratio` device pixels per logical pixel, rounded up. Pure.
    static QSize devicePixels(QSizeF logical, qreal ratio);

    // The rows to load in order: first..last, then up to as many rows after
    // last, then up to as many before first, nearest first; clamped to
    // 0..count-1. Pure.
    static QList<int> order(int first, int last, int count);

    // Asks the loader now rather than on the next turn of the event loop.
    void scheduleNow();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void scheduleSoon();

    QAbstractItemView *const m_view;
    QWidget *const m_viewport;
    ThumbnailLoader *const m_loader;
    const int m_role;
    const RowsInView m_rowsInView;
    const CoverInView m_coverInView;
    bool m_pending = false;
};
