#pragma once
// The panel that edits the five capture preferences (mode, interval, count,
// precise, format). Every edit is written to Preferences at once; there is no
// confirm button. It shows the stored values at all times, whoever wrote them.
//
// A Qt::Popup window: it closes when the user clicks outside it or presses
// Escape. Thread: UI thread only. Does not own `preferences`, which must
// outlive it.

#include <QFrame>

class NumberBox;
class Preferences;
class QCheckBox;
class QFormLayout;
class QLabel;
class SegmentedControl;

class CaptureSettingsPopover : public QFrame {
    Q_OBJECT
public:
    // The panel's width when its texts fit in it; wider when they do not.
    static constexpr int panelWidth = 360;

    explicit CaptureSettingsPopover(Preferences &preferences, QWidget *parent = nullptr);

    // Opens the panel under `anchor` (see PopupPlacement: centred on it, or
    // lined up with its edge to stay inside its window, always on its screen).
    // A click on `anchor` while open only closes the panel, so that the
    // anchor can toggle it.
    void popUp(QWidget *anchor);

signals:
    void closed();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    // Shows the stored values; never writes.
    void refresh();
    // As tall as the rows need at the panel's width.
    void fitHeight();

    Preferences &m_preferences;
    QWidget *m_anchor = nullptr;
    QFormLayout *m_form;
    SegmentedControl *m_mode;
    NumberBox *m_interval;
    NumberBox *m_count;
    QLabel *m_countLabel = nullptr;  // "Number of shots", or "At most" by scene
    QCheckBox *m_precise;
    QCheckBox *m_avoidWeak;
    SegmentedControl *m_format;
};
