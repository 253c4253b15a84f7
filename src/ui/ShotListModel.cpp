#include "ui/ShotListModel.h"

#include "engine/Formatting.h"
#include "model/VideoItem.h"
#include "ui/GridGeometry.h"

ShotListModel::ShotListModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

void ShotListModel::setItem(VideoItem *item)
{
    if (item == m_item && (item || m_shots.isEmpty()))
        return;
    for (const QMetaObject::Connection &c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    beginResetModel();
    m_item = item;
    m_shots = item ? item->shots() : QList<Shot>();
    m_aspect = item ? GridGeometry::aspect(item->info().size) : 16.0 / 9.0;
    endResetModel();
    if (!item)
        return;
    m_connections = {
        connect(item, &VideoItem::shotsChanged, this, &ShotListModel::followShots),
        connect(item, &VideoItem::deselectedChanged, this, &ShotListModel::followSelection),
        connect(item, &QObject::destroyed, this, [this] { setItem(nullptr); }),
    };
}

void ShotListModel::followShots()
{
    const QList<Shot> next = m_item->shots();
    // The runs of shots that are new, as (first row, count) in `next`, when
    // the old shots all remain in order; otherwise the change is a reset.
    QList<std::pair<qsizetype, qsizetype>> runs;
    qsizetype i = 0;
    qsizetype j = 0;
    while (j < next.size()) {
        if (i < m_shots.size() && m_shots.at(i).id == next.at(j).id) {
            ++i;
            ++j;
            continue;
        }
        const qsizetype start = j;
        while (j < next.size() && !(i < m_shots.size() && m_shots.at(i).id == next.at(j).id))
            ++j;
        runs.append({start, j - start});
    }
    if (i != m_shots.size() || next.isEmpty()) {
        if (m_shots.isEmpty() && next.isEmpty())
            return;
        beginResetModel();
        m_shots = next;
        endResetModel();
        return;
    }
    if (runs.size() == 1) {
        // The usual case, one shot at a time: share the item's list rather
        // than copying it to insert into a private one.
        const auto [start, count] = runs.first();
        beginInsertRows(QModelIndex(), int(start), int(start + count - 1));
        m_shots = next;
        endInsertRows();
        return;
    }
    // Runs are in final positions; each one's earlier rows are already in place.
    for (const auto &[start, count] : runs) {
        beginInsertRows(QModelIndex(), int(start), int(start + count - 1));
        m_shots.insert(start, count, Shot());
        for (qsizetype k = start; k < start + count; ++k)
            m_shots[k] = next.at(k);
        endInsertRows();
    }
    const QList<Shot> before = m_shots;
    m_shots = next; // share the item's data
    if (!runs.isEmpty())
        return;
    // The same shots: one may have moved to another frame (new time, new files).
    for (qsizetype row = 0; row < next.size(); ++row) {
        const Shot &a = before.at(row);
        const Shot &b = next.at(row);
        if (a.time != b.time || a.file != b.file || a.thumbFile != b.thumbFile)
            emit dataChanged(index(int(row)), index(int(row)));
    }
}

void ShotListModel::followSelection()
{
    if (m_shots.isEmpty())
        return;
    emit dataChanged(index(0), index(int(m_shots.size()) - 1), {SelectedRole});
}

void ShotListModel::thumbnailLoaded(const QString &thumbFile)
{
    for (qsizetype row = 0; row < m_shots.size(); ++row) {
        if (m_shots.at(row).thumbFile == thumbFile) {
            const QModelIndex at = index(int(row));
            emit dataChanged(at, at, {ThumbFileRole});
        }
    }
}

QString ShotListModel::preciseTime(double seconds) const
{
    const QString time = formatPreciseTime(seconds);
    const std::optional<qint64> frame = frameNumber(seconds, m_item ? double(m_item->info().fps) : 0);
    return frame ? tr("%1 · frame %2").arg(time, QString::number(*frame)) : time;
}

int ShotListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_shots.size());
}

QVariant ShotListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Shot &shot = m_shots.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return formatTime(shot.time, false, QStringLiteral(":"));
    case Qt::ToolTipRole:
        return preciseTime(shot.time);
    case Qt::AccessibleTextRole: {
        const bool selected = !(m_item && m_item->deselected().contains(shot.id));
        return tr("Shot %1 of %2, %3, %4")
            .arg(QString::number(index.row() + 1), QString::number(m_shots.size()),
                 formatTime(shot.time, false, QStringLiteral(":")), selected ? tr("selected") : tr("not selected"));
    }
    case IdRole:
        return shot.id;
    case TimeRole:
        return shot.time;
    case FileRole:
        return shot.file;
    case ThumbFileRole:
        return shot.thumbFile;
    case SelectedRole:
        return !(m_item && m_item->deselected().contains(shot.id));
    case AspectRole:
        return m_aspect;
    default:
        return {};
    }
}

QHash<int, QByteArray> ShotListModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names[IdRole] = "shotId";
    names[TimeRole] = "time";
    names[FileRole] = "file";
    names[ThumbFileRole] = "thumbFile";
    names[SelectedRole] = "selected";
    names[AspectRole] = "aspect";
    return names;
}
