#pragma once
// One opened video with everything produced for it: its shots, which of them
// the user deselected, how far extraction has got and the folder holding its
// image files.
//
// Thread: UI thread only. Ownership: owned by AppModel (QObject parent); views
// keep QPointers and listen to the item's row signals (shots) and
// AppModel's (videos). The work folder on
// disk belongs to the item and is deleted by reset().

#include "basics/Records.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QUndoStack>
#include <QUuid>

#include <optional>

class VideoItem : public QObject {
    Q_OBJECT
public:
    const QUuid &id() const { return m_id; }
    const VideoInfo &info() const { return m_info; }

    // In place order: the planned shots by id (a step keeps a shot's place),
    // each added shot (addShot) where its time falls among them.
    const QList<Shot> &shots() const { return m_shots; }
    // Selection is kept as its complement so that new shots arrive selected.
    const QSet<qint64> &deselected() const { return m_deselected; }
    VideoStatus status() const { return m_status; }
    // Shots planned for the current or last extraction; 0 when none.
    qint64 total() const { return m_total; }
    // Planned shots the last finished extraction could not produce.
    qint64 failed() const { return m_failed; }
    // Seconds the last finished extraction took; absent until one finishes.
    std::optional<double> elapsed() const { return m_elapsed; }
    // Counts resets; an extraction's results are accepted only while it is unchanged.
    qint64 generation() const { return m_generation; }
    // While a scene run looks for the video's scenes, how far it has got
    // (0..1); none otherwise. The total is known only after it.
    std::optional<double> scanProgress() const { return m_scanProgress; }
    // Where the scenes of the current or last scene run begin, after the
    // first (Planning::RunPlan); empty for other runs.
    const QList<double> &sceneStarts() const { return m_sceneStarts; }
    std::optional<QString> workDir() const { return m_workDir; }
    // Makes a new, uniquely named folder "<prefix>-<uuid>" in the work folder
    // for files that replace or add shots: every path a cache, a share image
    // or a running export holds keeps showing the picture it showed. None
    // without a work folder or when it cannot be made.
    std::optional<QString> makeFilesFolder(const QString &prefix) const;

    // The user's changes to the shots, for undo and redo: every selection
    // command below and every step (moveShot) is one entry. Emptied by
    // reset() (new capture settings); gone with the item. Owned.
    QUndoStack *history() const { return m_history; }

    // Selects a deselected shot, deselects a selected one. The id is not
    // checked against shots().
    void toggle(qint64 shotId);
    // Selects all when anything is deselected, else deselects every current shot.
    void toggleAll();
    void selectAll();
    // Deselects every current shot.
    void deselectAll();
    // Deselects the current shots judged weak (WeakShots), keeping the rest
    // of the selection as it is; running it again changes nothing. Returns
    // and remembers the number judged weak.
    qint64 deselectWeak();
    // How many shots the last "deselect weak" judged weak, until the
    // selection is changed otherwise or the item is reset; none before.
    std::optional<qint64> weakDeselected() const { return m_weakDeselected; }
    // What the last "replace weak shots" did, until it is undone or the item
    // is reset: how many weak shots moved to a better frame, and how many
    // were deselected for want of one.
    struct WeakReplacement {
        qint64 replaced = 0;
        qint64 deselected = 0;
        bool operator==(const WeakReplacement &) const = default;
    };
    std::optional<WeakReplacement> weakReplaced() const { return m_weakReplaced; }
    // Puts each shot of `moves` (same ids) in the place of the shot it
    // replaces and deselects `deselect`, as one entry of history(), so that
    // one undo brings every earlier picture and the selection back. Shots no
    // longer there are left out.
    void replaceWeak(const QList<Shot> &moves, const QSet<qint64> &deselect);

    // The shots not deselected, in shots() order.
    QList<Shot> selectedShots() const;

    // The shots differ from what the extraction gave or what was last taken
    // out (an export, a saved or copied share image) by changes made by hand
    // (selection changes, steps): closing would lose that work. Undoing back
    // to that state makes it false again; so does reset().
    bool handEdited() const { return !m_history->isClean(); }
    // Counts the changes by hand applied so far, undo and redo included.
    qint64 edits() const { return m_edits; }
    // What was taken out was the shots as they stood at `edits`: when no
    // change was made since, they are no longer work to lose.
    void takenOut(qint64 edits);

