#pragma once
// Numbers whose digits all take the same width, so counters and times do not
// jitter as they change: text/TabularDigits.h in a widget's terms, so the
// window sets digits exactly like the share image.
//
// Thread: UI thread (painting).

#include <QPointF>
#include <QString>
#include <QWidget>

class QFontMetricsF;
class QPainter;

namespace TabularText {

// The advance of `text` drawn this way.
qreal width(const QFontMetricsF &metrics, const QString &text);

// Draws `text` with the painter's font and pen, its baseline starting at `origin`.
void draw(QPainter &painter, const QPointF &origin, const QString &text);

} // namespace TabularText

// One line of text drawn with tabular digits in the widget's font and its
// palette's WindowText colour, vertically centred; left-aligned unless
// setAlignment says right or centre.
class TabularLabel : public QWidget {
    Q_OBJECT
public:
    explicit TabularLabel(QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    // Only the horizontal part counts.
    void setAlignment(Qt::Alignment alignment);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    Qt::Alignment m_alignment = Qt::AlignLeft;
};
