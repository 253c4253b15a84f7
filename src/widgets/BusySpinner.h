#pragma once
// An indeterminate progress indicator: an arc circling round a faint track.
// It animates only while visible.
//
// Thread: UI thread.

#include <QTimer>

#include <chrono>
#include <QWidget>

class BusySpinner : public QWidget {
    Q_OBJECT
public:
    // `frameInterval`: time between animation frames.
    explicit BusySpinner(QWidget *parent = nullptr, std::chrono::milliseconds frameInterval = std::chrono::milliseconds(16));

    bool animating() const { return m_timer.isActive(); }
    QSize sizeHint() const override { return {32, 32}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QTimer m_timer;
    // Degrees.
    int m_angle = 0;
};
