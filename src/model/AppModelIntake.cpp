// AppModel's intake: probing the files handed to add() all at once, each
// within its patience, turning the readable ones into items and naming the
// others in one alert; and the file dialog that feeds it.
#include "model/AppModel.h"

#include "engine/Logging.h"
#include "model/Dialogs.h"

#include <QCoroSignal>
#include <QFutureWatcher>
#include <QLocale>
#include <QtConcurrent>

#include <algorithm>

QCoro::Task<> AppModel::add(QList<QUrl> urls)
{
    const QPointer<AppModel> self(this);
    QStringList failed;
    // Every file is probed at once, so one that does not answer holds up
    // the others by its patience at most, not one patience each.
    QList<std::optional<Probing>> probes;
    const auto deadline = std::chrono::steady_clock::now() + m_patience.probe;
    for (qsizetype i = 0; i < urls.size(); ++i) {
        const QUrl &url = urls.at(i);
        // A file named twice is probed once; its second mention only selects it.
        if (findByUrl(url) || urls.indexOf(url) < i || !m_engine.probe || !m_probes) {
            probes.append(std::nullopt);
            continue;
        }
        auto stop = std::make_shared<std::stop_source>();
        QFuture<std::optional<VideoInfo>> future = QtConcurrent::run(
            m_probes.get(), [url, probe = m_engine.probe, stop, closing = m_closing.get_token()] {
                const std::stop_callback quitting(closing, [&stop] { stop->request_stop(); });
                return probe(url, stop->get_token());
            });
        probes.append(Probing{future, stop});
    }
    for (qsizetype i = 0; i < urls.size(); ++i) {
        const QUrl &url = urls.at(i);
        if (VideoItem *open = findByUrl(url)) {
            setSelectedID(open->id());
            continue;
        }
        if (urls.indexOf(url) < i)
            continue;  // named before, and that one could not be opened
        // Plain statements around co_await: g++ 12 mishandles temporaries
        // in a co_await inside a conditional expression.
        std::optional<VideoInfo> info;
        if (probes.at(i)) {
            QCoro::Task<std::optional<VideoInfo>> loading = load(*probes.at(i), deadline);
            info = co_await loading;
        }
        if (!self)
            co_return;
        if (!info) {
            qCInfo(logModel) << "cannot open" << url.toDisplayString(QUrl::PreferLocalFile);
            failed.append(url.fileName());
            continue;
        }
        // Another add may have opened the same file while this one waited.
        if (VideoItem *open = findByUrl(url)) {
            setSelectedID(open->id());
            continue;
        }
        auto *item = new VideoItem(*info, this);
        watch(item);
        m_videos.append(item);
        emit videoInserted(int(m_videos.size() - 1));
        emit videosChanged();
        setSelectedID(item->id());
        updateSelected();
    }
    if (!failed.isEmpty()) {
        setAlert(AppAlert{
            tr("Can't Open Video"),
            tr("“%1” can't be read. Framelark supports the video formats this computer can play, "
               "such as MP4, MOV, M4V, MKV, AVI and WebM.")
                .arg(QLocale().createSeparatedList(failed)),
        });
    }
    startRunner();
}

QCoro::Task<std::optional<VideoInfo>> AppModel::load(Probing probing,
                                                     std::chrono::steady_clock::time_point deadline)
{
    if (!probing.future.isFinished()) {
        QFutureWatcher<std::optional<VideoInfo>> watcher;
        watcher.setFuture(probing.future);
        const auto left = std::max(std::chrono::milliseconds(0),
                                   std::chrono::duration_cast<std::chrono::milliseconds>(
                                       deadline - std::chrono::steady_clock::now()));
        co_await qCoro(&watcher, &QFutureWatcherBase::finished, left);
        // Still running: the file does not answer. The probe is asked to
        // stop, which ends it at its next read; its thread is not waited
        // for, and what it finds later is dropped.
        if (!probing.future.isFinished()) {
            probing.stop->request_stop();
            co_return std::nullopt;
        }
    }
    co_return probing.future.result();
}

void AppModel::chooseVideos()
{
    if (!m_dialogs)
        return;
    const QList<QUrl> urls = m_dialogs->chooseVideos();
    if (!urls.isEmpty())
        add(urls); // runs on by itself; its task handle is not needed
}
