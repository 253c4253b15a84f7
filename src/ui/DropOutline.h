#pragma once
// The outline drawn over the workspace while files are dragged over the
// window: an accent-coloured rounded rectangle just inside the parent's
// edges. It covers its parent exactly, follows its size and lets every mouse
// event through to the widgets below.
//
// Thread: UI thread only. Owned by its parent (QObject child).

#include <QWidget>

class DropOutline : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal radius = 10;
    static constexpr qreal lineWidth = 3;
    static constexpr qreal inset = 3;

    // Starts hidden; show() it while a drag hovers.
    explicit DropOutline(QWidget *parent);

    // The stroked rectangle (centre of the line) for a parent of `size`.
    static QRectF outlineRect(const QSize &size);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};
