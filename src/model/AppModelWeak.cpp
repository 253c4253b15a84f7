// Replacing weak shots with the best frame of their own stretch.
#include "model/AppModel.h"

#include "basics/Logging.h"
#include "basics/TempRoot.h"
#include "media/Thumbnails.h"

#include <QCoroFuture>
#include <QDir>

bool AppModel::canReplaceWeak() const
{
    const VideoItem *item = selected();
    return m_runner->engine().replaceWeak && item && item->status() == VideoStatus::done && item->workDir()
        && !item->shots().isEmpty() && !m_stepping.contains(item->id()) && !m_replaceProgress;
}

void AppModel::stopReplacing()
{
    m_replaceStop.request_stop();
}

QCoro::Task<> AppModel::replaceWeak()
{
    if (!canReplaceWeak())
        co_return;
    QPointer<VideoItem> item = selected();
    QPointer<AppModel> self = this;
    const qint64 gen = item->generation();
    const QUuid itemId = item->id();
    const QList<WeakShots::Stretch> stretches = WeakShots::weakStretches(item->shots(), item->info().duration, item->sceneStarts());
    if (stretches.isEmpty()) {
        item->replaceWeak({}, {});
        co_return;
    }
    const float median = WeakShots::medianAcuity(item->shots());
    const std::optional<QString> made = item->makeFilesFolder(QStringLiteral("better"));
    if (!made)
        co_return;
    const QString folder = *made;
    m_replaceStop = std::stop_source();
    m_stepping.insert(itemId);
    m_replaceProgress = ReplaceProgress{itemId, 0, stretches.size()};
    emit replaceProgressChanged();
    emit historyChanged();
    const auto progress = [self, itemId, total = qint64(stretches.size())](int done) {
        QMetaObject::invokeMethod(self, [self, itemId, total, done] {
            if (self && self->m_replaceProgress && self->m_replaceProgress->video == itemId) {
                self->m_replaceProgress = ReplaceProgress{itemId, done, total};
                emit self->replaceProgressChanged();
            }
        });
    };
    // The shots as they were asked for: the settings they were taken with.
    const ExtractSettings settings = m_settings.value_or(ExtractSettings{});
    QList<std::optional<Shot>> found;
    if (std::optional<QFuture<QList<std::optional<Shot>>>> running = m_runner->replaceWeak(
            item->info(), stretches, median, settings, folder, progress, m_replaceStop.get_token()))
        found = co_await *running;
    if (!self)
        co_return;
    m_stepping.remove(itemId);
    m_replaceProgress.reset();
    emit replaceProgressChanged();
    emit historyChanged();
    if (!item || item->generation() != gen) {
        TempRoot::removeTree(folder);  // a late writer may have left files after the work folder went
        co_return;
    }
    if (found.isEmpty()) {
        TempRoot::removeTree(folder);  // stopped before the first: nothing changes
        co_return;
    }
    // Answered stretches only: a stop leaves the rest as they are.
    QList<Shot> moves;
    QSet<qint64> deselect;
    for (qsizetype i = 0; i < found.size(); ++i) {
        if (found[i])
            moves.append(*found[i]);
        else
            deselect.insert(stretches[i].id);
    }
    for (const Shot &shot : item->shots()) {
        for (const Shot &moved : std::as_const(moves)) {
            if (moved.id == shot.id)
                Thumbnails::forget(shot.thumbFile);
        }
    }
    qCInfo(logModel) << "weak shots:" << moves.size() << "replaced," << deselect.size() << "deselected of"
                     << stretches.size();
    item->replaceWeak(moves, deselect);
}
