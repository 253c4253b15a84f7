#include "ui/ThumbnailView.h"

#include "widgets/Style.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

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

ThumbnailRenderer::ThumbnailRenderer(qint64 maxBytes)
    : m_drawn(std::max<qint64>(1, maxBytes / 1024)) // costs in KiB
{
}

void ThumbnailRenderer::paint(QPainter &painter, const QRectF &frame, qreal radius, const QString &file,
                              const std::optional<QImage> &image, const QPalette &palette)
{
    if (!image || image->isNull() || file.isEmpty() || frame.isEmpty()) {
        ThumbnailView::paint(painter, frame, radius, image, palette);
        return;
    }
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
    const QSize pixels = (frame.size() * ratio).toSize();
    if (pixels.isEmpty())
        return;
    // The source picture's size is part of the key: a larger decode of the
    // same file, which replaces a small one drawn enlarged, must be drawn anew.
    const QString key = QStringLiteral("%1|%2x%3|%4|%5x%6")
                            .arg(file)
                            .arg(pixels.width())
                            .arg(pixels.height())
                            .arg(radius)
                            .arg(image->width())
                            .arg(image->height());
    QPixmap *drawn = m_drawn.object(key);
    if (!drawn) {
        QImage canvas(pixels, QImage::Format_ARGB32_Premultiplied);
        canvas.setDevicePixelRatio(ratio);
        canvas.fill(Qt::transparent);
        {
            QPainter p(&canvas);
            ThumbnailView::paint(p, QRectF(QPointF(), frame.size()), radius, image, palette);
        }
        drawn = new QPixmap(QPixmap::fromImage(std::move(canvas)));
        m_drawn.insert(key, drawn, std::max<qint64>(1, qint64(pixels.width()) * pixels.height() * 4 / 1024));
    }
    painter.drawPixmap(frame.topLeft(), *drawn);
}
