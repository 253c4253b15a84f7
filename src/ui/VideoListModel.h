#pragma once
// The open videos as a list model for the sidebar, in the model's order.
// Forwards the model's row changes: an added or removed video is an
// inserted or removed row, closing all a reset; a video's status, shots and
// total and scan progress change its row's data.
//
// Thread: UI thread. Ownership: the AppModel is observed and must outlive
// this model.

#include "model/VideoItem.h"

#include <QAbstractListModel>
#include <QList>
#include <QPointer>

class AppModel;

class VideoListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        // Qt::DisplayRole: the file name.
        IdRole = Qt::UserRole + 1, // QUuid
        StatusRole,                // QString, the status line
        ThumbFileRole,             // QString, the first shot's thumbnail; empty before any shot
        AspectRole,                // double, width ÷ height of the video
    };

    explicit VideoListModel(AppModel &model, QObject *parent = nullptr);

    // The item shown in `row`; null for no such row.
    VideoItem *itemAt(int row) const;
    // The row of the video `id`; -1 when not listed.
    int rowOf(const QUuid &id) const;

    // Rows showing `thumbFile` repaint (its image has been loaded).
    void thumbnailLoaded(const QString &thumbFile);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

signals:
    // The rows match the model's videos again after a structural change.
    void updated();

private:
    void followInsert(int row);
    void followRemoval(int row);
    void followReset();
    void watch(VideoItem *item);
    void rowChanged(VideoItem *item);

    AppModel &m_model;
    QList<QPointer<VideoItem>> m_rows;
};
