#include "ui/DropOutline.h"
#include "widgets/Style.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

DropOutline::DropOutline(QWidget *parent)
    : QWidget(parent)
{
    Q_ASSERT(parent);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(parent->rect());
    parent->installEventFilter(this);
    hide();
}

QRectF DropOutline::outlineRect(const QSize &size)
{
    return QRectF(QPointF(0, 0), QSizeF(size)).adjusted(inset, inset, -inset, -inset);
}

bool DropOutline::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parent() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
        // Siblings created later would otherwise cover the outline.
        raise();
    }
    return QWidget::eventFilter(watched, event);
}

void DropOutline::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Style::accent(palette()), lineWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(outlineRect(size()), radius, radius);
}
