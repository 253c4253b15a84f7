#include "ui/ShotViewer.h"

#include "ui/MomentSource.h"
#include "ui/ShotGrid.h"
#include "ui/ShotListModel.h"

#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QResizeEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <QtConcurrent>

ShotViewer::ShotViewer(ShotListModel *shots, QWidget *parent)
    : QWidget(parent)
    , m_shots(shots)
    , m_time(new QLabel)
    , m_place(new QLabel)
    , m_selection(new QLabel)
{
    setObjectName(QStringLiteral("shotViewer"));
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    setAccessibleName(tr("Shot Viewer"));
    m_time->setObjectName(QStringLiteral("viewerTime"));
    m_place->setObjectName(QStringLiteral("viewerPlace"));
    m_selection->setObjectName(QStringLiteral("viewerSelection"));
    for (QLabel *label : {m_time, m_place, m_selection})
        label->setTextInteractionFlags(Qt::NoTextInteraction);
    auto *bar = new QHBoxLayout;
    bar->addWidget(m_place);
    bar->addStretch(1);
    bar->addWidget(m_time);
    bar->addStretch(1);
    bar->addWidget(m_selection);
    auto *column = new QVBoxLayout(this);
    column->addStretch(1);
    column->addLayout(bar);

    connect(&m_rescaling, &QFutureWatcher<QImage>::finished, this, [this] {
        const QImage scaled = m_rescaling.result();
        if (m_rescaleFor.first == m_picture.cacheKey() && scaled.size() == fittedSize(m_picture.size()))
            m_scaled = scaled;
        update();  // also when outdated: the next paint asks again
    });
    connect(&m_loading, &QFutureWatcher<Loaded>::finished, this, [this] {
        if (m_loading.isCanceled() || !m_row.isValid())
            return;  // a moment replaced the shot meanwhile
        m_picture = m_loading.result();
        m_scaled = m_picture;
        update();
        prefetch();
    });
    connect(m_shots, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex &from, const QModelIndex &to) {
        if (m_row.isValid() && m_row.row() >= from.row() && m_row.row() <= to.row()) {
            load();  // a step gives the shot new files
            refreshTexts();
        }
    });
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(m_shots, signal, this, &ShotViewer::refreshTexts);
    // The shot shown is taken out (an added shot undone): its frame stays on
    // screen as a moment, which can be added again.
    connect(m_shots, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this](const QModelIndex &, int first, int last) {
        if (!isVisible() || !m_row.isValid() || m_row.row() < first || m_row.row() > last)
            return;
        const double time = m_row.data(ShotListModel::TimeRole).toDouble();
        const QImage picture = m_picture;
        QMetaObject::invokeMethod(this, [this, time, picture] {
            if (m_source)
                openMoment(time, picture);
            else
                emit closeRequested(-1);
        }, Qt::QueuedConnection);
    });
    connect(m_shots, &QAbstractItemModel::modelReset, this, [this] { emit closeRequested(-1); });
}

void ShotViewer::setSource(MomentSource *source, double fps, double duration)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    m_fps = fps;
    m_duration = duration;
    if (!source) {
        if (m_momentAsked)
            emit closeRequested(-1);
        return;
    }
    connect(source, &MomentSource::exactFailed, this, [this](double requested, MomentSource::Asker asker) {
        if (asker != MomentSource::Asker::viewer || !m_momentAsked || requested != *m_momentAsked)
            return;
        // Back to the last frame that did decode, if any; nothing to add otherwise.
        m_momentAsked = m_momentShown;
        m_time->setText(tr("This frame cannot be decoded"));
    });
    connect(source, &MomentSource::exactReady, this,
            [this](double requested, MomentSource::Asker asker, const Moment &moment) {
        if (asker != MomentSource::Asker::viewer || !m_momentAsked || requested != *m_momentAsked)
            return;
        m_picture = moment.image;
        m_scaled = QImage();
        m_momentShown = moment.seconds;
        refreshTexts();
        emit shownChanged();
    });
}

void ShotViewer::openMoment(double seconds, const QImage &meanwhile)
{
    if (!m_source)
        return;
    m_row = QPersistentModelIndex();
    m_file.clear();
    m_picture = meanwhile;
    m_scaled = QImage();
    m_momentAsked = seconds;
    m_momentShown.reset();
    m_source->requestExact(seconds, MomentSource::Asker::viewer);
    refreshTexts();
    emit shownChanged();
    show();
    raise();
    setFocus(Qt::OtherFocusReason);
}

