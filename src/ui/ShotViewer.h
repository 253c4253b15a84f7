#pragma once
// One shot large, over the grid: the full-size file fitted to the space,
// sharp at any scale, with its exact time and frame, its place among the
// shots and whether it is selected. The keys: Left/Right and Page Up/Down go
// to the shot before or after, "," and "." (Shift: one second) step the
// shot, Space toggles its selection, Escape and Enter close it. Escape here
// never reaches the window's "Back".
//
// It also shows any moment picked on the timeline, not yet a shot: the
// exact frame there, decoded by the MomentSource. Then "," and "." move the
// moment itself, Left/Right go to the shot before or after it, and A asks to
// add it as a shot.
//
// The view only asks: each key becomes one signal, which the detail pane
// turns into the model's operations, and the pictures and texts follow the
// shots model.
//
// Thread: UI thread; the pictures are decoded on the global pool. Ownership:
// a child of the detail pane; the shots model is not owned and must outlive
// it.

#include "basics/Records.h"
#include "basics/Stepping.h"

#include <QFutureWatcher>
#include <QImage>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QWidget>

#include <optional>

class MomentSource;
class QLabel;
class ShotListModel;
struct Moment;

class ShotViewer : public QWidget {
    Q_OBJECT
public:
    ShotViewer(ShotListModel *shots, QWidget *parent = nullptr);

    // Shows the shot in `row` and takes the keyboard focus.
    void open(int row);
    // Where the exact frames of moments come from (none: moments cannot be
    // shown), and the video's frame rate and length for moving them.
    void setSource(MomentSource *source, double fps, double duration);
    // Shows the frame on screen at `seconds` and takes the keyboard focus;
    // `meanwhile` (a preview, say) shows until the exact frame arrives.
    void openMoment(double seconds, const QImage &meanwhile = {});
    // Shows the shot with `id`, when there is one.
    void showShot(qint64 id);

    // The exact frame of the moment shown, when a moment (not a shot) is
    // shown and its frame has arrived: when it starts, in seconds.
    std::optional<double> momentFrame() const;
    // The time the viewer shows: the shot's, or the moment's; none when closed.
    std::optional<double> shownTime() const;

    // The row shown; -1 when closed or the shot is gone.
    int row() const { return m_row.isValid() ? m_row.row() : -1; }
    // The picture shown, at the size it is drawn at in device pixels (a
    // moment's: the frame's full size); null while it loads.
    const QImage &picture() const { return m_picture; }
    // "00:01:12.480 · frame 2175", "Shot 3 of 24" (a moment: "Not a Shot")
    // and "Selected" (a moment: how to add it).
    QString timeText() const;
    QString placeText() const;
    QString selectionText() const;

signals:
    // Close the viewer and give the focus back to the cell in `row`.
    void closeRequested(int row);
    void toggleRequested(int row);
    void stepRequested(int row, ShotStep step);
    // Add the moment shown (momentFrame()) as a shot.
    void addRequested();
    // shownTime() or momentFrame() may read differently.
    void shownChanged();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void showRow(int row);
    void moveMoment(ShotStep step);
    // The shot before (-1) or after (+1) the moment shown; -1 when none.
    int rowBeside(int direction) const;
    void load();
    void refreshTexts();

    ShotListModel *m_shots;
    QPersistentModelIndex m_row;
    // A shot's file decoded off the UI thread straight to the size it is
    // drawn at in device pixels (a JPEG decodes at a fraction of its size
    // first), so that neither decoding nor scaling a 4K file ever holds the
    // UI thread. A larger window decodes the file again.
    using Loaded = QImage;
    // The device size `picture` is drawn at, and where, in the space now.
    QSize fittedSize(QSize picture) const;
    QRectF pictureRect(QSize picture) const;
    QFuture<Loaded> decode(const QString &file) const;
    // Starts decoding the shots beside the one shown, so that the next
    // Left or Right shows at once.
    void prefetch();

    QString m_file;      // the file m_picture was or is being loaded from
    QImage m_picture;
    QImage m_scaled;  // m_picture at the size last drawn, in device pixels
    QFutureWatcher<Loaded> m_loading;
    // Scales m_picture to a new size off the UI thread; which picture and
    // size it was last asked for.
    void rescaleLater();
    QFutureWatcher<QImage> m_rescaling;
    std::pair<qint64, QSize> m_rescaleFor;
    // The file shown and its neighbours', decoded or decoding.
    QList<std::pair<QString, QFuture<Loaded>>> m_ahead;
    // The moment shown instead of a shot: the time asked for and, once the
    // exact frame arrived, the time it starts.
    QPointer<MomentSource> m_source;
    double m_fps = 0;
    double m_duration = 0;
    std::optional<double> m_momentAsked;
    std::optional<double> m_momentShown;
    QLabel *m_time;
    QLabel *m_place;
    QLabel *m_selection;
};
