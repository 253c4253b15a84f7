#pragma once
// The preview of the share image: a spinning indicator until the first image
// arrives, then the image fitted into the area inset by `inset` points on
// every side, with a soft drop shadow. Pressing on the image or its margin
// and dragging offers the temporary file to other programs.
//
// A sheet can be tens of megapixels, so the smooth scaling to the drawn size
// runs on a worker thread; until it lands (after a resize or a new image)
// the preview draws the last scaling stretched, or the image sampled
// coarsely, which both take a few milliseconds.
//
// Thread: UI thread only.

#include <QImage>
#include <QPixmap>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <optional>

class QMimeData;

class SheetPreview : public QWidget {
    Q_OBJECT
public:
    static constexpr int inset = 28;

    explicit SheetPreview(QWidget *parent = nullptr);

    // The image to show; a null image shows the indicator.
    void setImage(const QImage &image);
    // A text shown instead of the indicator while there is no image (the
    // render failed); empty: the indicator.
    void setMessage(const QString &message);
    // The file a drag offers; none: a drag offers nothing and does not start.
    void setFile(const std::optional<QString> &file);

    // Where the image is drawn for the current size (empty without image).
    QRect imageRect() const;
    // Where a press may start a drag: the image and its margin.
    QRect dragArea() const;
    // The drag payload for `file`: its URL (text/uri-list); null without a file.
    static QMimeData *dragData(const std::optional<QString> &file);

    bool isSpinning() const { return m_spin.isActive(); }
    // The image is drawn from a smooth scaling made for the current size.
    bool isSharp() const;

    QSize minimumSizeHint() const override { return {520, 520}; }
    QSize sizeHint() const override { return {680, 560}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void paintSpinner(QPainter &painter);
    void paintImage(QPainter &painter);
    // Device pixels the image covers at the current size; empty without image.
    QSize drawnPixels() const;
    // Starts a smooth scaling of the image to drawnPixels() unless one is
    // running; a finished scaling for an outdated size asks for the next.
    void scaleInBackground();

    QImage m_image;
    // Counts setImage calls; a scaling of an older image is dropped.
    quint64 m_imageGeneration = 0;
    std::optional<QString> m_file;
    QString m_message;
    // The last smooth scaling of the image (any size), and the shadow at the
    // size last drawn.
    QPixmap m_scaled;
    bool m_scaling = false;
    QImage m_shadow;
    QTimer m_spin;
    int m_spinStep = 0;
    std::optional<QPoint> m_pressAt;
};