void ShotViewer::showShot(qint64 id)
{
    for (int row = 0; row < m_shots->rowCount(); ++row) {
        if (m_shots->index(row).data(ShotListModel::IdRole).toLongLong() == id) {
            showRow(row);
            return;
        }
    }
}

std::optional<double> ShotViewer::momentFrame() const
{
    return m_row.isValid() ? std::nullopt : m_momentShown;
}

std::optional<double> ShotViewer::shownTime() const
{
    if (!isVisible())
        return std::nullopt;
    if (m_row.isValid())
        return m_row.data(ShotListModel::TimeRole).toDouble();
    return m_momentShown ? m_momentShown : m_momentAsked;
}

void ShotViewer::moveMoment(ShotStep step)
{
    if (!m_source || !m_momentShown)
        return;
    if (const std::optional<double> target = Stepping::target(*m_momentShown, step, m_fps, m_duration)) {
        m_momentAsked = *target;
        m_source->requestExact(*target, MomentSource::Asker::viewer);
    }
}

int ShotViewer::rowBeside(int direction) const
{
    const std::optional<double> at = m_momentShown ? m_momentShown : m_momentAsked;
    if (!at)
        return -1;
    int found = -1;
    for (int row = 0; row < m_shots->rowCount(); ++row) {
        const double time = m_shots->index(row).data(ShotListModel::TimeRole).toDouble();
        if (direction < 0 && time < *at && (found < 0 || time >= m_shots->index(found).data(ShotListModel::TimeRole).toDouble()))
            found = row;
        if (direction > 0 && time > *at && (found < 0 || time < m_shots->index(found).data(ShotListModel::TimeRole).toDouble()))
            found = row;
    }
    return found;
}

void ShotViewer::open(int row)
{
    // Shown first, so that the picture is decoded for the size it gets.
    show();
    showRow(row);
    raise();
    setFocus(Qt::OtherFocusReason);
}

void ShotViewer::showRow(int row)
{
    if (row < 0 || row >= m_shots->rowCount())
        return;
    m_row = m_shots->index(row);
    m_momentAsked.reset();
    m_momentShown.reset();
    load();
    refreshTexts();
    emit shownChanged();
}

void ShotViewer::load()
{
    const QString file = m_row.isValid() ? m_row.data(ShotListModel::FileRole).toString() : QString();
    if (file == m_file && !m_picture.isNull())
        return;
    m_file = file;
    m_picture = QImage();
    m_scaled = QImage();
    update();
    QFuture<Loaded> loading;
    for (const auto &[ahead, future] : std::as_const(m_ahead)) {
        if (ahead == file && !future.isCanceled())
            loading = future;
    }
    if (!loading.isValid()) {
        loading = decode(file);
        m_ahead.append({file, loading});
    }
    m_loading.setFuture(loading);
}

QFuture<ShotViewer::Loaded> ShotViewer::decode(const QString &file) const
{
    // The size is taken now, on the UI thread; a 4K picture takes longer
    // than a frame to decode and to scale.
    const QSize space = fittedSize(QImageReader(file).size());
    return QtConcurrent::run([file, space] {
        QImageReader reader(file);
        reader.setAutoTransform(true);
        // Never enlarged: a small file stays as sharp as it is.
        if (space.isValid() && space.width() < reader.size().width())
            reader.setScaledSize(space);
        return reader.read();
    });
}

void ShotViewer::prefetch()
{
    if (!m_row.isValid())
        return;
    QList<std::pair<QString, QFuture<Loaded>>> ahead;
    for (const int row : {m_row.row(), m_row.row() + 1, m_row.row() - 1}) {
        if (row < 0 || row >= m_shots->rowCount())
            continue;
        const QString file = m_shots->index(row).data(ShotListModel::FileRole).toString();
        QFuture<Loaded> future;
        for (const auto &[kept, keptFuture] : std::as_const(m_ahead)) {
            if (kept == file && !keptFuture.isCanceled())
                future = keptFuture;
        }
        ahead.append({file, future.isValid() ? future : decode(file)});
    }
    m_ahead = ahead;
}

QString ShotViewer::timeText() const
{
    const std::optional<double> time = m_row.isValid() ? std::optional(m_row.data(ShotListModel::TimeRole).toDouble())
                                                       : m_momentShown;
    return time ? m_shots->preciseTime(*time) : QString();
}

