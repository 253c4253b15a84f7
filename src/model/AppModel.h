#pragma once
// The one observable application state: the open videos, the selection, the
// alert on show, the applied capture settings, and the commands that change
// them. Which video is extracted next is the model's choice (the selected
// one first); the extracting itself is its ShotRunner's.
//
// Thread: UI thread only; every operation returns with the model, its items
// and the temporary files consistent and never waits for the extractor
// (except shutdown()).
//
// Ownership: the model owns its VideoItems (QObject children; a removed item
// is deleted once control returns to the event loop) and its runner.
// `dialogs` is not owned and may be null.

#include "basics/Records.h"
#include "basics/Stepping.h"
#include "model/Engine.h"
#include "model/ShotRunner.h"
#include "model/VideoItem.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QUrl>
#include <QUuid>

#include <chrono>
#include <memory>
#include <optional>
#include <stop_token>

class Dialogs;

class AppModel : public QObject {
    Q_OBJECT
public:
    AppModel(Engine engine, Dialogs *dialogs, QObject *parent = nullptr);
    // Stops the runner and waits up to 5 s for an extraction to wind down.
    ~AppModel() override;

    // In the order they were added.
    const QList<VideoItem *> &videos() const { return m_videos; }
    std::optional<QUuid> selectedID() const { return m_selectedID; }
    void setSelectedID(const std::optional<QUuid> &id);
    // The item named by selectedID, else the first item; null when empty.
    VideoItem *selected() const;
    std::optional<AppAlert> alert() const { return m_alert; }
    void setAlert(const std::optional<AppAlert> &alert);
    bool showShareImage() const { return m_showShareImage; }
    void setShowShareImage(bool show);

    // The selected video is extracted and has at least one selected shot,
    // and no export is copying.
    bool canExport() const { return m_canExport; }
    // More than one video is open, all are extracted, at least one has a
    // selected shot, and no export is copying.
    bool canExportAll() const { return m_canExportAll; }
    // How far the export that is copying has got: shots copied of all it
    // copies. None while no export runs.
    struct ExportProgress {
        qint64 done = 0;
        qint64 total = 0;
        bool operator==(const ExportProgress &) const = default;
    };
    std::optional<ExportProgress> exportProgress() const { return m_exportProgress; }
    // An export starts copying `total` shots of `videos`: canExport and
    // canExportAll are false until it ends. The token tells it to stop
    // (stopExport; also closeAll, shutdown, apply, and removing one of
    // `videos`, which delete the shots it copies).
    std::stop_token beginExport(qint64 total, QSet<QUuid> videos = {});
    void setExportDone(qint64 done);
    void endExport();
    // Asks the running export to stop after the file it is copying; what is
    // copied stays. Nothing without one.
    void stopExport();
    // The selected video has at least one shot: its selection can be edited.
    bool canEditShots() const { return m_canEditShots; }

    // Opens the files in order: all are probed at once, then taken in order;
    // an already open file is only selected, a readable one joins the list
    // and becomes the selection, the unreadable ones (and those that did not
    // answer within patience().probe) are named together in one "Can't Open
    // Video" alert. Starts the runner in every case.
    QCoro::Task<> add(QList<QUrl> urls);

    // How long the model waits on a file that stops answering (see
    // ShotRunner::Patience).
    using Patience = ShotRunner::Patience;
    Patience patience() const { return m_runner->patience(); }
    void setPatience(Patience patience) { m_runner->setPatience(patience); }
    // A worker is extracting or about to take the next pending video; false
    // once every video is extracted, before settings arrive and after closeAll.
    bool isWorking() const { return m_runner->isRunning(); }
    // Asks for video files and adds the chosen ones; nothing on cancel.
    void chooseVideos();

    // New capture settings: equal ones change nothing; otherwise every video
    // is reset and extracted again, the selected one first.
    void apply(const ExtractSettings &settings);
    // Removes one video (deleting its files) and moves the selection to the
    // video that followed it, or the new last one. Does nothing for an item
    // that is not listed; removing the last one closes all.
    void remove(const QUuid &id);
    void remove(VideoItem *item);
    // Back to the start screen: no videos, no selection, empty thumbnail
    // cache, temporary root deleted. The settings are kept.
    void closeAll();
    // "Back": closeAll(), after asking (Dialogs::confirmCloseAll) when a
    // video holds work done by hand (VideoItem::handEdited); nothing when
    // the user cancels.
    void goBack();
    // The shots of video `id` as they stood at its `edits` (VideoItem::edits)
    // were taken out (exported whole, or its share image saved or copied):
    // unless changed since, closing no longer loses hand-made work.
    void tookOut(const QUuid &id, qint64 edits);

    // At quit: stops the runner and waits up to `timeout` for a running
    // extraction to end, so nothing is written after the temporary root is
    // deleted. Returns false when an extraction was still running.
    bool shutdown(std::chrono::milliseconds timeout);

