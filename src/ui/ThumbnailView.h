#pragma once
// How a shot thumbnail is drawn wherever one appears (grid cells, list rows):
// a faint placeholder in the frame, and once the image is loaded, the image
// filling the frame completely (aspect kept, centred, the excess cut off),
// both inside a rounded rectangle.
//
// The image comes from ThumbnailLoader's cache, read by file on every paint, so a
// frame only ever shows the image of the file it shows now.
//
// Thread: UI thread (painting). Never decodes.

#include <QCache>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QRectF>

#include <optional>

class QPainter;
class QPalette;

namespace ThumbnailView {

// The placeholder colour: the secondary text colour at 12 % opacity.
QColor placeholder(const QPalette &palette);

// The rectangle `image` covers when it fills `frame`: centred, aspect kept,
// at least as large as the frame in both directions.
QRectF filled(const QSizeF &image, const QRectF &frame);

// Draws the placeholder, or `image` filling `frame`, clipped to a rounded
// rectangle of `radius` (0: square corners), antialiased.
void paint(QPainter &painter, const QRectF &frame, qreal radius, const std::optional<QImage> &image,
           const QPalette &palette);

} // namespace ThumbnailView

// Draws thumbnails as ThumbnailView::paint does, and keeps each one as drawn
// (scaled, rounded, at the device's pixel ratio) so redrawing it, as
// scrolling does all the time, is a plain copy instead of a filtered scale.
// Entries are keyed by file, frame size and the size of the picture drawn; a
// file always holds the same picture, but may be decoded larger later. At most `maxBytes` of drawn pixels are kept.
//
// Thread: UI thread.
class ThumbnailRenderer {
public:
    explicit ThumbnailRenderer(qint64 maxBytes = 48LL << 20);

    void paint(QPainter &painter, const QRectF &frame, qreal radius, const QString &file,
               const std::optional<QImage> &image, const QPalette &palette);
    int count() const { return int(m_drawn.count()); }

private:
    QCache<QString, QPixmap> m_drawn;
};
