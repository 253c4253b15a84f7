#pragma once
// The preview of the share image: a spinning indicator until the first image
// arrives, then the image fitted into the area inset by `inset` points on
// every side, with a soft drop shadow. Pressing on the image or its margin
// and dragging offers the temporary file to other programs.
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

    QImage m_image;
    std::optional<QString> m_file;
    QString m_message;
    // The image and its shadow at the size last drawn; rebuilt on resize.
    QPixmap m_scaled;
    QImage m_shadow;
    QTimer m_spin;
    int m_spinStep = 0;
    std::optional<QPoint> m_pressAt;
};
