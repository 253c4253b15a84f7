#include "ui/ShotGrid.h"

#include "ui/ShotListModel.h"

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QUrl>

#include <algorithm>
#include <cmath>

ShotGrid::ShotGrid(QWidget *parent)
    : QAbstractItemView(parent)
{
    setSelectionMode(NoSelection);
    setEditTriggers(NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Always shown: a scroll bar that comes and goes would change the width,
    // the column count and so the height again, and the grid would flicker.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollMode(ScrollPerPixel);
    setMouseTracking(false);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
}

void ShotGrid::setCellAspect(double aspect)
{
    if (!(aspect > 0) || aspect == m_aspect)
        return;
    m_aspect = aspect;
    relayout();
}

double ShotGrid::cellHeight() const
{
    return m_columns.width / m_aspect;
}

std::pair<int, int> ShotGrid::rowsInView() const
{
    const int count = model() ? model()->rowCount(rootIndex()) : 0;
    const double pitch = cellHeight() + GridGeometry::spacing;
    if (count == 0 || !(pitch > 0))
        return {0, -1};
    const double top = verticalOffset() - GridGeometry::inset;
    const double bottom = top + viewport()->height();
    const int firstLine = std::max(0, int(std::floor(top / pitch)));
    const int lastLine = std::max(0, int(std::floor(bottom / pitch)));
    return {std::min(count - 1, firstLine * m_columns.count),
            std::min(count - 1, (lastLine + 1) * m_columns.count - 1)};
}

void ShotGrid::relayout()
{
    m_columns = GridGeometry::columns(viewport()->width() - 2 * GridGeometry::inset);
    updateGeometries();
    viewport()->update();
}

QRectF ShotGrid::contentRect(int row) const
{
    return GridGeometry::cellRect(row, m_columns, cellHeight());
}

QRect ShotGrid::visualRect(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != model())
        return {};
    const QRectF cell = contentRect(index.row()).translated(0, -verticalOffset());
    // Edges rounded independently so neighbouring cells keep equal gaps.
    const int left = int(std::round(cell.left()));
    const int top = int(std::round(cell.top()));
    const int right = int(std::round(cell.right()));
    const int bottom = int(std::round(cell.bottom()));
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

QModelIndex ShotGrid::indexAt(const QPoint &point) const
{
    if (!model())
        return {};
    const double x = point.x() - GridGeometry::inset;
    const double y = point.y() + verticalOffset() - GridGeometry::inset;
    if (x < 0 || y < 0)
        return {};
    const double pitchX = m_columns.width + GridGeometry::spacing;
    const double pitchY = cellHeight() + GridGeometry::spacing;
    if (pitchX <= 0 || pitchY <= 0)
        return {};
    const int column = int(x / pitchX);
    const int row = int(y / pitchY);
    if (column >= m_columns.count)
        return {};
    const int at = row * m_columns.count + column;
    if (at >= model()->rowCount(rootIndex()))
        return {};
    const QModelIndex index = model()->index(at, 0, rootIndex());
    return visualRect(index).contains(point) ? index : QModelIndex();
}

void ShotGrid::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    if (!index.isValid())
        return;
    const QRectF cell = contentRect(index.row());
    const int height = viewport()->height();
    QScrollBar *bar = verticalScrollBar();
    const int top = int(std::floor(cell.top() - GridGeometry::spacing));
    const int bottom = int(std::ceil(cell.bottom() + GridGeometry::spacing));
    switch (hint) {
    case PositionAtTop:
        bar->setValue(top);
        break;
    case PositionAtBottom:
        bar->setValue(bottom - height);
        break;
    case PositionAtCenter:
        bar->setValue(int(cell.center().y()) - height / 2);
        break;
    case EnsureVisible:
        if (top < bar->value())
            bar->setValue(top);
        else if (bottom > bar->value() + height)
            bar->setValue(bottom - height);
        break;
    }
}

QModelIndex ShotGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    if (!model())
        return {};
    const int count = model()->rowCount(rootIndex());
    if (count == 0)
        return {};
    const int current = currentIndex().isValid() ? currentIndex().row() : -1;
    if (current < 0)
        return model()->index(0, 0, rootIndex());
    const int perPage = std::max(1, int(viewport()->height() / (cellHeight() + GridGeometry::spacing)))
        * m_columns.count;
    int next = current;
    switch (cursorAction) {
    case MoveLeft:
    case MovePrevious:
        next = current - 1;
        break;
    case MoveRight:
    case MoveNext:
        next = current + 1;
        break;
    case MoveUp:
        next = current - m_columns.count;
        break;
    case MoveDown:
        next = current + m_columns.count;
        break;
    case MovePageUp:
        next = current - perPage;
        break;
    case MovePageDown:
        next = current + perPage;
        break;
    case MoveHome:
        next = 0;
        break;
    case MoveEnd:
        next = count - 1;
        break;
    }
    return model()->index(std::clamp(next, 0, count - 1), 0, rootIndex());
}

