#include "model/VideoItem.h"

#include "basics/TempRoot.h"
#include "basics/WeakShots.h"

#include <QDir>

#include <algorithm>

// One selection change: the deselected shots and the weak-shot count
// before and after.
class VideoItem::SelectionChange : public QUndoCommand {
public:
    struct State {
        QSet<qint64> deselected;
        std::optional<qint64> weakDeselected;
    };
    SelectionChange(VideoItem &item, State before, State after, const QString &text)
        : QUndoCommand(text)
        , m_item(item)
        , m_before(std::move(before))
        , m_after(std::move(after))
    {
    }
    void redo() override { apply(m_after); }
    void undo() override { apply(m_before); }
    // A change that takes the selection straight back to where the previous
    // one found it (a shot toggled twice, as by a double click) cancels that
    // one: neither stays in the history.
    int id() const override { return 1; }
    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *next = static_cast<const SelectionChange *>(other);
        if (next->m_after.deselected != m_before.deselected || next->m_after.weakDeselected != m_before.weakDeselected)
            return false;
        setObsolete(true);
        return true;
    }

private:
    void apply(const State &state)
    {
        ++m_item.m_edits;
        m_item.setDeselected(state.deselected);
        m_item.setWeakDeselected(state.weakDeselected);
    }
    VideoItem &m_item;
    const State m_before;
    const State m_after;
};

// One step: the shot before and after it; both keep their files.
class VideoItem::ShotMove : public QUndoCommand {
public:
    ShotMove(VideoItem &item, Shot before, Shot after)
        : QUndoCommand(VideoItem::tr("Move Shot"))
        , m_item(item)
        , m_before(std::move(before))
        , m_after(std::move(after))
    {
    }
    void redo() override { apply(m_after); }
    void undo() override { apply(m_before); }

private:
    void apply(const Shot &shot)
    {
        ++m_item.m_edits;
        m_item.replace(shot);
    }
    VideoItem &m_item;
    const Shot m_before;
    const Shot m_after;
};

// One shot added by hand; undo takes it out, redo puts it back in its place.
class VideoItem::ShotAdd : public QUndoCommand {
public:
    ShotAdd(VideoItem &item, Shot shot)
        : QUndoCommand(VideoItem::tr("Add Shot"))
        , m_item(item)
        , m_shot(std::move(shot))
    {
    }
    void redo() override
    {
        ++m_item.m_edits;
        m_item.insertByTime(m_shot);
    }
    void undo() override
    {
        ++m_item.m_edits;
        m_item.remove(m_shot.id);
    }

private:
    VideoItem &m_item;
    const Shot m_shot;
};

// One "replace weak shots": every shot moved and the selection, before and
// after; all files are kept.
class VideoItem::WeakReplace : public QUndoCommand {
public:
    struct State {
        QList<Shot> shots;
        QSet<qint64> deselected;
        std::optional<WeakReplacement> summary;
    };
    WeakReplace(VideoItem &item, State before, State after)
        : QUndoCommand(VideoItem::tr("Replace Weak Shots"))
        , m_item(item)
        , m_before(std::move(before))
        , m_after(std::move(after))
    {
    }
    void redo() override { apply(m_after); }
    void undo() override { apply(m_before); }

private:
    void apply(const State &state)
    {
        ++m_item.m_edits;
        for (const Shot &shot : state.shots)
            m_item.replace(shot);
        m_item.setDeselected(state.deselected);
        m_item.setWeakReplaced(state.summary);
    }
    VideoItem &m_item;
    const State m_before;
    const State m_after;
};

VideoItem::VideoItem(const VideoInfo &info, QObject *parent)
    : QObject(parent)
    , m_id(QUuid::createUuid())
    , m_info(info)
    , m_history(new QUndoStack(this))
{
    connect(m_history, &QUndoStack::cleanChanged, this, &VideoItem::handEditedChanged);
}

void VideoItem::toggle(qint64 shotId)
{
    QSet<qint64> next = m_deselected;
    const bool selecting = next.remove(shotId);
    if (!selecting)
        next.insert(shotId);
    choose(next, std::nullopt, selecting ? tr("Select Shot") : tr("Deselect Shot"));
}

