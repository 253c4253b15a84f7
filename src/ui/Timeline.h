#pragma once
// The selected video's whole length as a strip: a mark for every shot
// (selected ones full height in the accent colour, deselected ones short and
// grey), the moment the viewer shows, and, under the pointer, a preview of
// that moment. Hovering or dragging shows the keyframe preview at once and
// the exact frame once the pointer rests. A click on a shot's mark asks to
// open that shot; a click anywhere else asks to open that moment.
//
// From the keyboard it works like a slider: Left/Right move a cursor by a
// second (Shift: ten), Home/End go to the ends, with the same preview, and
// Enter or Space opens the moment under the cursor.
//
// The view only asks: clicks become signals, the marks follow the shots
// model, the pictures come from the MomentSource it is given.
//
// Thread: UI thread. Ownership: the shots model and the source are not
// owned; the source may be replaced or cleared at any time.

#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <optional>

class MomentSource;
class ShotListModel;
struct Moment;

class Timeline : public QWidget {
    Q_OBJECT
public:
    Timeline(ShotListModel *shots, QWidget *parent = nullptr);

    // The length the strip spans, in seconds; 0 shows an empty strip.
    void setDuration(double seconds);
    // Where hover previews come from; none: no previews, no clicks on
    // moments (while the video is extracted).
    void setSource(MomentSource *source);
    // The moment the viewer shows, drawn as a line; none to hide it.
    void setMoment(std::optional<double> seconds);

    // The time under x (widget coordinates), within the video.
    double timeAt(int x) const;
    // The x of a time.
    double xOf(double seconds) const;
    // The row of the shot whose mark is under x; -1 when none is.
    int markAt(int x) const;
    // What the preview shows: the picture (null while none arrived) and
    // whether it is the exact frame rather than a keyframe.
    const QImage &previewPicture() const { return m_preview; }
    bool previewIsExact() const { return m_previewExact; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void shotClicked(int row);
    void momentClicked(double seconds);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    QRectF track() const;
    void hover(int x);
    void hoverAt(double seconds);
    void endHover();
    void placeBubble();

    ShotListModel *m_shots;
    QPointer<MomentSource> m_source;
    double m_duration = 0;
    std::optional<double> m_moment;
    std::optional<double> m_hovered;  // the time under the pointer
    bool m_dragging = false;
    QTimer m_rest;                   // fires when the pointer has rested
    QImage m_preview;
    bool m_previewExact = false;
    double m_previewTime = 0;
    class Bubble;
    Bubble *m_bubble;                // the floating preview above the strip
};