int ShotGrid::verticalOffset() const
{
    return verticalScrollBar()->value();
}

void ShotGrid::updateGeometries()
{
    const int count = model() ? model()->rowCount(rootIndex()) : 0;
    const double content = GridGeometry::contentHeight(count, m_columns, cellHeight());
    const int height = viewport()->height();
    QScrollBar *bar = verticalScrollBar();
    bar->setRange(0, std::max(0, int(std::ceil(content)) - height));
    bar->setPageStep(height);
    bar->setSingleStep(std::max(1, int((cellHeight() + GridGeometry::spacing) / 3)));
    QAbstractItemView::updateGeometries();
}

void ShotGrid::rowsInserted(const QModelIndex &parent, int start, int end)
{
    QAbstractItemView::rowsInserted(parent, start, end);
    updateGeometries();
    viewport()->update();
    if (QAccessible::isActive()) {
        for (int row = start; row <= end; ++row) {
            QAccessibleEvent event(this, QAccessible::ObjectCreated);
            event.setChild(row);
            QAccessible::updateAccessibility(&event);
        }
    }
}

void ShotGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QAbstractItemView::currentChanged(current, previous);
    if (QAccessible::isActive() && current.isValid() && hasFocus()) {
        QAccessibleEvent event(this, QAccessible::Focus);
        event.setChild(current.row());
        QAccessible::updateAccessibility(&event);
    }
}

void ShotGrid::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles)
{
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
    if (!QAccessible::isActive() || !(roles.isEmpty() || roles.contains(ShotListModel::SelectedRole)))
        return;
    QAccessible::State changed;
    changed.selected = true;
    // The model announces a selection change for every row; a reader needs
    // to hear of the rows it can see, not of thousands scrolled away.
    const auto [firstInView, lastInView] = rowsInView();
    for (int row = std::max(topLeft.row(), firstInView); row <= std::min(bottomRight.row(), lastInView); ++row) {
        QAccessibleStateChangeEvent event(this, changed);
        event.setChild(row);
        QAccessible::updateAccessibility(&event);
        QAccessibleEvent named(this, QAccessible::NameChanged);
        named.setChild(row);
        QAccessible::updateAccessibility(&named);
    }
}

void ShotGrid::toggleCell(const QModelIndex &index)
{
    if (index.isValid() && index.model() == model())
        emit cellClicked(index);
}

void ShotGrid::rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end)
{
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
    m_pressed = QPersistentModelIndex();
    // Laid out again once the rows are gone.
    QMetaObject::invokeMethod(this, [this] { updateGeometries(); viewport()->update(); },
                              Qt::QueuedConnection);
}

void ShotGrid::reset()
{
    QAbstractItemView::reset();
    m_pressed = QPersistentModelIndex();
    verticalScrollBar()->setValue(0);
    updateGeometries();
    viewport()->update();
}

void ShotGrid::paintEvent(QPaintEvent *event)
{
    if (!model() || !itemDelegate())
        return;
    const int count = model()->rowCount(rootIndex());
    if (count == 0 || m_columns.width <= 0)
        return;
    QPainter painter(viewport());
    const QRect dirty = event->rect();
    const double pitchY = cellHeight() + GridGeometry::spacing;
    const double top = dirty.top() + verticalOffset() - GridGeometry::inset;
    const double bottom = dirty.bottom() + 1 + verticalOffset() - GridGeometry::inset;
    const int firstRow = std::max(0, int(std::floor(top / pitchY)));
    const int lastRow = std::max(0, int(std::floor(bottom / pitchY)));
    const int first = std::min(count, firstRow * m_columns.count);
    const int last = std::min(count, (lastRow + 1) * m_columns.count);

    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QModelIndex current = currentIndex();
    const bool focused = hasFocus();
    for (int row = first; row < last; ++row) {
        const QModelIndex index = model()->index(row, 0, rootIndex());
        option.rect = visualRect(index);
        if (!option.rect.intersects(dirty))
            continue;
        option.state &= ~QStyle::State_HasFocus;
        if (focused && index == current)
            option.state |= QStyle::State_HasFocus;
        itemDelegate()->paint(&painter, option, index);
    }
}

void ShotGrid::resizeEvent(QResizeEvent *event)
{
    QAbstractItemView::resizeEvent(event);
    // Keep the cell at the top of the view in view across a change of columns.
    const QModelIndex anchor = indexAt(QPoint(int(GridGeometry::inset) + 1, int(GridGeometry::inset) + 1));
    relayout();
    if (anchor.isValid() && verticalOffset() > 0)
        scrollTo(anchor, PositionAtTop);
}

