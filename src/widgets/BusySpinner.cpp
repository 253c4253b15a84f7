#include "widgets/BusySpinner.h"

#include "widgets/Style.h"

#include <QPainter>

#include <algorithm>

BusySpinner::BusySpinner(QWidget *parent, std::chrono::milliseconds frameInterval)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_timer.setInterval(frameInterval);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        // One turn a second, whatever the frame interval.
        m_angle = (m_angle + std::max(1, int(360 * m_timer.interval() / 1000))) % 360;
        update();
    });
}

void BusySpinner::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height());
    const qreal pen = std::max<qreal>(2.5, side / 10);
    QRectF ring(0, 0, side - pen, side - pen);
    ring.moveCenter(QRectF(rect()).center());
    QColor track = Style::secondaryText(palette());
    track.setAlphaF(track.alphaF() * 0.25f);
    painter.setPen(QPen(track, pen));
    painter.drawEllipse(ring);
    painter.setPen(QPen(Style::secondaryText(palette()), pen, Qt::SolidLine, Qt::RoundCap));
    // Qt angles are in 1/16 degree, counter-clockwise; the arc turns clockwise.
    painter.drawArc(ring, -m_angle * 16, 100 * 16);
}

void BusySpinner::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_timer.start();
}

void BusySpinner::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_timer.stop();
}
