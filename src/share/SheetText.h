#pragma once
// Text on a share image: the typeface, fractional pixel sizes, one-line boxed
// text and labels with digits of equal width. Any thread, as long as a
// QGuiApplication exists (the font database belongs to it).
//
// Typeface: Inter (Debian fonts-inter) with Noto fallbacks for scripts and
// symbols Inter lacks, so a sheet looks the same on every machine that has
// the packages scripts/setup installs, whatever the desktop's fonts are.
// Hinting and sub-pixel antialiasing are off for the same reason.
//
// Sizes: QFont takes pixel sizes only as integers, but point sizes as reals.
// A canvas prepared with useOnePixelPoints() reports 72 dpi, where one point
// is exactly one pixel, so fractional pixel sizes become point sizes.
//
// Tabular figures: the installed Inter files have no tabular-digit variant,
// and Qt 6.4 cannot switch on the OpenType "tnum" feature. Labels therefore
// set digits as text/TabularDigits.h does, like the window's labels.

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>

namespace SheetText {

// Sets the canvas to 72 dpi: one point is one pixel on it.
void useOnePixelPoints(QImage &canvas);

// The sheet typeface at `pixels` (on a canvas prepared as above) and `weight`.
QFont font(double pixels, QFont::Weight weight);

// Line breaks, tabs and other separators read as plain spaces, so a file name
// with a newline in it still makes one line.
QString oneLine(const QString &text);

// Draws `text` on one line laid out from the top-left of `box` (top of the line
// at the box's top), cut at the end with an ellipsis when wider than the box,
// aligned horizontally by `alignment`; nothing is drawn outside the box.
// Returns the text actually drawn.
QString drawBoxed(QPainter &painter, const QFont &font, const QRectF &box,
                  Qt::Alignment alignment, const QString &text);

// The natural size of `text` with tabular digits: its advance width and the
// font's line height (ascent + descent).
QSizeF tabularSize(const QFontMetricsF &metrics, const QString &text);

// Draws `text` with tabular digits, the top-left of its line at `topLeft`.
void drawTabular(QPainter &painter, const QFont &font, QPointF topLeft, const QString &text);

} // namespace SheetText
