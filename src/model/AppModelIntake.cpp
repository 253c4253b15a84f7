// AppModel's intake: probing the files handed to add() all at once, each
// within its patience, turning the readable ones into items and naming the
// others in one alert; and the file dialog that feeds it.
#include "model/AppModel.h"

#include "basics/Logging.h"
#include "model/Dialogs.h"

#include <QLocale>

#include <algorithm>

QCoro::Task<> AppModel::add(QList<QUrl> urls)
{
    const QPointer<AppModel> self(this);
    QStringList failed;
    // Every file is probed at once, so one that does not answer holds up
    // the others by its patience at most, not one patience each.
    QList<std::optional<ShotRunner::Probing>> probes;
    const auto deadline = std::chrono::steady_clock::now() + m_runner->patience().probe;
    for (qsizetype i = 0; i < urls.size(); ++i) {
        const QUrl &url = urls.at(i);
        // A file named twice is probed once; its second mention only selects it.
        const bool known = findByUrl(url) || urls.indexOf(url) < i;
        probes.append(known ? std::nullopt : m_runner->probe(url));
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
            QCoro::Task<std::optional<VideoInfo>> loading = ShotRunner::answer(*probes.at(i), deadline);
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

void AppModel::chooseVideos()
{
    if (!m_dialogs)
        return;
    const QList<QUrl> urls = m_dialogs->chooseVideos();
    if (!urls.isEmpty())
        add(urls); // runs on by itself; its task handle is not needed
}
