#include "share/SheetRenderer.h"

#include "basics/Formatting.h"
#include "basics/Planning.h"
#include "media/ImageFiles.h"
#include "share/SheetText.h"

#include <QColorSpace>
#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

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

// Draws `image` into the cell `target` (a view of the cell's pixels): scaled
// by k = max(cw / iw, ch / ih) so it covers the whole cell, centred, the
// overflow cut off, inside antialiased rounded corners.
//
// drawImage under an antialiased clip path gives the same pixels as filling
// the rounded rectangle with an image brush, at less than half the cost: a
// brush tiles its texture, which keeps the painter off its fast bilinear
// path for plain scaling.
void drawPicture(QImage &target, const QImage &image, double radius)
{
    const QSize cell = target.size();
    const double iw = image.width();
    const double ih = image.height();
    const double k = std::max(cell.width() / iw, cell.height() / ih);
    QPainterPath rounded;
    rounded.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(cell)), radius, radius);
    QPainter painter(&target);
    // Antialiasing must be on before the clip is set: the clip's edge is
    // rasterised when it is set.
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    painter.setClipPath(rounded);
    // Bilinear sampling reads 2 × 2 pixels per output pixel; shrinking below
    // about three quarters, it skips detail and fine patterns turn into
    // moiré. There an area-averaging reduction to the covering size (whole
    // pixels, so it is drawn 1:1, centred to the nearest pixel) does the
    // scaling instead. Decoding at a covering size keeps k near 1 for most
    // JPEG shots, so this is the exception.
    if (k < 0.75) {
        const QImage reduced = image.scaled(ImageFiles::coveringSize(image.size(), cell),
                                            Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        painter.drawImage(QPoint(qRound((cell.width() - reduced.width()) / 2.0),
                                 qRound((cell.height() - reduced.height()) / 2.0)),
                          reduced);
        return;
    }
    const QSizeF drawn(iw * k, ih * k);
    painter.drawImage(QRectF(QPointF((cell.width() - drawn.width()) / 2, (cell.height() - drawn.height()) / 2), drawn),
                      image);
}

void drawEmpty(QImage &target, double radius, QColor fill)
{
    QPainter painter(&target);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(QPointF(0, 0), QSizeF(target.size())), radius, radius);
}

// A view of `area` of the canvas whose pixels start at `bits`; painting on it
// writes straight into the canvas.
QImage viewOf(uchar *bits, qsizetype stride, const QRect &area)
{
    return QImage(bits + area.y() * stride + qsizetype(area.x()) * 4, area.width(), area.height(),
                  stride, QImage::Format_ARGB32_Premultiplied);
}

// Fills the canvas with `colour` in bands of rows, in parallel. A fresh canvas
// has no memory behind it yet: the first write to each page costs the kernel
// far more than the write itself, and that cost splits across cores.
void fillCanvas(QImage &canvas, QColor colour)
{
    uchar *const bits = canvas.bits();
    const qsizetype stride = canvas.bytesPerLine();
    constexpr int bandRows = 256;
    QList<int> bands((canvas.height() + bandRows - 1) / bandRows);
    std::iota(bands.begin(), bands.end(), 0);
    QtConcurrent::blockingMap(bands, [&](int band) {
        const int top = band * bandRows;
        QImage view = viewOf(bits, stride, QRect(0, top, canvas.width(), std::min(bandRows, canvas.height() - top)));
        view.fill(colour);
    });
}

// Decodes every shot and draws it into its cell, in parallel. Cells never
// overlap, so each task paints through its own view of the canvas pixels and
// no lock is needed; `canvas` must not be touched elsewhere meanwhile.
void drawCells(QImage &canvas, const QList<Shot> &shots, const SheetLayout &l, QColor emptyFill)
{
    uchar *const bits = canvas.bits(); // detaches once, before the fan-out
    const qsizetype stride = canvas.bytesPerLine();
    QList<qint64> indices(shots.size());
    std::iota(indices.begin(), indices.end(), qint64(0));
    QtConcurrent::blockingMap(indices, [&](qint64 i) {
        const QRect cell = l.cell(i);
        QImage view = viewOf(bits, stride, cell);
        const std::optional<QImage> image = ImageFiles::decodeCovering(shots[i].file, cell.size());
        if (image && !image->isNull())
            drawPicture(view, *image, l.cornerRadius);
        else
            drawEmpty(view, l.cornerRadius, emptyFill);
    });
}

void drawHeader(QPainter &painter, const SheetLayout &l, const VideoInfo &video, qint64 shots,
                const SheetOptions &options, QColor fg)
{
    const double s = l.s;
    const double boxWidth = double(l.width - 2 * l.m);
    painter.setPen(fg);
    SheetText::drawBoxed(painter, SheetText::font(46 * s, QFont::Bold),
                         QRectF(double(l.m), double(l.m), boxWidth, 60 * s), Qt::AlignLeft,
                         options.hasTitle() ? options.title.trimmed() : video.baseName());
    painter.setPen(withAlpha(fg, 0.55f));
    SheetText::drawBoxed(painter, SheetText::font(26 * s, QFont::Normal),
                         QRectF(double(l.m), double(l.m) + 66 * s, boxWidth, 40 * s), Qt::AlignLeft,
                         video.summary() + QStringLiteral(" · ") + shotCount(shots));
    if (options.hasNote()) {
        painter.setPen(withAlpha(fg, 0.8f));
        SheetText::drawBoxed(painter, SheetText::font(26 * s, QFont::Normal),
                             QRectF(double(l.m), double(l.m) + 106 * s, boxWidth, 40 * s), Qt::AlignLeft,
                             options.note.trimmed());
    }
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

    // The canvas comes first: when it cannot be had, no file is decoded.
    QImage canvas(int(l.width), int(l.height), QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull())
        return std::nullopt;
    canvas.setColorSpace(QColorSpace::SRgb);
    SheetText::useOnePixelPoints(canvas);
    const Theme colours = theme(options.dark);
    fillCanvas(canvas, colours.background);

    drawCells(canvas, shots, l, withAlpha(colours.foreground, 0.08f));

    QPainter painter(&canvas);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    if (options.showHeader)
        drawHeader(painter, l, video, n, options, colours.foreground);
    // Labels are not clipped to their cells, so they are drawn once every
    // cell is in place.
    if (options.showTime) {
        const QFont timeFont = SheetText::font(22 * l.s, QFont::DemiBold);
        for (qint64 i = 0; i < n; ++i)
            drawTimestamp(painter, l, l.cell(i), shots[i].time, timeFont);
    }
    if (options.badge)
        drawBadge(painter, l, colours.foreground);
    painter.end();
    return canvas;
}

} // namespace SheetRenderer
