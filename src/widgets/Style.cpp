#include "widgets/Style.h"

#include <QApplication>
#include <QEvent>
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

namespace {

// Re-derives a widget's toned text colour from its parent's palette each
// time the widget's palette changes (a theme switch reaches every widget
// as a palette change) or it moves to another parent. The new colour is
// derived once control returns to the event loop: a theme switch reaches
// widgets in no particular order, and the parent may not have its new
// palette yet.
class ToneKeeper : public QObject {
public:
    ToneKeeper(QWidget *widget, Tone tone)
        : QObject(widget)
        , m_widget(widget)
        , m_tone(tone)
    {
        setObjectName(QStringLiteral("toneKeeper"));
        widget->installEventFilter(this);
        refresh();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_widget && !m_pending
            && (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange
                || event->type() == QEvent::ParentChange || event->type() == QEvent::ThemeChange)) {
            m_pending = true;
            QMetaObject::invokeMethod(this, [this] {
                m_pending = false;
                refresh();
            }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void refresh()
    {
        const QPalette base = m_widget->parentWidget() ? m_widget->parentWidget()->palette()
                                                       : QApplication::palette(m_widget);
        const QColor wanted = m_tone == Tone::secondary ? secondaryText(base) : tertiaryText(base);
        QPalette palette = m_widget->palette();
        // Setting the palette sends another palette change; this ends it.
        if (palette.color(QPalette::WindowText) == wanted)
            return;
        palette.setColor(QPalette::WindowText, wanted);
        m_widget->setPalette(palette);
    }

    QWidget *m_widget;
    const Tone m_tone;
    bool m_pending = false;
};

} // namespace

void setTone(QWidget *widget, Tone tone)
{
    delete widget->findChild<ToneKeeper *>(QStringLiteral("toneKeeper"), Qt::FindDirectChildrenOnly);
    if (tone != Tone::normal) {
        new ToneKeeper(widget, tone);
        return;
    }
    // Inherit the whole palette again instead of keeping today's colours.
    widget->setPalette(QPalette());
}

void apply(QLabel *label, TextStyle style, Tone tone)
{
    label->setFont(font(label->font(), style));
    if (tone != Tone::normal)
        setTone(label, tone);
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
