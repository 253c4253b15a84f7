#include "ui/VideoSelection.h"

#include "model/AppModel.h"
#include "ui/VideoListModel.h"

VideoSelection::VideoSelection(VideoListModel *videos, AppModel &model, QObject *parent)
    : QItemSelectionModel(videos, parent)
    , m_videos(videos)
    , m_model(model)
{
    connect(&m_model, &AppModel::selectedIDChanged, this, &VideoSelection::follow);
    connect(m_videos, &VideoListModel::updated, this, &VideoSelection::follow);
    follow();
}

void VideoSelection::select(const QItemSelection &selection, SelectionFlags command)
{
    // Work out what the user's command would select, then let the model
    // decide; follow() shows its answer.
    QItemSelection result;
    if (!command.testFlag(Clear))
        result = this->selection();
    result.merge(selection, command & (Select | Deselect | Toggle));
    const QModelIndexList rows = result.indexes();
    if (rows.isEmpty())
        m_model.setSelectedID(std::nullopt);
    else
        m_model.setSelectedID(rows.first().data(VideoListModel::IdRole).toUuid());
    follow();
}

void VideoSelection::follow()
{
    const std::optional<QUuid> id = m_model.selectedID();
    const int row = id ? m_videos->rowOf(*id) : -1;
    if (row < 0) {
        QItemSelectionModel::select(QItemSelection(), ClearAndSelect);
        return;
    }
    const QModelIndex index = m_videos->index(row);
    QItemSelectionModel::select(QItemSelection(index, index), ClearAndSelect);
    setCurrentIndex(index, NoUpdate);
}
