#include "SheetRenderer.h"

#include "Formatting.h"
#include "ImageFiles.h"
#include "Planning.h"
#include "SheetText.h"

#include <QColorSpace>
#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct Theme {
    QColor background;
    QColor foreground;
};

Theme theme(bool dark)
{
    if (dark)
        return {QColor::fromRgbF(0.07f, 0.07f, 0.07f), QColor::fromRgbF(1, 1, 1)};
    return {QColor::fromRgbF(0.97f, 0.97f, 0.97f), QColor::fromRgbF(0.1f, 0.1f, 0.1f)};
}

QColor withAlpha(QColor color, float alpha)
{
    color.setAlphaF(alpha);
    return color;
}

// One cell's picture, decoded and fitted off the drawing thread. Each task
// writes only its own slot; the table is allocated before the fan-out.
struct Slot {
    QString file;
    QImage picture; // cw × ch, null when the file could not be decoded
};

// The cell's picture: `image` scaled by k = max(cw / iw, ch / ih) so it
// covers the whole cell, centred, the overflow cut off. Doing this per cell
// in the parallel step leaves the drawing thread only unscaled copies.
QImage aspectFilled(const QImage &image, QSize cell)
{
    const double iw = image.width();
    const double ih = image.height();
    const double k = std::max(cell.width() / iw, cell.height() / ih);
    const QSizeF drawn(iw * k, ih * k);
    QImage source = image;
    // Bilinear sampling skips pixels when shrinking below half; an
    // area-averaging pre-shrink keeps fine detail from turning into noise.
    if (k < 0.5)
        source = image.scaled(QSize(int(std::ceil(drawn.width())), int(std::ceil(drawn.height()))),
                              Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage picture(cell, QImage::Format_ARGB32_Premultiplied);
    if (picture.isNull())
        return picture;
    picture.setColorSpace(QColorSpace::SRgb);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPointF origin((cell.width() - drawn.width()) / 2, (cell.height() - drawn.height()) / 2);
    painter.drawImage(QRectF(origin, drawn), source);
    painter.end();
    return picture;
}

void decodeCells(std::vector<Slot> &table, const SheetLayout &layout)
{
    const QSize cell(int(layout.cw), int(layout.ch));
    const double limit = layout.thumbnailLimit;
    QtConcurrent::blockingMap(table, [cell, limit](Slot &slot) {
        const std::optional<QImage> image = ImageFiles::thumbnail(slot.file, limit);
        if (image && !image->isNull())
            slot.picture = aspectFilled(*image, cell);
    });
}

void drawHeader(QPainter &painter, const SheetLayout &l, const VideoInfo &video, qint64 shots,
                QColor fg)
{
    const double s = l.s;
    const double boxWidth = double(l.width - 2 * l.m);
    painter.setPen(fg);
    SheetText::drawBoxed(painter, SheetText::font(46 * s, QFont::Bold),
                         QRectF(double(l.m), double(l.m), boxWidth, 60 * s), Qt::AlignLeft,
                         video.baseName());
    painter.setPen(withAlpha(fg, 0.55f));
    SheetText::drawBoxed(painter, SheetText::font(26 * s, QFont::Normal),
                         QRectF(double(l.m), double(l.m) + 66 * s, boxWidth, 40 * s), Qt::AlignLeft,
                         video.summary() + QStringLiteral(" · ") + shotCount(shots));
}

void drawCell(QPainter &painter, const SheetLayout &l, const QRect &cell, const QImage &picture,
              QColor fg)
{
    painter.setPen(Qt::NoPen);
    if (picture.isNull()) {
        painter.setBrush(withAlpha(fg, 0.08f));
    } else {
        // A texture brush fills the antialiased rounded shape directly; a
        // clip path would give the corners jagged edges.
        QBrush brush(picture);
        brush.setTransform(QTransform::fromTranslate(cell.x(), cell.y()));
        painter.setBrush(brush);
    }
    painter.drawRoundedRect(QRectF(cell), l.cornerRadius, l.cornerRadius);
}

void drawTimestamp(QPainter &painter, const SheetLayout &l, const QRect &cell, double time,
                   const QFont &font)
{
    const double s = l.s;
    const QString text = formatTime(time, false, QStringLiteral(":"));
    const QSizeF size = SheetText::tabularSize(QFontMetricsF(font, painter.device()), text);
    const QSizeF pill(size.width() + 18 * s, size.height() + 8 * s);
    const double right = cell.x() + double(cell.width()) - 10 * s;
    const double bottom = cell.y() + double(cell.height()) - 10 * s;
    const QRectF pillRect(right - pill.width(), bottom - pill.height(), pill.width(), pill.height());
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.6f));
    painter.drawRoundedRect(pillRect, 6 * s, 6 * s);
    painter.setPen(Qt::white);
    SheetText::drawTabular(painter, font, pillRect.topLeft() + QPointF(9 * s, 4 * s), text);
}

void drawBadge(QPainter &painter, const SheetLayout &l, QColor fg)
{
    const double s = l.s;
    painter.setPen(withAlpha(fg, 0.4f));
    SheetText::drawBoxed(painter, SheetText::font(22 * s, QFont::Medium),
                         QRectF(double(l.m), double(l.height - l.m) - 30 * s,
                                double(l.width - 2 * l.m), 32 * s),
                         Qt::AlignRight, QCoreApplication::translate("SheetRenderer", "Made with Framelark"));
}

} // namespace

namespace SheetRenderer {

std::optional<QImage> render(const QList<Shot> &shots, const VideoInfo &video,
                             const SheetOptions &options)
{
    const qint64 n = shots.size();
    if (n == 0)
        return std::nullopt;
    const SheetLayout l = SheetLayout::compute(n, video.size, options);
    if (!l.isDrawable() || l.height > std::numeric_limits<int>::max()
        || l.width > maxPixels / l.height)
        return std::nullopt;

    std::vector<Slot> table(static_cast<size_t>(n));
    for (qint64 i = 0; i < n; ++i)
        table[size_t(i)].file = shots[i].file;
    decodeCells(table, l);

    QImage canvas(int(l.width), int(l.height), QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull())
        return std::nullopt;
    canvas.setColorSpace(QColorSpace::SRgb);
    SheetText::useOnePixelPoints(canvas);

    const Theme colours = theme(options.dark);
    canvas.fill(colours.background);
    QPainter painter(&canvas);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing
                           | QPainter::SmoothPixmapTransform);
    if (options.showHeader)
        drawHeader(painter, l, video, n, colours.foreground);
    const QFont timeFont = SheetText::font(22 * l.s, QFont::DemiBold);
    for (qint64 i = 0; i < n; ++i) {
        const QRect cell = l.cell(i);
        drawCell(painter, l, cell, table[size_t(i)].picture, colours.foreground);
        // Free each picture once drawn: the table holds every cell at once.
        table[size_t(i)].picture = QImage();
        if (options.showTime)
            drawTimestamp(painter, l, cell, shots[i].time, timeFont);
    }
    if (options.badge)
        drawBadge(painter, l, colours.foreground);
    painter.end();
    return canvas;
}

} // namespace SheetRenderer
