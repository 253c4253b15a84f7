// AppModel: construction and shutdown, the observed state (selection,
// alert, export availability) and the commands that change the list
// (apply, remove, close all). Opening files is in AppModelIntake.cpp,
// moving shots in AppModelStepping.cpp; the work itself is ShotRunner's.
#include "model/AppModel.h"

#include "basics/Planning.h"
#include "basics/TempRoot.h"
#include "media/ParkedInputs.h"
#include "media/Thumbnails.h"
#include "model/Dialogs.h"

#include <algorithm>

using namespace std::chrono_literals;

AppModel::AppModel(Engine engine, Dialogs *dialogs, QObject *parent)
    : QObject(parent)
    , m_dialogs(dialogs)
    , m_runner(new ShotRunner(std::move(engine), this))
{
    connect(this, &AppModel::videosChanged, this, &AppModel::updateExportable);
    connect(this, &AppModel::selectedChanged, this, &AppModel::updateExportable);
    connect(this, &AppModel::selectedChanged, this, &AppModel::releaseSteppers);
    connect(this, &AppModel::selectedChanged, this, &AppModel::historyChanged);
}

AppModel::~AppModel()
{
    shutdown(5s);
}

bool AppModel::shutdown(std::chrono::milliseconds timeout)
{
    stopExport();
    stopRunner();
    return m_runner->shutdown(timeout);
}

VideoItem *AppModel::nextPending() const
{
    VideoItem *current = selected();
    if (current && current->status() == VideoStatus::pending)
        return current;
    for (VideoItem *item : m_videos) {
        if (item->status() == VideoStatus::pending)
            return item;
    }
    return nullptr;
}

void AppModel::startRunner()
{
    if (m_settings)
        m_runner->start(*m_settings, [this] { return nextPending(); });
}

void AppModel::stopRunner()
{
    m_runner->stop();
    for (VideoItem *item : m_videos) {
        if (item->status() == VideoStatus::extracting)
            item->reset();
    }
}

QList<double> AppModel::times(ExtractMode mode, double interval, qint64 count, double duration)
{
    return Planning::times(mode, interval, count, duration);
}

// --- observed state ---------------------------------------------------------

void AppModel::setSelectedID(const std::optional<QUuid> &id)
{
    if (m_selectedID == id)
        return;
    m_selectedID = id;
    emit selectedIDChanged();
    updateSelected();
}

VideoItem *AppModel::selected() const
{
    if (m_selectedID) {
        for (VideoItem *item : m_videos) {
            if (item->id() == *m_selectedID)
                return item;
        }
    }
    return m_videos.isEmpty() ? nullptr : m_videos.first();
}

void AppModel::updateSelected()
{
    VideoItem *now = selected();
    if (m_lastSelected.data() == now)
        return;
    m_lastSelected = now;
    emit selectedChanged();
}

void AppModel::setAlert(const std::optional<AppAlert> &alert)
{
    if (m_alert == alert)
        return;
    m_alert = alert;
    emit alertChanged();
}

void AppModel::setShowShareImage(bool show)
{
    if (m_showShareImage == show)
        return;
    m_showShareImage = show;
    emit showShareImageChanged();
}

namespace {

// Counted against the shots themselves: the deselected set may name ids
// that are not (or no longer) among them, so comparing sizes would lie.
bool hasSelectedShot(const VideoItem *item)
{
    const QSet<qint64> &deselected = item->deselected();
    return std::any_of(item->shots().begin(), item->shots().end(),
                       [&](const Shot &shot) { return !deselected.contains(shot.id); });
}

bool exportable(const VideoItem *item)
{
    return item->status() == VideoStatus::done && hasSelectedShot(item);
}

} // namespace

void AppModel::updateExportable()
{
    const VideoItem *current = selected();
    const bool idle = !m_exportProgress;
    const bool one = idle && current && exportable(current);
    const bool all = idle && m_videos.size() > 1
        && std::all_of(m_videos.begin(), m_videos.end(),
                       [](const VideoItem *item) { return item->status() == VideoStatus::done; })
        && std::any_of(m_videos.begin(), m_videos.end(), hasSelectedShot);
    if (m_canExport != one) {
        m_canExport = one;
        emit canExportChanged();
    }
    if (m_canExportAll != all) {
        m_canExportAll = all;
        emit canExportAllChanged();
    }
    const bool editable = current && !current->shots().isEmpty();
    if (m_canEditShots != editable) {
        m_canEditShots = editable;
        emit canEditShotsChanged();
    }
}

std::stop_token AppModel::beginExport(qint64 total, QSet<QUuid> videos)
{
    m_exportStop = std::stop_source();
    m_exportVideos = std::move(videos);
    m_exportProgress = ExportProgress{0, total};
    emit exportProgressChanged();
    updateExportable();
    return m_exportStop.get_token();
}

