#include "ui/ShotListModel.h"

#include "basics/Formatting.h"
#include "basics/WeakShots.h"
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
        connect(item, &VideoItem::shotInserted, this,
                [this](int row) {
                    beginInsertRows(QModelIndex(), row, row);
                    m_shots = m_item->shots();
                    endInsertRows();
                }),
        connect(item, &VideoItem::shotReplaced, this,
                [this](int row) {
                    m_shots = m_item->shots();
                    emit dataChanged(index(row), index(row));
                }),
        connect(item, &VideoItem::shotRemoved, this,
                [this](int row) {
                    beginRemoveRows(QModelIndex(), row, row);
                    m_shots = m_item->shots();
                    endRemoveRows();
                }),
        connect(item, &VideoItem::shotsReset, this,
                [this] {
                    if (m_shots.isEmpty() && m_item->shots().isEmpty())
                        return;  // nothing a view shows changes
                    beginResetModel();
                    m_shots = m_item->shots();
                    endResetModel();
                }),
        connect(item, &VideoItem::deselectedChanged, this, &ShotListModel::followSelection),
        connect(item, &QObject::destroyed, this, [this] { setItem(nullptr); }),
    };
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

QString ShotListModel::scoreText(int row) const
{
    const ShotScore &score = m_shots.at(row).score;
    // Judged among the shots shown, as "Deselect Weak Shots" judges them.
    const WeakShots::Weakness weakness = WeakShots::judge(m_shots).at(row);
    QString verdict;
    switch (weakness) {
    case WeakShots::Weakness::none:
        verdict = tr("Not weak");
        break;
    case WeakShots::Weakness::dark:
        verdict = tr("Weak: dark");
        break;
    case WeakShots::Weakness::flat:
        verdict = tr("Weak: flat");
        break;
    case WeakShots::Weakness::blurry:
        verdict = tr("Weak: blurry");
        break;
    case WeakShots::Weakness::repeated:
        verdict = tr("Weak: repeats the shot before");
        break;
    }
    const QLocale locale;
    return tr("Brightness %1 · Contrast %2 · Sharpness %3 · %4")
        .arg(locale.toString(score.meanLuma, 'f', 0), locale.toString(score.lumaSpread, 'f', 0),
             locale.toString(score.acuity, 'f', 2), verdict);
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
        return preciseTime(shot.time) + (shot.score.measured ? QStringLiteral("\n") + scoreText(index.row()) : QString());
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
