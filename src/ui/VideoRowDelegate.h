#pragma once
// Paints one sidebar row from VideoListModel's roles: a 64-point wide
// thumbnail of the video's first shot in the video's aspect ratio (rounded,
// radius 4), then the file name (shortened in the middle) over the status
// line in the caption style with tabular digits.
//
// Thumbnails come from `loader`; the delegate never decodes.
//
// Thread: UI thread. Ownership: the loader is not owned and must outlive the
// delegate's use.

#include "ui/ThumbnailView.h"

#include <QStyledItemDelegate>

class ThumbnailLoader;

class VideoRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr qreal thumbWidth = 64;
    static constexpr qreal thumbRadius = 4;
    // Between the thumbnail and the text column.
    static constexpr qreal gap = 10;
    // The row's own padding above and below, beyond the list's cell margin.
    static constexpr qreal padding = 2;
    static constexpr qreal margin = 6;

    explicit VideoRowDelegate(ThumbnailLoader *loader, QObject *parent = nullptr);

    // The thumbnail frame in a row rectangle, for a video of `aspect`.
    static QRectF thumbRect(const QRectF &row, double aspect);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    ThumbnailLoader *m_loader;
    mutable ThumbnailRenderer m_renderer{4LL << 20};
};
