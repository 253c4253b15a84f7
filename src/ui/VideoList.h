#pragma once
// The sidebar of open videos: one row per video in the model's order, the
// highlight showing AppModel::selectedID (see VideoSelection), "Remove" in each row's
// context menu, the Delete key removing the selected video, and a footer
// button that exports every video.
//
// Thread: UI thread. Ownership: the model must outlive the list.

#include <QWidget>

#include <memory>

class AppModel;
class QListView;
class QMenu;
class QPushButton;
class ThumbnailLoader;
class VideoListModel;

class VideoList : public QWidget {
    Q_OBJECT
public:
    explicit VideoList(AppModel &model, QWidget *parent = nullptr);
    ~VideoList() override;

    // The context menu of `row`: "Remove", which removes that row's video
    // (not necessarily the selected one). Null for a row that does not exist.
    std::unique_ptr<QMenu> menuFor(int row);
    // Removes the model's selected video; nothing when there is none.
    void removeSelected();

    QListView *view() const { return m_view; }
    VideoListModel *videos() const { return m_videos; }
    QPushButton *exportAllButton() const { return m_exportAll; }

signals:
    // "Export All" was pressed.
    void exportAllRequested();
    // A row was clicked with the mouse (not reached from the keyboard).
    void videoClicked();

private:
    void refreshFooter();

    AppModel &m_model;
    ThumbnailLoader *m_loader;
    VideoListModel *m_videos;
    QListView *m_view;
    QWidget *m_footer;
    QPushButton *m_exportAll;
};
