#include "ui/Timeline.h"

#include "ui/MomentSource.h"
#include "ui/ShotListModel.h"
#include "widgets/Style.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int markHalfWidth = 4;  // how near a click must be to take a mark
constexpr int restMs = 180;       // how long the pointer rests before the exact frame
constexpr int bubbleWidth = 240;  // the preview's picture box, logical pixels:
constexpr int bubbleHeight = 180; // a portrait video's preview is narrower

} // namespace

// The preview floating above the strip: the picture and its time.
class Timeline::Bubble : public QWidget {
public:
    explicit Bubble(QWidget *parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("timelinePreview"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
    }
    void show(const QImage &picture, const QString &text, double aspect)
    {
        m_picture = picture;
        m_text = text;
        const QSize box = QSizeF(bubbleWidth, bubbleWidth / std::max(aspect, 0.1))
                                  .scaled(QSizeF(bubbleWidth, bubbleHeight), Qt::KeepAspectRatio)
                                  .toSize();
        const int textWidth = fontMetrics().horizontalAdvance(text) + 16;
        resize(std::max(box.width(), textWidth) + 8, box.height() + fontMetrics().height() + 14);
        QWidget::show();
        raise();
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(palette().color(QPalette::Mid));
        painter.setBrush(palette().color(QPalette::Window));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
        const QRect area(4, 4, width() - 8, height() - fontMetrics().height() - 14);
        if (!m_picture.isNull()) {
            QSizeF size = QSizeF(m_picture.size()).scaled(QSizeF(area.size()), Qt::KeepAspectRatio);
            const QRectF target(area.x() + (area.width() - size.width()) / 2,
                                area.y() + (area.height() - size.height()) / 2, size.width(), size.height());
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(target, m_picture);
        } else {
            painter.fillRect(area, palette().color(QPalette::Base));
        }
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRect(0, area.bottom() + 4, width(), fontMetrics().height() + 4), Qt::AlignCenter, m_text);
    }

private:
    QImage m_picture;
    QString m_text;
};

Timeline::Timeline(ShotListModel *shots, QWidget *parent)
    : QWidget(parent)
    , m_shots(shots)
    , m_bubble(nullptr)
{
    setObjectName(QStringLiteral("timeline"));
    setAccessibleName(tr("Timeline"));
    setMouseTracking(true);
    // Reached by Tab only: a click on it leaves the focus where it was, so
    // that the viewer stays open while the user clicks along the strip.
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    m_rest.setSingleShot(true);
    m_rest.setInterval(restMs);
    connect(&m_rest, &QTimer::timeout, this, [this] {
        if (m_hovered && m_source)
            m_source->requestExact(*m_hovered, MomentSource::Asker::timeline);
    });
    const auto repaint = [this] { update(); };
    connect(m_shots, &QAbstractItemModel::rowsInserted, this, repaint);
    connect(m_shots, &QAbstractItemModel::rowsRemoved, this, repaint);
    connect(m_shots, &QAbstractItemModel::modelReset, this, repaint);
    connect(m_shots, &QAbstractItemModel::dataChanged, this, repaint);
}

void Timeline::setDuration(double seconds)
{
    m_duration = std::max(0.0, seconds);
    update();
}

void Timeline::setSource(MomentSource *source)
{
    if (m_source == source)
        return;
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    endHover();
    if (!source)
        return;
    connect(source, &MomentSource::previewReady, this, [this](double requested, const Moment &moment) {
        // A preview never replaces the exact frame of the same rest.
        if (!m_hovered || m_previewExact)
            return;
        m_preview = moment.image;
        m_previewTime = *m_hovered;
        (void)requested;
        placeBubble();
    });
    connect(source, &MomentSource::exactReady, this,
            [this](double requested, MomentSource::Asker asker, const Moment &moment) {
        if (asker != MomentSource::Asker::timeline || !m_hovered || requested != *m_hovered)
            return;
        m_preview = moment.image;
        m_previewExact = true;
        m_previewTime = moment.seconds;
        placeBubble();
    });
}

void Timeline::setMoment(std::optional<double> seconds)
{
    if (m_moment == seconds)
        return;
    m_moment = seconds;
    update();
}

QSize Timeline::sizeHint() const
{
    return {400, minimumSizeHint().height()};
}

QSize Timeline::minimumSizeHint() const
{
    return {80, std::max(28, fontMetrics().height() + 12)};
}

QRectF Timeline::track() const
{
    return QRectF(rect()).adjusted(markHalfWidth + 2, 4, -markHalfWidth - 2, -4);
}

double Timeline::timeAt(int x) const
{
    const QRectF t = track();
    if (m_duration <= 0 || t.width() <= 0)
        return 0;
    return std::clamp((x - t.left()) / t.width(), 0.0, 1.0) * m_duration;
}

double Timeline::xOf(double seconds) const
{
    const QRectF t = track();
    return t.left() + (m_duration > 0 ? std::clamp(seconds / m_duration, 0.0, 1.0) : 0.0) * t.width();
}

