#pragma once
// The scrolling grid of shot cells. Columns adapt to the width (see
// GridGeometry): cells keep the video's aspect ratio, the 16-point inset
// scrolls with the content, and only cells in view are painted. Rows that
// arrive keep the scroll position; nothing is laid out per item, so
// thousands of shots cost nothing until they scroll into view.
//
// Clicking a cell (press and release on it without dragging) or pressing
// Space on the current cell emits cellClicked; dragging a cell drags its
// full-size file (FileRole) as a file URL; a context-menu request on a cell
// emits cellMenuRequested. "," and "." (with Shift: "<" and ">" or whatever
// the layout makes of them) emit stepRequested for the cell under the
// pointer, else the current cell. The grid keeps no selection of its own:
// the shots' selection lives in the video item. Screen readers see a list of
// cells (ShotGridAccessible) and hear where the focus goes and what changes.
//
// Thread: UI thread.

#include "basics/Stepping.h"
#include "ui/GridGeometry.h"

#include <QAbstractItemView>
#include <QPersistentModelIndex>

#include <optional>
#include <utility>

class ShotGrid : public QAbstractItemView {
    Q_OBJECT
public:
    explicit ShotGrid(QWidget *parent = nullptr);

    // The step a key press asks for, or none. Pure.
    static std::optional<ShotStep> stepFor(int key, Qt::KeyboardModifiers modifiers);

    // Width ÷ height of every cell; relays out.
    void setCellAspect(double aspect);
    double cellAspect() const { return m_aspect; }
    GridGeometry::Columns columns() const { return m_columns; }
    double cellWidth() const { return m_columns.width; }
    double cellHeight() const;
    // First and last row with any part in view (inclusive); first > last
    // when no row is in view.
    std::pair<int, int> rowsInView() const;

    // Toggles the cell's shot as a click does (emits cellClicked); for
    // assistive technologies.
    void toggleCell(const QModelIndex &index);

    QRect visualRect(const QModelIndex &index) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint &point) const override;

signals:
    void cellClicked(const QModelIndex &index);
    void cellMenuRequested(const QModelIndex &index, const QPoint &globalPos);
    void stepRequested(const QModelIndex &index, ShotStep step);
    // Enter on the current cell, or a double click on a cell (whose first
    // click already went out as cellClicked).
    void openRequested(const QModelIndex &index, bool doubleClicked);

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override { return 0; }
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex &) const override { return false; }
    void setSelection(const QRect &, QItemSelectionModel::SelectionFlags) override {}
    QRegion visualRegionForSelection(const QItemSelection &) const override { return {}; }
    void updateGeometries() override;
    void rowsInserted(const QModelIndex &parent, int start, int end) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;
    void rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end) override;
    void reset() override;

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void relayout();
    // The cell rectangle in content coordinates (offset not applied).
    QRectF contentRect(int row) const;
    void startFileDrag(const QModelIndex &index);

    double m_aspect = 16.0 / 9.0;
    GridGeometry::Columns m_columns;
    QPersistentModelIndex m_pressed;
    QPoint m_pressPos;
    bool m_dragged = false;
};
