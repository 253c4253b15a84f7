#pragma once
// The start screen shown while no video is open: an invitation to drop videos
// on the window or to choose them, inside a dashed frame. It handles no drops
// itself; the main window tells it whether a drag hovers (setHighlighted).
//
// Thread: UI thread only.

#include <QWidget>

class QLabel;
class QPushButton;

class DropZone : public QWidget {
    Q_OBJECT
public:
    explicit DropZone(QWidget *parent = nullptr);

    bool isHighlighted() const { return m_highlighted; }
    // While true the symbol and the frame take the accent colour.
    void setHighlighted(bool highlighted);

    // The frame's colour in the current state, for drawing and for tests.
    QColor frameColor() const;
    QColor symbolColor() const;

signals:
    // "Choose Videos…" was pressed; the owner opens its video picker.
    void chooseRequested();

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void updateSymbol();

    bool m_highlighted = false;
    QLabel *m_symbol;
    QPushButton *m_choose;
};
