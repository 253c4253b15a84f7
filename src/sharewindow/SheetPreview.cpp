#include "sharewindow/SheetPreview.h"

#include <QApplication>
#include <QDrag>
#include <QFutureWatcher>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>
#include <vector>

namespace {

// The shadow: black at 25 %, blur radius 10, 4 points down.
constexpr qreal shadowAlpha = 0.25;
constexpr int shadowBlur = 10;
constexpr int shadowDrop = 4;
constexpr int spokes = 12;

// One horizontal, then one vertical box-filter pass over an alpha mask.
// Three rounds of both approximate a Gaussian blur closely enough for a
// shadow, at a cost independent of the radius.
void boxBlur(QImage &mask, int radius)
{
    const int w = mask.width();
    const int h = mask.height();
    const int span = 2 * radius + 1;
    std::vector<int> line(size_t(std::max(w, h)));
    for (int round = 0; round < 3; ++round) {
        for (int y = 0; y < h; ++y) {
            uchar *row = mask.scanLine(y);
            for (int x = 0; x < w; ++x)
                line[size_t(x)] = row[x];
            int sum = 0;
            for (int x = -radius; x <= radius; ++x)
                sum += (x >= 0 && x < w) ? line[size_t(x)] : 0;
            for (int x = 0; x < w; ++x) {
                row[x] = uchar(sum / span);
                const int out = x - radius;
                const int in = x + radius + 1;
                sum += (in < w ? line[size_t(in)] : 0) - (out >= 0 ? line[size_t(out)] : 0);
            }
        }
        for (int x = 0; x < w; ++x) {
            for (int y = 0; y < h; ++y)
                line[size_t(y)] = mask.scanLine(y)[x];
            int sum = 0;
            for (int y = -radius; y <= radius; ++y)
                sum += (y >= 0 && y < h) ? line[size_t(y)] : 0;
            for (int y = 0; y < h; ++y) {
                mask.scanLine(y)[x] = uchar(sum / span);
                const int out = y - radius;
                const int in = y + radius + 1;
                sum += (in < h ? line[size_t(in)] : 0) - (out >= 0 ? line[size_t(out)] : 0);
            }
        }
    }
}

// A blurred black rectangle of `size`, with `pad` pixels of room on every side.
QImage shadowFor(QSize size, int pad)
{
    QImage mask(size + QSize(2 * pad, 2 * pad), QImage::Format_Alpha8);
    mask.fill(0);
    QPainter painter(&mask);
    painter.fillRect(QRect(QPoint(pad, pad), size), QColor(0, 0, 0, int(255 * shadowAlpha)));
    painter.end();
    // Three box passes of radius r spread like a Gaussian of sigma ~ r;
    // the blur radius is read as twice the sigma.
    boxBlur(mask, shadowBlur / 2);
    return mask;
}

} // namespace

SheetPreview::SheetPreview(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAutoFillBackground(true);
    // The neutral grey desktops put behind documents.
    setBackgroundRole(QPalette::Dark);
    m_spin.setInterval(80);
    connect(&m_spin, &QTimer::timeout, this, [this] {
        m_spinStep = (m_spinStep + 1) % spokes;
        update();
    });
    m_spin.start();
}

void SheetPreview::setImage(const QImage &image)
{
    m_image = image;
    ++m_imageGeneration;
    m_scaled = {};
    m_shadow = {};
    if (m_image.isNull()) {
        if (m_message.isEmpty())
            m_spin.start();
        setToolTip({});
    } else {
        m_spin.stop();
        setToolTip(tr("Drag the preview into any app"));
    }
    update();
}

void SheetPreview::setMessage(const QString &message)
{
    m_message = message;
    if (m_message.isEmpty() && m_image.isNull())
        m_spin.start();
    else
        m_spin.stop();
    update();
}

void SheetPreview::setFile(const std::optional<QString> &file)
{
    m_file = file;
}

QRect SheetPreview::imageRect() const
{
    if (m_image.isNull())
        return {};
    const QRect area = rect().adjusted(inset, inset, -inset, -inset);
    if (area.width() <= 0 || area.height() <= 0)
        return {};
    const QSize fitted = m_image.size().scaled(area.size(), Qt::KeepAspectRatio);
    QRect result(QPoint(0, 0), fitted.expandedTo(QSize(1, 1)));
    result.moveCenter(area.center());
    return result;
}

QRect SheetPreview::dragArea() const
{
    const QRect image = imageRect();
    return image.isEmpty() ? QRect() : image.adjusted(-inset, -inset, inset, inset);
}

