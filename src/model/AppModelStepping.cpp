// Moving one shot to a neighbouring frame.
#include "model/AppModel.h"

#include "basics/Logging.h"
#include "basics/TempRoot.h"
#include "media/Thumbnails.h"

#include <QCoroFuture>
#include <QDir>


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
    // New files in a folder of their own: every path a cache, a share image
    // or a running export holds keeps showing the picture it showed.
    const QString folder = QDir(*item->workDir()).filePath(
        QStringLiteral("step-") + QUuid::createUuid().toString(QUuid::WithoutBraces));
    std::optional<Shot> stepped;
    if (QDir().mkdir(folder)) {
        // The shots were taken with the current settings: the same format
        // and quality, but always the exact frame.
        ExtractSettings settings = model->m_settings.value_or(ExtractSettings{});
        settings.precise = true;
        // The engine keeps the video's decoder open between steps.
        model->m_stepped.insert(item->info().url);
        if (std::optional<QFuture<std::optional<Shot>>> running
            = model->m_runner->step(item->info(), shot.id, target, settings, folder))
            stepped = co_await *running;
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
