#include "ui/ThumbnailScheduler.h"

#include "ui/ThumbnailLoader.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

ThumbnailScheduler::ThumbnailScheduler(QAbstractItemView *view, ThumbnailLoader *loader, int role,
                                       RowsInView rowsInView, CoverInView coverInView)
    : QObject(view)
    , m_view(view)
    , m_viewport(view->viewport())
    , m_loader(loader)
    , m_role(role)
    , m_rowsInView(std::move(rowsInView))
    , m_coverInView(std::move(coverInView))
{
    connect(m_view->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &ThumbnailScheduler::scheduleSoon);
    m_viewport->installEventFilter(this);
    QAbstractItemModel *model = m_view->model();
    Q_ASSERT(model);
    connect(model, &QAbstractItemModel::modelReset, this, &ThumbnailScheduler::scheduleSoon);
    connect(model, &QAbstractItemModel::layoutChanged, this, &ThumbnailScheduler::scheduleSoon);
    connect(model, &QAbstractItemModel::rowsInserted, this, &ThumbnailScheduler::scheduleSoon);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &ThumbnailScheduler::scheduleSoon);
    connect(model, &QAbstractItemModel::dataChanged, this, &ThumbnailScheduler::scheduleSoon);
}

QSize ThumbnailScheduler::devicePixels(QSizeF logical, qreal ratio)
{
    if (!(logical.width() > 0) || !(logical.height() > 0))
        return {};
    const qreal k = ratio > 0 ? ratio : 1.0;
    // A product that comes out whole must not round up by its last bit.
    return QSize(int(std::ceil(logical.width() * k - 1e-6)), int(std::ceil(logical.height() * k - 1e-6)));
}

QList<int> ThumbnailScheduler::order(int first, int last, int count)
{
    first = std::max(first, 0);
    last = std::min(last, count - 1);
    QList<int> rows;
    if (first > last)
        return rows;
    const int span = last - first + 1;
    for (int row = first; row <= last; ++row)
        rows << row;
    for (int row = last + 1; row <= std::min(count - 1, last + span); ++row)
        rows << row;
    for (int row = first - 1; row >= std::max(0, first - span); --row)
        rows << row;
    return rows;
}

void ThumbnailScheduler::scheduleSoon()
{
    if (m_pending)
        return;
    m_pending = true;
    QMetaObject::invokeMethod(this, &ThumbnailScheduler::scheduleNow, Qt::QueuedConnection);
}

void ThumbnailScheduler::scheduleNow()
{
    m_pending = false;
    QAbstractItemModel *model = m_view->model();
    if (!model || !m_view->isVisible())
        return;
    const auto [first, last] = m_rowsInView();
    QStringList files;
    for (const int row : order(first, last, model->rowCount(m_view->rootIndex())))
        files << model->index(row, 0, m_view->rootIndex()).data(m_role).toString();
    m_loader->schedule(files, devicePixels(m_coverInView(), m_viewport->devicePixelRatioF()));
}

bool ThumbnailScheduler::eventFilter(QObject *watched, QEvent *event)
{
    // Compared by the pointer kept at construction: events also arrive while
    // the view is being destroyed, when it can no longer be asked.
    if (watched == m_viewport
        && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        scheduleSoon();
    return QObject::eventFilter(watched, event);
}
