#include "ui/VideoListModel.h"

#include "model/AppModel.h"
#include "model/VideoItem.h"
#include "ui/GridGeometry.h"
#include "ui/StatusText.h"

VideoListModel::VideoListModel(AppModel &model, QObject *parent)
    : QAbstractListModel(parent)
    , m_model(model)
{
    for (VideoItem *item : model.videos()) {
        m_rows.append(item);
        watch(item);
    }
    connect(&model, &AppModel::videoInserted, this, &VideoListModel::followInsert);
    connect(&model, &AppModel::videoRemoved, this, &VideoListModel::followRemoval);
    connect(&model, &AppModel::videosReset, this, &VideoListModel::followReset);
}

void VideoListModel::watch(VideoItem *item)
{
    for (auto signal : {&VideoItem::statusChanged, &VideoItem::shotsChanged, &VideoItem::totalChanged,
                        &VideoItem::scanProgressChanged})
        connect(item, signal, this, [this, item] { rowChanged(item); });
}

void VideoListModel::rowChanged(VideoItem *item)
{
    const int row = int(m_rows.indexOf(item));
    if (row < 0)
        return;
    emit dataChanged(index(row), index(row), {StatusRole, ThumbFileRole});
}

void VideoListModel::followInsert(int row)
{
    VideoItem *item = m_model.videos().at(row);
    beginInsertRows(QModelIndex(), row, row);
    m_rows.insert(row, item);
    watch(item);
    endInsertRows();
    emit updated();
}

void VideoListModel::followRemoval(int row)
{
    beginRemoveRows(QModelIndex(), row, row);
    if (m_rows.at(row))
        disconnect(m_rows.at(row), nullptr, this, nullptr);
    m_rows.removeAt(row);
    endRemoveRows();
    emit updated();
}

void VideoListModel::followReset()
{
    beginResetModel();
    for (const QPointer<VideoItem> &item : std::as_const(m_rows)) {
        if (item)
            disconnect(item, nullptr, this, nullptr);
    }
    m_rows.clear();
    for (VideoItem *item : m_model.videos()) {
        m_rows.append(item);
        watch(item);
    }
    endResetModel();
    emit updated();
}

VideoItem *VideoListModel::itemAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).data() : nullptr;
}

int VideoListModel::rowOf(const QUuid &id) const
{
    for (qsizetype row = 0; row < m_rows.size(); ++row) {
        if (m_rows.at(row) && m_rows.at(row)->id() == id)
            return int(row);
    }
    return -1;
}

void VideoListModel::thumbnailLoaded(const QString &thumbFile)
{
    for (qsizetype row = 0; row < m_rows.size(); ++row) {
        const VideoItem *item = m_rows.at(row);
        if (item && !item->shots().isEmpty() && item->shots().first().thumbFile == thumbFile)
            emit dataChanged(index(int(row)), index(int(row)), {ThumbFileRole});
    }
}

int VideoListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant VideoListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const VideoItem *item = m_rows.at(index.row());
    if (!item)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return item->info().fileName();
    case IdRole:
        return item->id();
    case StatusRole:
        return StatusText::row(item->status(), item->shots().size(), item->total(), item->scanProgress());
    case ThumbFileRole:
        return item->shots().isEmpty() ? QString() : item->shots().first().thumbFile;
    case AspectRole:
        return GridGeometry::aspect(item->info().size);
    default:
        return {};
    }
}

QHash<int, QByteArray> VideoListModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names[IdRole] = "videoId";
    names[StatusRole] = "status";
    names[ThumbFileRole] = "thumbFile";
    names[AspectRole] = "aspect";
    return names;
}
