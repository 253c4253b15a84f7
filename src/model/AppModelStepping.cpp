// Shots changed frame by frame by hand: one moved to a neighbouring frame,
// or a frame picked on the timeline added as a new shot.
#include "model/AppModel.h"

#include "basics/Logging.h"
#include "basics/TempRoot.h"
#include "media/Thumbnails.h"

#include <QCoroFuture>
#include <QDir>
#include <QFile>

#include <cmath>


namespace {

const Shot *findShot(const VideoItem *item, qint64 id)
{
    for (const Shot &shot : item->shots()) {
        if (shot.id == id)
            return &shot;
    }
    return nullptr;
}

} // namespace

void AppModel::releaseSteppers()
{
    const VideoItem *current = selected();
    for (auto it = m_stepped.begin(); it != m_stepped.end();) {
        if (current && current->info().url == *it) {
            ++it;
            continue;
        }
        if (m_runner->engine().release)
            m_runner->engine().release(*it);
        it = m_stepped.erase(it);
    }
}

bool AppModel::canStep(const VideoItem *item, qint64 id, ShotStep step) const
{
    if (!m_runner->engine().step || !item || item->status() != VideoStatus::done || !item->workDir()
        || m_stepping.contains(item->id()))
        return false;
    const Shot *shot = findShot(item, id);
    return shot && Stepping::target(shot->time, step, item->info().fps, item->info().duration).has_value();
}

QCoro::Task<bool> AppModel::step(VideoItem *item, qint64 id, ShotStep step)
{
    if (!canStep(item, id, step))
        co_return false;
    const Shot shot = *findShot(item, id);
    const double target = *Stepping::target(shot.time, step, item->info().fps, item->info().duration);
    m_stepping.insert(item->id());
    emit historyChanged();
    QCoro::Task<bool> running = runStep(this, item, shot, target);
    const bool moved = co_await running;
    co_return moved;
}

QCoro::Task<bool> AppModel::runStep(QPointer<AppModel> model, QPointer<VideoItem> item, Shot shot, double target)
{
    const qint64 gen = item->generation();
    const QUuid itemId = item->id();
    const std::optional<QString> made = item->makeFilesFolder(QStringLiteral("step"));
    const QString folder = made.value_or(QString());
    std::optional<Shot> stepped;
    if (made) {
        // The shots were taken with the current settings: the same format
        // and quality, but always the exact frame.
        ExtractSettings settings = model->m_settings.value_or(ExtractSettings{});
        settings.precise = true;
        // The engine keeps the video's decoder open between steps.
        model->m_stepped.insert(item->info().url);
        const VideoInfo info = item->info();
        const double frame = info.fps > 0 ? 1.0 / info.fps : Stepping::fallbackFrameSeconds;
        // A frame may stay on screen longer than the nominal rate says (a
        // variable rate, as phones record in low light): a step on that
        // finds the same frame again asks a frame further, up to a second.
        for (double wanted = target;;) {
            std::optional<QFuture<std::optional<Shot>>> running
                = model->m_runner->step(info, shot.id, wanted, settings, folder);
            if (!running)
                break;
            stepped = co_await *running;
            if (!model || !stepped || stepped->time != shot.time || target <= shot.time)
                break;
            QFile::remove(stepped->file);
            QFile::remove(stepped->thumbFile);
            stepped.reset();
            wanted += frame;
            if (wanted >= info.duration || wanted > target + 1)
                break;
        }
    }
    if (model) {
        model->m_stepping.remove(itemId);
        emit model->historyChanged();
    }
    // A result for a reset or removed video, or one that found the same
    // frame again, changes nothing.
    const bool usable = model && item && item->generation() == gen && stepped && stepped->time != shot.time;
    if (!usable) {
        if (!item || item->generation() == gen)
            TempRoot::removeTree(folder);
        qCInfo(logModel) << "shot" << shot.id << "at" << shot.time << "s was not moved to" << target << "s";
        co_return false;
    }
    stepped->id = shot.id;
    item->moveShot(shot, *stepped);
    Thumbnails::forget(shot.thumbFile);
    co_return true;
}

bool AppModel::canAddShot(const VideoItem *item) const
{
    return m_runner->engine().write && item && item->status() == VideoStatus::done && item->workDir()
        && !m_stepping.contains(item->id());
}

std::optional<qint64> AppModel::shotShowing(const VideoItem *item, double time)
{
    // Times are frame starts as decoded; two within half a frame are the
    // same frame whatever the rounding.
    const double fps = item->info().fps > 0 ? item->info().fps : 1 / Stepping::fallbackFrameSeconds;
    for (const Shot &shot : item->shots()) {
        if (std::abs(shot.time - time) < 0.5 / fps)
            return shot.id;
    }
    return std::nullopt;
}

QCoro::Task<std::optional<qint64>> AppModel::addShot(VideoItem *item, QImage frame, double time)
{
    if (!canAddShot(item) || frame.isNull() || shotShowing(item, time))
        co_return std::nullopt;
    m_stepping.insert(item->id());
    emit historyChanged();
    QCoro::Task<std::optional<qint64>> running = runAdd(this, item, std::move(frame), time);
    co_return co_await running;
}

QCoro::Task<std::optional<qint64>> AppModel::runAdd(QPointer<AppModel> model, QPointer<VideoItem> item, QImage frame,
                                                    double time)
{
    const qint64 gen = item->generation();
    const QUuid itemId = item->id();
    const qint64 id = item->nextShotId();
    const std::optional<QString> made = item->makeFilesFolder(QStringLiteral("added"));
    const QString folder = made.value_or(QString());
    std::optional<Shot> added;
    if (made) {
        const ExtractSettings settings = model->m_settings.value_or(ExtractSettings{});
        if (std::optional<QFuture<std::optional<Shot>>> running
            = model->m_runner->write(frame, id, time, settings, folder))
            added = co_await *running;
    }
    if (model) {
        model->m_stepping.remove(itemId);
        emit model->historyChanged();
    }
    const bool usable = model && item && item->generation() == gen && added && !shotShowing(item, time);
    if (!usable || !item->addShot(*added)) {
        if (item && item->generation() == gen)
            TempRoot::removeTree(folder);
        qCInfo(logModel) << "no shot was added at" << time << "s";
        co_return std::nullopt;
    }
    co_return id;
}
