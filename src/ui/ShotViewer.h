#pragma once
// One shot large, over the grid: the full-size file fitted to the space,
// sharp at any scale, with its exact time and frame, its place among the
// shots and whether it is selected. The keys: Left/Right and Page Up/Down go
// to the shot before or after, "," and "." (Shift: one second) step the
// shot, Space toggles its selection, Escape and Enter close it. Escape here
// never reaches the window's "Back".
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
#include <QWidget>

class QLabel;
class ShotListModel;

class ShotViewer : public QWidget {
    Q_OBJECT
public:
    ShotViewer(ShotListModel *shots, QWidget *parent = nullptr);

    // Shows the shot in `row` and takes the keyboard focus.
    void open(int row);
    // The row shown; -1 when closed or the shot is gone.
    int row() const { return m_row.isValid() ? m_row.row() : -1; }
    // The picture shown; null while it loads.
    const QImage &picture() const { return m_picture; }
    // "00:01:12.480 · frame 2175", "Shot 3 of 24" and "Selected".
    QString timeText() const;
    QString placeText() const;
    QString selectionText() const;

signals:
    // Close the viewer and give the focus back to the cell in `row`.
    void closeRequested(int row);
    void toggleRequested(int row);
    void stepRequested(int row, ShotStep step);

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void showRow(int row);
    void load();
    void refreshTexts();

    ShotListModel *m_shots;
    QPersistentModelIndex m_row;
    QString m_file;      // the file m_picture was or is being loaded from
    QImage m_picture;
    QImage m_scaled;  // m_picture at the size last drawn, in device pixels
    QFutureWatcher<QImage> m_loading;
    QLabel *m_time;
    QLabel *m_place;
    QLabel *m_selection;
};
