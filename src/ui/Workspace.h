#pragma once
// The main window's content while videos are open: the sidebar of videos
// (250 wide, with a divider, only while two or more are open) and the pane
// of the selected video filling the rest.
//
// Thread: UI thread. Ownership: the model must outlive the workspace; the
// exporter is not owned, may be null (the export buttons then do nothing)
// and otherwise must outlive the workspace.

#include <QWidget>

class AppModel;
class Exporter;
class QFrame;
class VideoDetail;
class VideoList;

class Workspace : public QWidget {
    Q_OBJECT
public:
    static constexpr int sidebarWidth = 250;

    Workspace(AppModel &model, Exporter *exporter, QWidget *parent = nullptr);

    VideoList *list() const { return m_list; }
    VideoDetail *detail() const { return m_detail; }
    // Whether the sidebar is part of the layout (not whether it is on screen).
    bool sidebarShown() const;

private:
    void followVideos();

    AppModel &m_model;
    Exporter *m_exporter;
    VideoList *m_list;
    QFrame *m_divider;
    VideoDetail *m_detail;
};
