#include "widgets/Style.h"

#include <QLabel>
#include <QPainter>

namespace Style {

namespace {

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(float(color.alphaF() * alpha));
    return color;
}

} // namespace

QColor secondaryText(const QPalette &palette)
{
    return withAlpha(palette.color(QPalette::WindowText), 0.62);
}

QColor tertiaryText(const QPalette &palette)
{
    return withAlpha(palette.color(QPalette::WindowText), 0.42);
}

QColor accent(const QPalette &palette)
{
    return palette.color(QPalette::Active, QPalette::Highlight);
}

QFont font(const QFont &base, TextStyle style)
{
    QFont result = base;
    // Point sizes scale with the user's chosen font rather than being fixed.
    const qreal size = base.pointSizeF() > 0 ? base.pointSizeF() : 10.0;
    switch (style) {
    case TextStyle::title:
        result.setPointSizeF(size * 1.4);
        result.setWeight(QFont::DemiBold);
        break;
    case TextStyle::body:
        break;
    case TextStyle::callout:
        result.setPointSizeF(size * 0.93);
        break;
    case TextStyle::caption:
        result.setPointSizeF(size * 0.85);
        break;
    }
    return result;
}

void apply(QLabel *label, TextStyle style, Tone tone)
{
    label->setFont(font(label->font(), style));
    if (tone == Tone::normal)
        return;
    QPalette palette = label->palette();
    const QColor color = tone == Tone::secondary ? secondaryText(palette) : tertiaryText(palette);
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

QIcon themedIcon(const QStringList &themeNames, const QString &resource)
{
    for (const QString &name : themeNames) {
        if (QIcon::hasThemeIcon(name))
            return QIcon::fromTheme(name);
    }
    return QIcon(resource);
}

QPixmap tinted(const QIcon &icon, int size, const QColor &color, qreal devicePixelRatio)
{
    QPixmap pixmap(QSize(size, size) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    icon.paint(&painter, QRect(0, 0, size, size));
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRect(0, 0, size, size), color);
    return pixmap;
}

QIcon toolIcon(const QIcon &icon, const QPalette &palette, qreal devicePixelRatio)
{
    const QColor normal = palette.color(QPalette::Active, QPalette::ButtonText);
    const QColor disabled = palette.color(QPalette::Disabled, QPalette::ButtonText);
    QIcon result;
    for (const int size : {16, 22, 24, 32}) {
        result.addPixmap(tinted(icon, size, normal, devicePixelRatio), QIcon::Normal);
        result.addPixmap(tinted(icon, size, disabled, devicePixelRatio), QIcon::Disabled);
    }
    return result;
}

} // namespace Style
