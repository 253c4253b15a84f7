#pragma once
// Digits of equal width, so counters and times do not jitter as they change:
// every digit is drawn centred in a cell as wide as the widest digit of its
// own script; other characters keep their own advance. The font feature that
// does this (OpenType "tnum") is not reachable through this Qt version, and
// the bundled fonts have no tabular variant.
//
// Any decimal digit counts, not only 0-9: a locale may write Arabic-Indic or
// Devanagari digits, and those must not jitter either. Their cell is the
// widest of their own ten digits, so a wide script never spills out of a cell
// measured on narrower Latin digits.
//
// Used by the window's labels and by the share image, so both set numbers
// alike. Thread: any, as long as a QGuiApplication exists.

#include <QFontMetricsF>
#include <QPointF>
#include <QString>

class QPainter;

namespace TabularDigits {

// The advance of `text` drawn this way.
qreal width(const QFontMetricsF &metrics, const QString &text);

// Draws `text` with the painter's current font and pen, its baseline starting
// at `origin`; `metrics` must be those of that font on that device.
void draw(QPainter &painter, const QFontMetricsF &metrics, QPointF origin, const QString &text);

} // namespace TabularDigits
