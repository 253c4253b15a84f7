#include "widgets/LinearProgress.h"

#include <QAccessible>
#include <QStyleOptionProgressBar>
#include <QStylePainter>

#include <algorithm>

LinearProgress::LinearProgress(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void LinearProgress::setRange(int minimum, int maximum)
{
    maximum = std::max(minimum, maximum);
    if (minimum == m_minimum && maximum == m_maximum)
        return;
    m_minimum = minimum;
    m_maximum = maximum;
    m_value = std::clamp(m_value, m_minimum, m_maximum);
    update();
}

void LinearProgress::setValue(int value)
{
    value = std::clamp(value, m_minimum, m_maximum);
    if (value == m_value)
        return;
    m_value = value;
    update();
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, m_value);
        QAccessible::updateAccessibility(&event);
    }
}

QSize LinearProgress::sizeHint() const
{
    return {140, std::max(6, fontMetrics().height() / 2)};
}

void LinearProgress::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionProgressBar option;
    option.initFrom(this);
    option.minimum = m_minimum;
    option.maximum = m_maximum;
    option.progress = m_value;
    option.textVisible = false;
    option.state |= QStyle::State_Horizontal;
    painter.drawControl(QStyle::CE_ProgressBar, option);
}