void VideoItem::toggleAll()
{
    if (!m_deselected.isEmpty())
        selectAll();
    else
        deselectAll();
}

void VideoItem::selectAll()
{
    choose({}, std::nullopt, tr("Select All Shots"));
}

void VideoItem::deselectAll()
{
    QSet<qint64> all;
    for (const Shot &shot : m_shots)
        all.insert(shot.id);
    choose(all, std::nullopt, tr("Deselect All Shots"));
}

qint64 VideoItem::deselectWeak()
{
    const QSet<qint64> weak = WeakShots::weakIds(m_shots);
    const QSet<qint64> next = m_deselected | weak;
    if (next != m_deselected) {
        m_history->push(new SelectionChange(*this, {m_deselected, m_weakDeselected}, {next, weak.size()},
                                            tr("Deselect Weak Shots")));
    } else {
        setWeakDeselected(weak.size());  // nothing to undo: the shots are as they were
    }
    return weak.size();
}

void VideoItem::choose(const QSet<qint64> &deselected, std::optional<qint64> weakDeselected, const QString &text)
{
    if (deselected == m_deselected)
        return;
    m_history->push(new SelectionChange(*this, {m_deselected, m_weakDeselected}, {deselected, weakDeselected}, text));
}

bool VideoItem::moveShot(const Shot &before, const Shot &moved)
{
    const bool there = std::any_of(m_shots.cbegin(), m_shots.cend(),
                                   [&](const Shot &shot) { return shot.id == before.id; });
    if (!there || moved.id != before.id)
        return false;
    m_history->push(new ShotMove(*this, before, moved));
    return true;
}

bool VideoItem::addShot(const Shot &shot)
{
    if (std::any_of(m_shots.cbegin(), m_shots.cend(), [&](const Shot &existing) { return existing.id == shot.id; }))
        return false;
    m_lastAddedId = std::max(m_lastAddedId, shot.id);
    m_history->push(new ShotAdd(*this, shot));
    return true;
}

void VideoItem::replaceWeak(const QList<Shot> &moves, const QSet<qint64> &deselect)
{
    WeakReplace::State before{{}, m_deselected, m_weakReplaced};
    WeakReplace::State after{{}, m_deselected, WeakReplacement{}};
    for (const Shot &moved : moves) {
        const auto at = std::find_if(m_shots.cbegin(), m_shots.cend(), [&](const Shot &s) { return s.id == moved.id; });
        if (at == m_shots.cend())
            continue;
        before.shots.append(*at);
        after.shots.append(moved);
        ++after.summary->replaced;
    }
    for (const qint64 id : deselect) {
        const bool there = std::any_of(m_shots.cbegin(), m_shots.cend(), [&](const Shot &s) { return s.id == id; });
        if (there) {
            after.deselected.insert(id);
            ++after.summary->deselected;  // left deselected, newly or already
        }
    }
    // Nothing to undo when nothing changes: only the summary is told.
    if (after.shots.isEmpty() && after.deselected == m_deselected) {
        setWeakReplaced(after.summary);
        return;
    }
    m_history->push(new WeakReplace(*this, std::move(before), std::move(after)));
}

void VideoItem::setWeakReplaced(std::optional<WeakReplacement> replaced)
{
    if (m_weakReplaced == replaced)
        return;
    m_weakReplaced = replaced;
    emit weakReplacedChanged();
}

qint64 VideoItem::nextShotId() const
{
    qint64 next = std::max(m_total, m_lastAddedId + 1);
    for (const Shot &shot : m_shots)
        next = std::max(next, shot.id + 1);
    return next;
}

void VideoItem::insertByTime(const Shot &shot)
{
    // A linear search: steps may have left the shots slightly out of time order.
    const auto at = std::find_if(m_shots.begin(), m_shots.end(), [&](const Shot &existing) { return existing.time > shot.time; });
    const int row = int(at - m_shots.begin());
    m_shots.insert(at, shot);
    emit shotInserted(row);
    emit shotsChanged();
}

