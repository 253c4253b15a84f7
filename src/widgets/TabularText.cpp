#include "widgets/TabularText.h"

#include "text/TabularDigits.h"

#include <QAccessible>
#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>

#include <cmath>

namespace TabularText {

qreal width(const QFontMetricsF &metrics, const QString &text)
{
    return TabularDigits::width(metrics, text);
}

void draw(QPainter &painter, const QPointF &origin, const QString &text)
{
    TabularDigits::draw(painter, QFontMetricsF(painter.font()), origin, text);
}

} // namespace TabularText

TabularLabel::TabularLabel(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
}

void TabularLabel::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    updateGeometry();
    update();    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void TabularLabel::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment & Qt::AlignHorizontal_Mask;
    update();
}

QSize TabularLabel::sizeHint() const
{
    const QFontMetricsF metrics(font());
    return QSize(int(std::ceil(TabularText::width(metrics, m_text))), int(std::ceil(metrics.height())));
}

void TabularLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const QFontMetricsF metrics(font());
    const qreal baseline = (height() - metrics.height()) / 2 + metrics.ascent();
    const qreal spare = width() - TabularText::width(metrics, m_text);
    const Qt::Alignment horizontal = QStyle::visualAlignment(layoutDirection(), m_alignment);
    const qreal left = horizontal & Qt::AlignRight ? spare : horizontal & Qt::AlignHCenter ? spare / 2 : 0;
    TabularText::draw(painter, QPointF(left, baseline), m_text);
}
