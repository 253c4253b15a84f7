#pragma once
// The few visual rules the views share: dimmed text colours, the accent
// colour, the text styles relative to the user's font, and icons that come
// from the desktop theme or from the bundled set. All derive from the
// widget's palette and font, so light and dark themes both work.
//
// Thread: UI thread only.

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPalette>
#include <QPixmap>
#include <QString>

class QLabel;
class QWidget;

namespace Style {

// Text that supports the main text, and text that supports that.
QColor secondaryText(const QPalette &palette);
QColor tertiaryText(const QPalette &palette);
// The colour that marks the active or targeted element.
QColor accent(const QPalette &palette);

enum class TextStyle { title, body, callout, caption };
// `base` resized (and for titles weighted) for the given text style.
QFont font(const QFont &base, TextStyle style);

enum class Tone { normal, secondary, tertiary };
// Gives `widget` the tone's text colour (WindowText), derived from its
// parent's palette and derived again whenever that palette changes, so a
// switch between light and dark themes recolours it. Normal makes the widget
// inherit its whole palette again. Any later call replaces the earlier tone.
void setTone(QWidget *widget, Tone tone);
// Gives `label` the style's font and the tone's colour (see setTone).
void apply(QLabel *label, TextStyle style, Tone tone = Tone::normal);

// The first of `themeNames` the desktop theme has, else the bundled
// `resource` (":/icons/..."). Theme names should be symbolic (monochrome)
// icons, since the result is meant to be tinted.
QIcon themedIcon(const QStringList &themeNames, const QString &resource);

// `icon` drawn at `size` logical pixels for `devicePixelRatio`, every
// opaque pixel recoloured to `color` (alpha kept).
QPixmap tinted(const QIcon &icon, int size, const QColor &color, qreal devicePixelRatio);

// An icon whose normal and disabled forms are `icon` tinted with the
// palette's button text colour, at the usual tool button sizes.
QIcon toolIcon(const QIcon &icon, const QPalette &palette, qreal devicePixelRatio);

} // namespace Style