void AppModel::setExportDone(qint64 done)
{
    if (!m_exportProgress || m_exportProgress->done == done)
        return;
    m_exportProgress->done = done;
    emit exportProgressChanged();
}

void AppModel::endExport()
{
    if (!m_exportProgress)
        return;
    m_exportProgress.reset();
    m_exportVideos.clear();
    emit exportProgressChanged();
    updateExportable();
}

void AppModel::stopExport()
{
    if (m_exportProgress)
        m_exportStop.request_stop();
}

bool AppModel::canUndo() const
{
    const VideoItem *item = selected();
    return item && !m_stepping.contains(item->id()) && item->history()->canUndo();
}

bool AppModel::canRedo() const
{
    const VideoItem *item = selected();
    return item && !m_stepping.contains(item->id()) && item->history()->canRedo();
}

void AppModel::undo()
{
    if (canUndo())
        selected()->history()->undo();
}

void AppModel::redo()
{
    if (canRedo())
        selected()->history()->redo();
}

void AppModel::watch(VideoItem *item)
{
    connect(item->history(), &QUndoStack::canUndoChanged, this, &AppModel::historyChanged);
    connect(item->history(), &QUndoStack::canRedoChanged, this, &AppModel::historyChanged);
    connect(item, &VideoItem::statusChanged, this, &AppModel::updateExportable);
    connect(item, &VideoItem::shotsChanged, this, &AppModel::updateExportable);
    connect(item, &VideoItem::deselectedChanged, this, &AppModel::updateExportable);
}

VideoItem *AppModel::findByUrl(const QUrl &url) const
{
    for (VideoItem *item : m_videos) {
        if (item->info().url == url)
            return item;
    }
    return nullptr;
}


// --- commands ---------------------------------------------------------------

void AppModel::apply(const ExtractSettings &settings)
{
    if (m_settings && *m_settings == settings)
        return;
    m_replaceStop.request_stop();  // its shots are about to go
    m_settings = settings;
    // Every video's shots are about to be deleted, those an export copies too.
    stopExport();
    stopRunner();
    for (VideoItem *item : m_videos)
        item->reset();
    startRunner();
}

void AppModel::remove(VideoItem *item)
{
    if (item)
        remove(item->id());
}

void AppModel::remove(const QUuid &id)
{
    if (m_replaceProgress && m_replaceProgress->video == id)
        m_replaceStop.request_stop();  // its shots are about to go
    const auto at = std::find_if(m_videos.begin(), m_videos.end(),
                                 [&](VideoItem *item) { return item->id() == id; });
    if (at == m_videos.end())
        return;
    const qsizetype i = at - m_videos.begin();
    VideoItem *item = *at;
    const bool wasExtracting = item->status() == VideoStatus::extracting;
    if (wasExtracting)
        stopRunner();
    if (m_exportVideos.contains(id))
        stopExport();  // its shots are about to be deleted
    ParkedInputs::forget(item->info().url.toLocalFile());
    // Unwatched first: its reset must not flicker the export availability
    // of the videos that stay.
    item->disconnect(this);
    item->reset();
    m_videos.removeAt(i);
    emit videoRemoved(int(i));
    emit videosChanged();
    if (m_selectedID == id) {
        if (i < m_videos.size())
            setSelectedID(m_videos.at(i)->id());
        else if (!m_videos.isEmpty())
            setSelectedID(m_videos.last()->id());
        else
            setSelectedID(std::nullopt);
        setShowShareImage(false);
    }
    updateSelected();
    // Views may still be inside a call that reached here through the item.
    item->deleteLater();
    if (m_videos.isEmpty())
        closeAll();
    else if (wasExtracting)
        startRunner();
}

void AppModel::goBack()
{
    const bool handWork = std::any_of(m_videos.cbegin(), m_videos.cend(),
                                      [](const VideoItem *item) { return item->handEdited(); });
    if (handWork && (!m_dialogs || !m_dialogs->confirmCloseAll()))
        return;
    closeAll();
}

void AppModel::tookOut(const QUuid &id, qint64 edits)
{
    for (VideoItem *item : std::as_const(m_videos)) {
        if (item->id() == id)
            item->takenOut(edits);
    }
}

void AppModel::closeAll()
{
    m_replaceStop.request_stop();  // its shots are about to go
    // The shots an export still copies are about to be deleted.
    stopExport();
    ParkedInputs::clear();
    for (VideoItem *item : std::as_const(m_videos))
        item->disconnect(this);
    stopRunner();
    for (VideoItem *item : m_videos)
        item->reset();
    const QList<VideoItem *> closed = m_videos;
    m_videos.clear();
    emit videosReset();
    emit videosChanged();
    setSelectedID(std::nullopt);
    setShowShareImage(false);
    updateSelected();
    for (VideoItem *item : closed)
        item->deleteLater();
    Thumbnails::clear();
    TempRoot::remove();
}
