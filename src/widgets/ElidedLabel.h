#pragma once
// One line of text shortened with "…" where it does not fit; the whole text
// is its tooltip. Paths are shortened at their start
// (Qt::ElideLeft) so the folder's own name stays visible.
//
// Thread: UI thread only.

#include <QWidget>

class ElidedLabel : public QWidget {
    Q_OBJECT
public:
    explicit ElidedLabel(Qt::TextElideMode mode, QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    // The text as drawn at the current width.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Qt::TextElideMode m_mode;
    QString m_text;
};