int Timeline::markAt(int x) const
{
    int best = -1;
    double bestDistance = markHalfWidth + 0.5;
    for (int row = 0; row < m_shots->rowCount(); ++row) {
        const double distance = std::abs(xOf(m_shots->index(row).data(ShotListModel::TimeRole).toDouble()) - x);
        if (distance < bestDistance) {
            best = row;
            bestDistance = distance;
        }
    }
    return best;
}

void Timeline::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF t = track();
    const QPalette &pal = palette();
    const QRectF groove(t.left(), t.center().y() - 2, t.width(), 4);
    painter.setPen(Qt::NoPen);
    painter.setBrush(pal.color(QPalette::Mid));
    painter.drawRoundedRect(groove, 2, 2);
    const QColor accent = Style::accent(pal);
    const QColor grey = pal.color(QPalette::Disabled, QPalette::WindowText);
    // Deselected marks first, so that a selected one beside them stays on top.
    for (const bool selected : {false, true}) {
        for (int row = 0; row < m_shots->rowCount(); ++row) {
            const QModelIndex index = m_shots->index(row);
            if (index.data(ShotListModel::SelectedRole).toBool() != selected)
                continue;
            const double x = xOf(index.data(ShotListModel::TimeRole).toDouble());
            const QRectF mark = selected ? QRectF(x - 1.5, t.top(), 3, t.height())
                                         : QRectF(x - 1, t.center().y() - t.height() / 4, 2, t.height() / 2);
            painter.fillRect(mark, selected ? accent : grey);
        }
    }
    const auto line = [&](double seconds, const QColor &color) {
        const double x = xOf(seconds);
        painter.setPen(QPen(color, 2));
        painter.drawLine(QPointF(x, rect().top() + 1), QPointF(x, rect().bottom() - 1));
    };
    if (m_moment)
        line(*m_moment, pal.color(QPalette::WindowText));
    if (m_hovered && m_source)
        line(*m_hovered, pal.color(QPalette::Highlight));
    if (hasFocus()) {
        painter.setPen(QPen(pal.color(QPalette::Highlight), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    }
}

void Timeline::hover(int x)
{
    hoverAt(timeAt(x));
}

void Timeline::hoverAt(double seconds)
{
    if (!m_source || m_duration <= 0)
        return;
    m_hovered = std::clamp(seconds, 0.0, m_duration);
    m_previewExact = false;
    m_source->requestPreview(*m_hovered);
    m_rest.start();
    placeBubble();
    update();
}

void Timeline::endHover()
{
    m_rest.stop();
    m_hovered.reset();
    m_preview = QImage();
    m_previewExact = false;
    if (m_bubble)
        m_bubble->hide();
    update();
}

void Timeline::placeBubble()
{
    if (!m_hovered)
        return;
    QWidget *host = window();
    if (!m_bubble || m_bubble->parentWidget() != host) {
        delete m_bubble;
        m_bubble = new Bubble(host);
    }
    const double aspect = m_shots->aspect();
    const double shownTime = m_previewExact ? m_previewTime : *m_hovered;
    m_bubble->show(m_preview, m_shots->preciseTime(shownTime), aspect);
    const QPoint anchor = mapTo(host, QPoint(int(xOf(*m_hovered)), 0));
    const int left = std::clamp(anchor.x() - m_bubble->width() / 2, 4, std::max(4, host->width() - m_bubble->width() - 4));
    m_bubble->move(left, std::max(0, anchor.y() - m_bubble->height() - 6));
}

void Timeline::mouseMoveEvent(QMouseEvent *event)
{
    hover(int(event->position().x()));
}

void Timeline::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    m_dragging = true;
    hover(int(event->position().x()));
}

void Timeline::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_dragging)
        return QWidget::mouseReleaseEvent(event);
    m_dragging = false;
    const int x = int(event->position().x());
    const int mark = markAt(x);
    if (mark >= 0) {
        endHover();
        emit shotClicked(mark);
    } else if (m_source && m_duration > 0) {
        const double seconds = timeAt(x);
        const QImage preview = m_preview;
        endHover();
        m_preview = preview;  // what the viewer shows until its exact frame arrives
        emit momentClicked(seconds);
        m_preview = QImage();
    }
}

bool Timeline::event(QEvent *event)
{
    // Escape first closes the preview the keys opened, before the window's
    // "Back" sees it.
    if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape
        && m_hovered) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void Timeline::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && m_hovered) {
        endHover();
        return;
    }
    const double at = m_hovered.value_or(m_moment.value_or(0));
    const double step = event->modifiers() & Qt::ShiftModifier ? 10 : 1;
    switch (event->key()) {
    case Qt::Key_Left:
        hoverAt(at - step);
        return;
    case Qt::Key_Right:
        hoverAt(at + step);
        return;
    case Qt::Key_Home:
        hoverAt(0);
        return;
    case Qt::Key_End:
        hoverAt(m_duration);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (m_hovered && m_source) {
            const double seconds = *m_hovered;
            const QImage preview = m_preview;
            endHover();
            m_preview = preview;
            emit momentClicked(seconds);
            m_preview = QImage();
        }
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void Timeline::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    if (!underMouse())
        endHover();
}

void Timeline::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    if (!m_dragging && !hasFocus())
        endHover();
}
