#include "widgets/TabularText.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace TabularText {

namespace {

qreal digitWidth(const QFontMetricsF &metrics)
{
    qreal widest = 0;
    for (char16_t c = u'0'; c <= u'9'; ++c)
        widest = std::max(widest, metrics.horizontalAdvance(QChar(c)));
    return widest;
}

} // namespace

qreal width(const QFontMetricsF &metrics, const QString &text)
{
    const qreal cell = digitWidth(metrics);
    qreal total = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text.at(i).isDigit()) {
            total += cell;
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && !text.at(end).isDigit())
            ++end;
        // Measured as drawn: a run at a time.
        total += metrics.horizontalAdvance(text.mid(i, end - i));
        i = end;
    }
    return total;
}

void draw(QPainter &painter, const QPointF &origin, const QString &text)
{
    const QFontMetricsF metrics(painter.font());
    const qreal cell = digitWidth(metrics);
    qreal x = origin.x();
    // Runs of non-digits are drawn whole so kerning and ligatures survive.
    qsizetype i = 0;
    while (i < text.size()) {
        if (text.at(i).isDigit()) {
            const QString digit(text.at(i));
            const qreal advance = metrics.horizontalAdvance(digit);
            painter.drawText(QPointF(x + (cell - advance) / 2, origin.y()), digit);
            x += cell;
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && !text.at(end).isDigit())
            ++end;
        const QString run = text.mid(i, end - i);
        painter.drawText(QPointF(x, origin.y()), run);
        x += metrics.horizontalAdvance(run);
        i = end;
    }
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
    TabularText::draw(painter, QPointF(0, baseline), m_text);
}