void ShotGrid::scrollContentsBy(int dx, int dy)
{
    viewport()->scroll(dx, dy);
}

void ShotGrid::mousePressEvent(QMouseEvent *event)
{
    m_dragged = false;
    m_pressed = QPersistentModelIndex();
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const QModelIndex index = indexAt(event->position().toPoint());
    m_pressed = index;
    m_pressPos = event->position().toPoint();
    if (index.isValid())
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

void ShotGrid::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressed.isValid() || m_dragged || !(event->buttons() & Qt::LeftButton))
        return;
    if ((event->position().toPoint() - m_pressPos).manhattanLength() < QApplication::startDragDistance())
        return;
    m_dragged = true;
    startFileDrag(m_pressed);
}

void ShotGrid::mouseReleaseEvent(QMouseEvent *event)
{
    const QPersistentModelIndex pressed = m_pressed;
    const bool dragged = m_dragged;
    m_pressed = QPersistentModelIndex();
    m_dragged = false;
    if (event->button() != Qt::LeftButton || dragged || !pressed.isValid())
        return;
    if (indexAt(event->position().toPoint()) == pressed)
        emit cellClicked(pressed);
}

void ShotGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The first click already toggled the cell; the second opens it, and
    // its release (after a second press or not) clicks nothing.
    m_pressed = QPersistentModelIndex();
    m_dragged = false;
    if (event->button() != Qt::LeftButton)
        return;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid())
        emit openRequested(index, true);
}

std::optional<ShotStep> ShotGrid::stepFor(int key, Qt::KeyboardModifiers modifiers)
{
    const bool shift = modifiers & Qt::ShiftModifier;
    if (modifiers & ~(Qt::ShiftModifier | Qt::KeypadModifier))
        return std::nullopt;
    switch (key) {
    case Qt::Key_Comma:
        return shift ? ShotStep::secondEarlier : ShotStep::previousFrame;
    case Qt::Key_Period:
        return shift ? ShotStep::secondLater : ShotStep::nextFrame;
    // What Shift makes of the two keys on US and German layouts.
    case Qt::Key_Less:
    case Qt::Key_Semicolon:
        return shift ? std::optional(ShotStep::secondEarlier) : std::nullopt;
    case Qt::Key_Greater:
    case Qt::Key_Colon:
        return shift ? std::optional(ShotStep::secondLater) : std::nullopt;
    default:
        return std::nullopt;
    }
}

void ShotGrid::keyPressEvent(QKeyEvent *event)
{
    if (const std::optional<ShotStep> step = stepFor(event->key(), event->modifiers())) {
        const QPoint pointer = viewport()->mapFromGlobal(QCursor::pos());
        const QModelIndex hovered = viewport()->rect().contains(pointer) ? indexAt(pointer) : QModelIndex();
        const QModelIndex target = hovered.isValid() ? hovered : currentIndex();
        if (target.isValid()) {
            emit stepRequested(target, *step);
            return;
        }
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentIndex().isValid()) {
        emit openRequested(currentIndex(), false);
        return;
    }
    if (event->key() == Qt::Key_Space && currentIndex().isValid() && event->modifiers() == Qt::NoModifier) {
        emit cellClicked(currentIndex());
        return;
    }
    QAbstractItemView::keyPressEvent(event);
}

void ShotGrid::contextMenuEvent(QContextMenuEvent *event)
{
    const QModelIndex index = event->reason() == QContextMenuEvent::Mouse
        ? indexAt(event->pos())
        : currentIndex();
    if (!index.isValid())
        return;
    emit cellMenuRequested(index, event->globalPos());
}

void ShotGrid::startFileDrag(const QModelIndex &index)
{
    const QString file = index.data(ShotListModel::FileRole).toString();
    auto *mime = new QMimeData;
    if (!file.isEmpty())
        mime->setUrls({QUrl::fromLocalFile(file)});
    auto *drag = new QDrag(this);
    drag->setMimeData(mime);
    // The cell as it looks now, small, as the drag image.
    const QRect cell = visualRect(index);
    const QPixmap grabbed = viewport()->grab(cell);
    if (!grabbed.isNull()) {
        const int width = std::min(160, cell.width());
        const qreal ratio = grabbed.devicePixelRatio();
        QPixmap pixmap = grabbed.scaledToWidth(int(width * ratio), Qt::SmoothTransformation);
        pixmap.setDevicePixelRatio(ratio);
        drag->setPixmap(pixmap);
        drag->setHotSpot(QPoint(width / 2, int(width / m_aspect / 2)));
    }
    drag->exec(Qt::CopyAction);
}
