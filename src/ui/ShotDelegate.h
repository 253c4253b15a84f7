#pragma once
// Paints one cell of the shot grid from ShotListModel's roles: the thumbnail
// filling a rounded rectangle, the shot time on a dark pill in the
// bottom-right corner, the selection mark in the top-left corner, an accent
// border when selected; when not, the picture dimmed under a veil of the
// background with a faint outline, so even a black shot stays in view.
//
// Thumbnails come from `loader`'s cache (the grid schedules the loads); the
// delegate never decodes.
//
// Thread: UI thread. Ownership: the loader is not owned and must outlive the
// delegate's use.

#include "ui/ThumbnailView.h"

#include <QAbstractItemDelegate>
#include <QRectF>

class ThumbnailLoader;

class ShotDelegate : public QAbstractItemDelegate {
    Q_OBJECT
public:
    // Corner radius of a cell and of the time pill.
    static constexpr qreal cellRadius = 6;
    static constexpr qreal pillRadius = 4;
    // How much of a deselected shot's picture shows through its veil.
    static constexpr qreal deselectedOpacity = 0.45;

    explicit ShotDelegate(ThumbnailLoader *loader, QObject *parent = nullptr);

    // The time pill for a label of `text` size: 5 wider on each side, 2
    // taller above and below, 6 in from the cell's right and bottom edges.
    static QRectF pillRect(const QRectF &cell, const QSizeF &text);
    // The selection mark, `diameter` wide, 6 in from the top-left corner.
    static QRectF markRect(const QRectF &cell, qreal diameter);
    // The keyboard focus ring: a dark and a light line, 4.5 inside the cell.
    static QRectF focusRingRect(const QRectF &cell);
    // The selection mark's diameter for the view's font.
    static qreal markDiameter(const QFont &font);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    ThumbnailLoader *m_loader;
    mutable ThumbnailRenderer m_renderer;
};