QString ShotViewer::placeText() const
{
    if (m_row.isValid())
        return tr("Shot %1 of %2").arg(m_row.row() + 1).arg(m_shots->rowCount());
    return m_momentAsked ? tr("Not a Shot") : QString();
}

QString ShotViewer::selectionText() const
{
    if (!m_row.isValid())
        return m_momentShown ? tr("Press A to add it as a shot") : QString();
    return m_row.data(ShotListModel::SelectedRole).toBool() ? tr("✓ Selected") : tr("Not Selected");
}

void ShotViewer::refreshTexts()
{
    m_time->setText(timeText());
    m_place->setText(placeText());
    m_selection->setText(selectionText());
    update();
}

bool ShotViewer::event(QEvent *event)
{
    // Escape and Enter are the viewer's own while it has the focus, ahead of
    // the window's shortcuts (Escape is "Back" there).
    if (event->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void ShotViewer::keyPressEvent(QKeyEvent *event)
{
    const int row = this->row();
    if (row < 0 && m_momentAsked) {
        if (const std::optional<ShotStep> step = ShotGrid::stepFor(event->key(), event->modifiers())) {
            moveMoment(*step);
            return;
        }
        switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_PageUp:
        case Qt::Key_Right:
        case Qt::Key_PageDown:
            if (const int beside = rowBeside(event->key() == Qt::Key_Left || event->key() == Qt::Key_PageUp ? -1 : 1);
                beside >= 0)
                showRow(beside);
            return;
        case Qt::Key_A:
            if (m_momentShown)
                emit addRequested();
            return;
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit closeRequested(std::max(rowBeside(-1), 0));
            return;
        default:
            QWidget::keyPressEvent(event);
            return;
        }
    }
    if (row < 0) {
        emit closeRequested(-1);
        return;
    }
    if (const std::optional<ShotStep> step = ShotGrid::stepFor(event->key(), event->modifiers())) {
        emit stepRequested(row, *step);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_PageUp:
        showRow(row - 1);
        return;
    case Qt::Key_Right:
    case Qt::Key_PageDown:
        showRow(row + 1);
        return;
    case Qt::Key_Space:
        emit toggleRequested(row);
        return;
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit closeRequested(row);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void ShotViewer::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    // The user moved on (Tab, a click elsewhere): the viewer closes rather
    // than stay on screen while its keys reach the grid beneath it. A menu
    // or another window taking the focus for a moment leaves it open.
    const Qt::FocusReason reason = event->reason();
    if (isVisible() && (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason
                        || reason == Qt::MouseFocusReason))
        emit closeRequested(row());
}

void ShotViewer::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // Decoded again for the new size, from the file; meanwhile the painter
    // stretches what it has.
    m_ahead.clear();
    if (isVisible() && m_row.isValid() && !m_file.isEmpty())
        m_loading.setFuture(decode(m_file));
}

QRectF ShotViewer::pictureRect(QSize picture) const
{
    // Fitted into the space above the text row.
    const QRect area = rect().adjusted(12, 12, -12, -12 - m_time->sizeHint().height() - 8);
    const QSizeF size = QSizeF(picture).scaled(QSizeF(area.size()), Qt::KeepAspectRatio);
    return QRectF(area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2,
                  size.width(), size.height());
}

QSize ShotViewer::fittedSize(QSize picture) const
{
    if (picture.isEmpty())
        return {};
    return (pictureRect(picture).size() * devicePixelRatioF()).toSize();
}

void ShotViewer::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    if (m_picture.isNull())
        return;
    // In device pixels, so that it is sharp at 200 % too. Until a copy of
    // the right size is made off the UI thread (after a resize), the
    // painter's own filtering draws it.
    const QRectF target = pictureRect(m_picture.size());
    if (m_scaled.size() == fittedSize(m_picture.size())) {
        painter.drawImage(target, m_scaled);
    } else {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, m_picture);
        rescaleLater();
    }
    if (m_row.isValid() && !m_row.data(ShotListModel::SelectedRole).toBool()) {
        // A deselected shot is dimmed as in the grid.
        painter.fillRect(target, QColor(0, 0, 0, 110));
    }
}

void ShotViewer::rescaleLater()
{
    const QSize size = fittedSize(m_picture.size());
    const std::pair<qint64, QSize> wanted{m_picture.cacheKey(), size};
    if (m_rescaling.isRunning() || wanted == m_rescaleFor || size.isEmpty())
        return;
    m_rescaleFor = wanted;
    m_rescaling.setFuture(QtConcurrent::run([picture = m_picture, size] {
        return picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }));
}
