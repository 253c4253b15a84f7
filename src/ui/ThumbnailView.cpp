#include "ThumbnailView.h"

#include "Style.h"

#include <QPainter>
#include <QPainterPath>

namespace ThumbnailView {

QColor placeholder(const QPalette &palette)
{
    QColor color = Style::secondaryText(palette);
    color.setAlphaF(color.alphaF() * 0.12f);
    return color;
}

QRectF filled(const QSizeF &image, const QRectF &frame)
{
    if (image.isEmpty() || frame.isEmpty())
        return frame;
    const qreal scale = std::max(frame.width() / image.width(), frame.height() / image.height());
    QRectF result(QPointF(), image * scale);
    result.moveCenter(frame.center());
    return result;
}

void paint(QPainter &painter, const QRectF &frame, qreal radius, const std::optional<QImage> &image,
           const QPalette &palette)
{
    if (frame.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    if (image && !image->isNull()) {
        // A textured fill rather than a clip path: one antialiased pass, and
        // the rounded edge stays smooth.
        const QRectF target = filled(image->size(), frame);
        QBrush brush(*image);
        QTransform transform;
        transform.translate(target.left(), target.top());
        transform.scale(target.width() / image->width(), target.height() / image->height());
        brush.setTransform(transform);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setBrush(brush);
    } else {
        painter.setBrush(placeholder(palette));
    }
    if (radius > 0)
        painter.drawRoundedRect(frame, radius, radius);
    else
        painter.drawRect(frame);
    painter.restore();
}

} // namespace ThumbnailView