QMimeData *SheetPreview::dragData(const std::optional<QString> &file)
{
    if (!file)
        return nullptr;
    auto *data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(*file)});
    return data;
}

void SheetPreview::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_image.isNull() && !m_message.isEmpty())
        painter.drawText(rect().adjusted(inset, inset, -inset, -inset),
                         Qt::AlignCenter | Qt::TextWordWrap, m_message);
    else if (m_image.isNull())
        paintSpinner(painter);
    else
        paintImage(painter);
}

void SheetPreview::paintSpinner(QPainter &painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(QRectF(rect()).center());
    const QColor ink = palette().color(QPalette::WindowText);
    QPen pen(ink, 2.5, Qt::SolidLine, Qt::RoundCap);
    for (int i = 0; i < spokes; ++i) {
        // The spoke at the current step is darkest; the others fade behind it.
        const int age = (m_spinStep - i + spokes) % spokes;
        QColor color = ink;
        color.setAlphaF(float(0.85 - 0.6 * age / (spokes - 1)));
        pen.setColor(color);
        painter.setPen(pen);
        painter.save();
        painter.rotate(360.0 * i / spokes);
        painter.drawLine(QPointF(0, -7), QPointF(0, -13));
        painter.restore();
    }
}

QSize SheetPreview::drawnPixels() const
{
    const QRect target = imageRect();
    const qreal ratio = devicePixelRatioF();
    return QSize(qRound(target.width() * ratio), qRound(target.height() * ratio));
}

bool SheetPreview::isSharp() const
{
    return !m_scaled.isNull() && m_scaled.size() == drawnPixels();
}

void SheetPreview::scaleInBackground()
{
    if (m_scaling)
        return;
    m_scaling = true;
    const QSize pixels = drawnPixels();
    auto *watcher = new QFutureWatcher<QImage>(this);
    connect(watcher, &QFutureWatcher<QImage>::finished, this,
            [this, watcher, generation = m_imageGeneration] {
                watcher->deleteLater();
                m_scaling = false;
                if (generation != m_imageGeneration)
                    return update();  // a new image: paint asks for its scaling
                m_scaled = QPixmap::fromImage(watcher->result());
                m_scaled.setDevicePixelRatio(devicePixelRatioF());
                // Resized meanwhile: this one is shown stretched until the
                // scaling for the new size lands.
                update();
            });
    watcher->setFuture(QtConcurrent::run([image = m_image, pixels] {
        return image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }));
}

void SheetPreview::paintImage(QPainter &painter)
{
    const QRect target = imageRect();
    if (target.isEmpty())
        return;
    if (m_shadow.isNull() || m_shadow.size() != target.size() + QSize(4, 4) * shadowBlur)
        m_shadow = shadowFor(target.size(), 2 * shadowBlur);
    painter.drawImage(target.topLeft() - QPoint(2 * shadowBlur, 2 * shadowBlur - shadowDrop),
                      m_shadow);
    if (isSharp()) {
        painter.drawPixmap(target.topLeft(), m_scaled);
        return;
    }
    scaleInBackground();
    // Coarse sampling costs one read per drawn pixel, whatever the sheet's size.
    if (m_scaled.isNull())
        painter.drawImage(target, m_image);
    else
        painter.drawPixmap(target, m_scaled);
}

void SheetPreview::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && dragArea().contains(event->position().toPoint()))
        m_pressAt = event->position().toPoint();
    QWidget::mousePressEvent(event);
}

void SheetPreview::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressAt || !(event->buttons() & Qt::LeftButton))
        return;
    if ((event->position().toPoint() - *m_pressAt).manhattanLength()
        < QApplication::startDragDistance())
        return;
    m_pressAt.reset();
    QMimeData *data = dragData(m_file);
    if (!data)
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    // A small picture of the sheet follows the pointer.
    if (!m_scaled.isNull()) {
        QPixmap icon = m_scaled.scaled(QSize(160, 160) * devicePixelRatioF(), Qt::KeepAspectRatio,
                                       Qt::SmoothTransformation);
        icon.setDevicePixelRatio(devicePixelRatioF());
        drag->setPixmap(icon);
        drag->setHotSpot(QPoint(int(icon.deviceIndependentSize().width() / 2),
                                int(icon.deviceIndependentSize().height() / 2)));
    }
    drag->exec(Qt::CopyAction);
}

void SheetPreview::mouseReleaseEvent(QMouseEvent *event)
{
    m_pressAt.reset();
    QWidget::mouseReleaseEvent(event);
}
