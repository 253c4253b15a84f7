#include "ui/VideoList.h"

#include "model/AppModel.h"
#include "ui/ThumbnailLoader.h"
#include "ui/ThumbnailScheduler.h"
#include "ui/VideoListModel.h"
#include "ui/VideoRowDelegate.h"
#include "ui/VideoSelection.h"

#include <QListView>
#include <QMenu>
#include <QShortcut>
#include <QPushButton>
#include <QVBoxLayout>

VideoList::VideoList(AppModel &model, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_loader(new ThumbnailLoader(2, 64, this))
    , m_videos(new VideoListModel(model, this))
    , m_view(new QListView)
    , m_footer(new QWidget)
    , m_exportAll(new QPushButton)
{
    m_view->setObjectName(QStringLiteral("videos"));
    m_view->setAccessibleName(tr("Videos"));
    m_exportAll->setObjectName(QStringLiteral("exportAll"));
    m_view->setModel(m_videos);
    QItemSelectionModel *ownSelection = m_view->selectionModel();
    m_view->setSelectionModel(new VideoSelection(m_videos, m_model, m_view));
    delete ownSelection;
    m_view->setItemDelegate(new VideoRowDelegate(m_loader, m_view));
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_view->setFrameShape(QFrame::NoFrame);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    // Sidebar style: the window's colour rather than a text field's.
    m_view->setBackgroundRole(QPalette::Window);
    m_view->viewport()->setBackgroundRole(QPalette::Window);
    // Delete and Backspace remove the selected video anywhere in the window
    // while the list shows: a click in the list hands the focus to the shots.
    for (const QKeySequence &keys : {QKeySequence(QKeySequence::Delete), QKeySequence(Qt::Key_Backspace)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &VideoList::removeSelected);
    connect(m_loader, &ThumbnailLoader::loaded, m_videos, &VideoListModel::thumbnailLoaded);
    new ThumbnailScheduler(m_view, m_loader, VideoListModel::ThumbFileRole, [view = m_view] {
        const QRect area = view->viewport()->rect();
        const QModelIndex first = view->indexAt(area.topLeft());
        const QModelIndex last = view->indexAt(QPoint(area.left(), area.bottom()));
        const int count = view->model()->rowCount();
        return std::pair(first.isValid() ? first.row() : 0,
                         last.isValid() ? last.row() : count - 1);
    }, [] {
        // Rows draw thumbnails this wide and as tall as their aspect makes
        // them; the square covers both orientations exactly.
        return QSizeF(VideoRowDelegate::thumbWidth, VideoRowDelegate::thumbWidth);
    });

    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, m_view,
            [view = m_view](const QModelIndex &current) { view->scrollTo(current); });
    connect(m_view, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        const QModelIndex index = m_view->indexAt(pos);
        if (std::unique_ptr<QMenu> menu = menuFor(index.row()))
            menu->exec(m_view->viewport()->mapToGlobal(pos));
    });

    auto *footerLayout = new QVBoxLayout(m_footer);
    footerLayout->setContentsMargins(10, 10, 10, 10);
    footerLayout->addWidget(m_exportAll);
    m_exportAll->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_exportAll, &QPushButton::clicked, this, &VideoList::exportAllRequested);
    connect(m_view, &QAbstractItemView::clicked, this, &VideoList::videoClicked);
    connect(&m_model, &AppModel::videosChanged, this, &VideoList::refreshFooter);
    connect(&m_model, &AppModel::canExportAllChanged, this, &VideoList::refreshFooter);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_view, 1);
    column->addWidget(m_footer);

    refreshFooter();
}

VideoList::~VideoList() = default;

std::unique_ptr<QMenu> VideoList::menuFor(int row)
{
    VideoItem *item = m_videos->itemAt(row);
    if (!item)
        return nullptr;
    auto menu = std::make_unique<QMenu>(this);
    const QPointer<VideoItem> target = item;
    connect(menu->addAction(tr("Remove")), &QAction::triggered, this, [this, target] {
        if (target)
            m_model.remove(target.data());
    });
    return menu;
}

void VideoList::removeSelected()
{
    if (VideoItem *item = m_model.selected())
        m_model.remove(item);
}

void VideoList::refreshFooter()
{
    m_exportAll->setText(tr("Export All (%n videos)", nullptr, int(m_model.videos().size())));
    m_exportAll->setEnabled(m_model.canExportAll());
    m_footer->setVisible(m_model.videos().size() >= 2);
}