std::optional<QString> VideoItem::makeFilesFolder(const QString &prefix) const
{
    if (!m_workDir)
        return std::nullopt;
    const QString folder =
        QDir(*m_workDir).filePath(prefix + QLatin1Char('-') + QUuid::createUuid().toString(QUuid::WithoutBraces));
    return QDir().mkdir(folder) ? std::optional(folder) : std::nullopt;
}

void VideoItem::takenOut(qint64 edits)
{
    if (edits == m_edits)
        m_history->setClean();
}

void VideoItem::setWeakDeselected(std::optional<qint64> count)
{
    if (m_weakDeselected == count)
        return;
    m_weakDeselected = count;
    emit weakDeselectedChanged();
}

QList<Shot> VideoItem::selectedShots() const
{
    QList<Shot> result;
    for (const Shot &shot : m_shots) {
        if (!m_deselected.contains(shot.id))
            result.append(shot);
    }
    return result;
}

void VideoItem::reset()
{
    ++m_generation;
    emit generationChanged();
    m_history->clear();
    m_lastAddedId = -1;
    setShots({});
    setDeselected({});
    setStatus(VideoStatus::pending);
    setTotal(0);
    setFailed(0);
    setElapsed(std::nullopt);
    setWeakDeselected(std::nullopt);
    setWeakReplaced(std::nullopt);
    setScanProgress(std::nullopt);
    setSceneStarts({});
    if (m_workDir)
        TempRoot::removeTree(*m_workDir);
    setWorkDir(std::nullopt);
}

void VideoItem::insert(const Shot &shot)
{
    const auto at = std::upper_bound(m_shots.begin(), m_shots.end(), shot.id,
                                     [](qint64 id, const Shot &existing) { return id < existing.id; });
    const int row = int(at - m_shots.begin());
    m_shots.insert(at, shot);
    emit shotInserted(row);
    emit shotsChanged();
}

bool VideoItem::replace(const Shot &shot)
{
    const auto at = std::find_if(m_shots.begin(), m_shots.end(),
                                 [&](const Shot &existing) { return existing.id == shot.id; });
    if (at == m_shots.end())
        return false;
    *at = shot;
    emit shotReplaced(int(at - m_shots.begin()));
    emit shotsChanged();
    return true;
}

bool VideoItem::remove(qint64 shotId)
{
    const auto at = std::find_if(m_shots.cbegin(), m_shots.cend(),
                                 [&](const Shot &existing) { return existing.id == shotId; });
    if (at == m_shots.cend())
        return false;
    const int row = int(at - m_shots.cbegin());
    m_shots.removeAt(row);
    emit shotRemoved(row);
    emit shotsChanged();
    if (m_deselected.contains(shotId)) {
        QSet<qint64> deselected = m_deselected;
        deselected.remove(shotId);
        setDeselected(deselected);
    }
    return true;
}

void VideoItem::setShots(const QList<Shot> &shots)
{
    m_shots = shots;
    emit shotsReset();
    emit shotsChanged();
}

void VideoItem::setDeselected(const QSet<qint64> &deselected)
{
    if (m_deselected == deselected)
        return;
    m_deselected = deselected;
    emit deselectedChanged();
}

void VideoItem::setStatus(VideoStatus status)
{
    if (m_status == status)
        return;
    m_status = status;
    emit statusChanged();
}

void VideoItem::setTotal(qint64 total)
{
    if (m_total == total)
        return;
    m_total = total;
    emit totalChanged();
}

void VideoItem::setFailed(qint64 failed)
{
    if (m_failed == failed)
        return;
    m_failed = failed;
    emit failedChanged();
}

void VideoItem::setElapsed(std::optional<double> elapsed)
{
    if (m_elapsed == elapsed)
        return;
    m_elapsed = elapsed;
    emit elapsedChanged();
}

void VideoItem::setScanProgress(std::optional<double> progress)
{
    if (m_scanProgress == progress)
        return;
    m_scanProgress = progress;
    emit scanProgressChanged();
}

void VideoItem::setWorkDir(const std::optional<QString> &workDir)
{
    if (m_workDir == workDir)
        return;
    m_workDir = workDir;
    emit workDirChanged();
}
