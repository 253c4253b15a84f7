#pragma once
// The sidebar's selection as a view of AppModel::selectedID, which is the one
// place that says which video is selected. What the user does in the list
// (click, arrow keys, Ctrl+click to clear) arrives here as a select() and is
// handed to the model; the highlight changes only when the model says so.
// Row changes of the list never reach the model, because they do not go
// through select().
//
// Thread: UI thread. Ownership: a QObject child of whoever creates it; the
// AppModel and the list model must outlive it.

#include <QItemSelectionModel>

class AppModel;
class VideoListModel;

class VideoSelection : public QItemSelectionModel {
    Q_OBJECT
public:
    VideoSelection(VideoListModel *videos, AppModel &model, QObject *parent = nullptr);

    using QItemSelectionModel::select;
    void select(const QItemSelection &selection, SelectionFlags command) override;

private:
    // Highlights the model's selected row, or nothing.
    void follow();

    VideoListModel *const m_videos;
    AppModel &m_model;
};
