#pragma once
// The pane for one video: its shots as a scrolling grid (a spinner while the
// first shots are still coming), a divider, and a footer with the progress or
// a summary and the actions on the selection: select or deselect all, export
// the selected shots, create a share image.
//
// While an export copies, the footer shows its progress and a button that
// stops it, in place of the extraction's progress or the summary.
//
// Under the grid, the timeline of the whole video and "Add Shot Here", which
// adds the moment the viewer shows as a new shot.
//
// Every control calls one operation (VideoItem::toggle/toggleAll,
// exportRequested, AppModel::stopExport, AppModel::setShowShareImage,
// AppModel::step, AppModel::addShot) and every enabled state reads one
// property (the item's shots, AppModel::canExport, AppModel::exportProgress,
// AppModel::canStep, AppModel::canAddShot with the viewer's moment).
//
// Thread: UI thread. Ownership: the model must outlive the view; the item is
// observed through a QPointer and may go away at any time.

#include "model/VideoItem.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class AppModel;
class BusySpinner;
class ElidedLabel;
class LinearProgress;
class MomentSource;
class QMenu;
class QPushButton;
class ShotDelegate;
class ShotGrid;
class ShotListModel;
class ShotViewer;
class TabularLabel;
class ThumbnailLoader;
class Timeline;

class VideoDetail : public QWidget {
    Q_OBJECT
public:
    explicit VideoDetail(AppModel &model, QWidget *parent = nullptr);
    ~VideoDetail() override;

    VideoItem *item() const { return m_item; }
    // Shows `item` (none: an empty pane).
    void setItem(VideoItem *item);

    // The context menu of the cell at `row`: "Open in Image Viewer", "Copy
    // Image" and the four steps to another frame (each enabled by
    // AppModel::canStep). Null for a row that does not exist.
    std::unique_ptr<QMenu> menuFor(int row);

    ShotGrid *grid() const { return m_grid; }
    ShotViewer *viewer() const { return m_viewer; }
    Timeline *timeline() const { return m_timeline; }
    QPushButton *addShotButton() const { return m_addShot; }
    // Gives the keyboard focus to the shots: the viewer while it is open,
    // else the grid.
    void focusShots();
    ShotListModel *shots() const { return m_shots; }

signals:
    // "Export …" was pressed.
    void exportRequested();

private:
    void refresh();
    // Hides the viewer; the grid's current cell becomes `row` (when it is
    // one), and the grid takes the focus if the viewer had it.
    void closeViewer(int row);
    void showMenu(int row, const QPoint &globalPos);
    // A decoder for the timeline and the viewer's moments while the video
    // is extracted; none otherwise (it would slow the extraction).
    void followStatus();
    // Adds the moment the viewer shows as a shot, then shows that shot.
    void addShown();

    AppModel &m_model;
    QPointer<VideoItem> m_item;
    QList<QMetaObject::Connection> m_connections;

    ThumbnailLoader *m_loader;
    ShotListModel *m_shots;
    ShotDelegate *m_delegate;
    ShotGrid *m_grid;
    ShotViewer *m_viewer;
    Timeline *m_timeline;
    QPushButton *m_addShot;
    MomentSource *m_source = nullptr;
    BusySpinner *m_spinner;
    LinearProgress *m_progress;
    TabularLabel *m_counter;
    ElidedLabel *m_status;
    QPushButton *m_toggleAll;
    QPushButton *m_export;
    QPushButton *m_stopExport;
    QPushButton *m_stopReplacing;
    QPushButton *m_share;
};