    // The share image's title and note for this video: they belong to it
    // alone, so they live while it is open and are never stored.
    const QString &sheetTitle() const { return m_sheetTitle; }
    const QString &sheetNote() const { return m_sheetNote; }
    void setSheetTexts(const QString &title, const QString &note)
    {
        m_sheetTitle = title;
        m_sheetNote = note;
    }

    // --- Extraction state. AppModel creates items; it and its ShotRunner
    // are the only writers in the application; views only read. Public so that tests can put an item
    // in any state without running an extraction.

    explicit VideoItem(const VideoInfo &info, QObject *parent = nullptr);

    // Back to "not yet extracted": new generation, no shots, nothing
    // deselected, pending, no counts, not scanning, and the work folder deleted (a failure
    // to delete is ignored).
    void reset();
    // Keeps shots sorted by id; an equal id goes after the existing one.
    void insert(const Shot &shot);
    // Puts `shot` in the place of the shot with its id (its selection stays);
    // false when there is none.
    bool replace(const Shot &shot);
    // Takes out the shot with id `shotId`, and its deselection; false when
    // there is none.
    bool remove(qint64 shotId);
    // A step the user made: puts `moved` in the place of `before` (same id)
    // as an entry of history(), so that undo brings back `before`, picture,
    // time and all. False when the shot is not there.
    bool moveShot(const Shot &before, const Shot &moved);

    // A shot the user took by hand (a frame picked on the timeline): goes in
    // among the shots where its time falls, selected, as an entry of
    // history(); undo takes it out again, files kept for redo. False when
    // its id is already a shot's.
    bool addShot(const Shot &shot);
    // The id for the next added shot: after every planned one (total()) and
    // every id any shot had since the last reset, so that an undone shot's
    // id is never given again while its entry can be redone.
    qint64 nextShotId() const;

    // Replaces every shot at once (shotsReset).
    void setShots(const QList<Shot> &shots);
    void setDeselected(const QSet<qint64> &deselected);
    void setStatus(VideoStatus status);
    void setTotal(qint64 total);
    void setFailed(qint64 failed);
    void setElapsed(std::optional<double> elapsed);
    void setWorkDir(const std::optional<QString> &workDir);
    void setScanProgress(std::optional<double> progress);
    void setSceneStarts(const QList<double> &starts) { m_sceneStarts = starts; }

signals:
    // Every property notifies only on a real change, except shots (every
    // write) and generation (every increment).
    //
    // Which rows of shots() changed, right after the change and before
    // shotsChanged(): one shot inserted, replaced or removed at `row`, or
    // all of them replaced at once.
    void shotInserted(int row);
    void shotReplaced(int row);
    void shotRemoved(int row);
    void shotsReset();
    void shotsChanged();
    void deselectedChanged();
    void statusChanged();
    void totalChanged();
    void failedChanged();
    void elapsedChanged();
    void generationChanged();
    void workDirChanged();
    void weakDeselectedChanged();
    void scanProgressChanged();
    void handEditedChanged();
    void weakReplacedChanged();

private:
    class SelectionChange;
    class ShotMove;
    class ShotAdd;
    class WeakReplace;
    void setWeakReplaced(std::optional<WeakReplacement> replaced);

    // Inserts `shot` before the first shot with a later time.
    void insertByTime(const Shot &shot);

    // A selection change the user asked for, as an entry of history().
    void choose(const QSet<qint64> &deselected, std::optional<qint64> weakDeselected, const QString &text);
    void setWeakDeselected(std::optional<qint64> count);

    const QUuid m_id;
    const VideoInfo m_info;
    QList<Shot> m_shots;
    QSet<qint64> m_deselected;
    VideoStatus m_status = VideoStatus::pending;
    qint64 m_total = 0;
    qint64 m_failed = 0;
    std::optional<double> m_elapsed;
    qint64 m_generation = 0;
    std::optional<QString> m_workDir;
    std::optional<qint64> m_weakDeselected;
    std::optional<double> m_scanProgress;
    QList<double> m_sceneStarts;
    qint64 m_edits = 0;
    qint64 m_lastAddedId = -1;
    std::optional<WeakReplacement> m_weakReplaced;
    QUndoStack *m_history;
    QString m_sheetTitle;
    QString m_sheetNote;
};
