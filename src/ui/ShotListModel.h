#pragma once
// The shots of one video as a list model for the shot grid. Forwards the
// item's row changes: an arriving shot is an inserted row at its sorted
// position (so the grid keeps its scroll position while it fills), a stepped
// shot a changed row, a removed one a removed row, a changed selection a data
// change, and shots replaced at once (the item was reset) a model reset.
//
// Thread: UI thread. Ownership: the item is observed, not owned; when it is
// destroyed the model becomes empty.

#include "model/VideoItem.h"

#include <QAbstractListModel>
#include <QList>
#include <QMetaObject>
#include <QPointer>

class ShotListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        // Qt::DisplayRole: the shot time as the grid writes it ("01:05").
        // Qt::ToolTipRole: the exact time and frame ("00:01:05.480 · frame 1964")
        // and, for a measured shot, its score on a second line (scoreText).
        // Qt::AccessibleTextRole: what a screen reader says of the cell
        // ("Shot 3 of 24, 01:05, selected").
        IdRole = Qt::UserRole + 1, // qint64
        TimeRole,                  // double, seconds
        FileRole,                  // QString, the full-size image
        ThumbFileRole,             // QString
        SelectedRole,              // bool
        AspectRole,                // double, width ÷ height of every cell
    };

    explicit ShotListModel(QObject *parent = nullptr);

    VideoItem *item() const { return m_item; }
    // Shows `item`'s shots (none for null) with a model reset.
    void setItem(VideoItem *item);
    double aspect() const { return m_aspect; }

    // Rows showing `thumbFile` repaint (its image has been loaded).
    void thumbnailLoaded(const QString &thumbFile);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // The exact time of a shot at `seconds` with its frame number where the
    // frame rate is known: "00:01:05.480 · frame 1964".
    QString preciseTime(double seconds) const;

    // "Brightness 137 · Contrast 53 · Sharpness 0.78 · Weak: blurry": the
    // shot in `row` as weak-shot detection sees it.
    QString scoreText(int row) const;

private:
    void followSelection();

    QPointer<VideoItem> m_item;
    QList<QMetaObject::Connection> m_connections;
    // The shots as last announced to views: the item's, taken inside each
    // begin/end pair so views never see a row count ahead of the rows.
    QList<Shot> m_shots;
    double m_aspect = 16.0 / 9.0;
};
