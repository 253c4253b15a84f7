#pragma once
// The workspace for the selected video until the video list and shot grid
// take its place: the video's name and summary and how far its extraction
// has got. Everything it shows is read from the model and follows it.
//
// Thread: UI thread only. Does not own `model`, which must outlive it.

#include <QPointer>
#include <QWidget>

class AppModel;
class QLabel;
class QProgressBar;
class VideoItem;

class WorkspacePlaceholder : public QWidget {
    Q_OBJECT
public:
    explicit WorkspacePlaceholder(AppModel &model, QWidget *parent = nullptr);

    // "Waiting to start", "Extracting screenshots…" or, when done, the shot
    // count with any shots that could not be read.
    static QString statusText(const VideoItem &item);

private:
    void follow();
    void refresh();

    AppModel &m_model;
    QPointer<VideoItem> m_item;
    QList<QMetaObject::Connection> m_itemConnections;
    QLabel *m_title;
    QLabel *m_summary;
    QLabel *m_status;
    QLabel *m_counts;
    QProgressBar *m_progress;
};
