#pragma once
// A determinate progress bar drawn by the style, without text. Unlike
// QProgressBar, a new value only schedules a repaint: QProgressBar repaints
// at once, which paints every pending region of the window there and then,
// and with shots arriving one by one that means repainting the whole grid
// for each of them.
//
// Thread: UI thread.

#include <QWidget>

class LinearProgress : public QWidget {
    Q_OBJECT
public:
    explicit LinearProgress(QWidget *parent = nullptr);

    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    int value() const { return m_value; }
    // `maximum` below `minimum` reads as `minimum`; the value is clamped.
    void setRange(int minimum, int maximum);
    void setValue(int value);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_minimum = 0;
    int m_maximum = 100;
    int m_value = 0;
};
