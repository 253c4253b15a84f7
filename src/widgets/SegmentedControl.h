#pragma once
// A row of mutually exclusive, joined buttons: the desktop's segmented
// picker. Exactly one segment is checked once a current index is set. The
// segments share one width, the widest label's, in the current font.
//
// Thread: UI thread only.

#include <QStringList>
#include <QWidget>

class QButtonGroup;

class SegmentedControl : public QWidget {
    Q_OBJECT
public:
    explicit SegmentedControl(const QStringList &labels, QWidget *parent = nullptr);

    int current() const;
    // Checks segment `index` without emitting currentChanged.
    void setCurrent(int index);

signals:
    // The user picked segment `index`.
    void currentChanged(int index);

protected:
    void changeEvent(QEvent *event) override;

private:
    void updateColors();
    void fitSegments();

    QButtonGroup *m_group;
};