    // Whether shot `id` of `item` can move by `step` now: the engine can
    // step, the video is extracted, none of its shots is being moved, and the
    // step stays within the video.
    bool canStep(const VideoItem *item, qint64 id, ShotStep step) const;
    // Decodes, frame-exactly, the frame `step` away from shot `id` and puts
    // it in the shot's place: same id and place, new time and new image files
    // (in a folder of their own inside the work folder, so that no cache and
    // no export still reading the old files ever sees them change). True when
    // the shot moved; otherwise (impossible, failed, the video was reset or
    // removed meanwhile) the shot is as it was.
    QCoro::Task<bool> step(VideoItem *item, qint64 id, ShotStep step);

    // Whether a shot can be added to `item` by hand now: the engine can
    // write, the video is extracted, and none of its shots is being moved or
    // added.
    bool canAddShot(const VideoItem *item) const;
    // Adds `frame`, the full-size picture on screen at exactly `time`
    // seconds, to `item` as a new selected shot (VideoItem::addShot) with an
    // id after every planned one, its files in a folder of their own inside
    // the work folder. Gives the new shot's id; none when it cannot be added
    // now, when a shot already shows that frame, or when writing failed or
    // the video was reset or removed meanwhile.
    QCoro::Task<std::optional<qint64>> addShot(VideoItem *item, QImage frame, double time);
    // The shot of `item` that shows the frame on screen at `time` seconds;
    // none when no shot does.
    static std::optional<qint64> shotShowing(const VideoItem *item, double time);

    // Whether "replace weak shots" can run on the selected video now: the
    // engine can, the video is extracted, none of its shots is being moved
    // and no replacement runs.
    bool canReplaceWeak() const;
    // How far the running replacement has got: weak shots done of all, for
    // `video`. None while none runs.
    struct ReplaceProgress {
        QUuid video;
        qint64 done = 0;
        qint64 total = 0;
        bool operator==(const ReplaceProgress &) const = default;
    };
    std::optional<ReplaceProgress> replaceProgress() const { return m_replaceProgress; }
    // Replaces every weak shot of the selected video with the best frame of
    // its own stretch (new files in a folder of their own, same id and
    // place), and deselects those whose stretch has none, as one entry of
    // its history (VideoItem::replaceWeak). In the background; the result
    // is applied when all are done, or what was done when stopped. Nothing
    // when it cannot run; with no weak shot it only records that.
    QCoro::Task<> replaceWeak();
    // Ends the running replacement after the shot it works on; what is done
    // is applied.
    void stopReplacing();

    // Undo and redo of the selected video's history (VideoItem::history):
    // possible while it has an entry that way and none of its shots is
    // being moved. Nothing otherwise.
    bool canUndo() const;
    bool canRedo() const;
    void undo();
    void redo();

    // The planned shot times (see Planning::times).
    static QList<double> times(ExtractMode mode, double interval, qint64 count, double duration);

signals:
    // Which rows of videos() changed, right after the change and before
    // videosChanged(): one video added at `row` or removed from it, or the
    // whole list replaced (closeAll).
    void videoInserted(int row);
    void videoRemoved(int row);
    void videosReset();
    void videosChanged();
    void selectedIDChanged();
    // The item selected() gives is a different one.
    void selectedChanged();
    void alertChanged();
    void showShareImageChanged();
    // Each only when the value really changed.
    void canExportChanged();
    void canExportAllChanged();
    void canEditShotsChanged();
    void exportProgressChanged();
    // canUndo or canRedo may read differently.
    void historyChanged();
    // replaceProgress or canReplaceWeak may read differently.
    void replaceProgressChanged();

private:
    VideoItem *findByUrl(const QUrl &url) const;
    // The selected item if pending, else the first pending one.
    VideoItem *nextPending() const;
    void startRunner();
    void stopRunner();
    void updateSelected();
    // Recomputes canExport, canExportAll and canEditShots; called on every change of what
    // they read (the list, the selection, and each item's status and shots
    // and selection).
    void updateExportable();
    void watch(VideoItem *item);
    // Lets the engine close the decoders kept for stepping, except the
    // selected video's: the user has moved on from those.
    void releaseSteppers();
    static QCoro::Task<bool> runStep(QPointer<AppModel> model, QPointer<VideoItem> item, Shot shot,
                                     double target);
    static QCoro::Task<std::optional<qint64>> runAdd(QPointer<AppModel> model, QPointer<VideoItem> item,
                                                     QImage frame, double time);

    Dialogs *m_dialogs;
    // The work off the UI thread: probes, extractions and steps. A child.
    ShotRunner *m_runner;
    QList<VideoItem *> m_videos;
    std::optional<QUuid> m_selectedID;
    QPointer<VideoItem> m_lastSelected;
    std::optional<AppAlert> m_alert;
    bool m_showShareImage = false;
    bool m_canExport = false;
    bool m_canExportAll = false;
    std::optional<ExportProgress> m_exportProgress;
    std::stop_source m_exportStop;
    QSet<QUuid> m_exportVideos;
    bool m_canEditShots = false;
    std::optional<ExtractSettings> m_settings;
    // Videos one of whose shots is being moved; one step at a time each.
    QSet<QUuid> m_stepping;
    std::optional<ReplaceProgress> m_replaceProgress;
    std::stop_source m_replaceStop;
    // Videos whose decoder the engine may keep open for further steps.
    QSet<QUrl> m_stepped;
};
