#include "model/AppModel.h"

#include "engine/Logging.h"
#include "engine/Planning.h"
#include "engine/TempRoot.h"
#include "media/Thumbnails.h"
#include "model/Dialogs.h"

#include <QCoreApplication>
#include <QCoroFuture>
#include <QCoroSignal>
#include <QFutureWatcher>
#include <QLocale>
#include <QtConcurrent>

#include <algorithm>
#include <mutex>

using namespace std::chrono_literals;

// Carries the shots of one extraction from the writer threads to the item on
// the UI thread. Shots are collected here and drained by a queued call, and
// once more when the extractor has returned, so every shot is in the item
// before it is marked done, whatever the order the event loop runs things in.
class AppModel::ShotInbox : public std::enable_shared_from_this<ShotInbox> {
public:
    ShotInbox(QPointer<VideoItem> item, qint64 generation)
        : m_item(std::move(item))
        , m_generation(generation)
    {
    }

    // Any thread.
    void post(const Shot &shot)
    {
        std::lock_guard lock(m_mutex);
        if (m_closed)
            return;
        ++m_posted;
        m_waiting.append(shot);
        if (std::exchange(m_scheduled, true))
            return;
        // The application object is the context because it outlives every
        // item and every extraction.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [inbox = shared_from_this()] { inbox->drain(); },
            Qt::QueuedConnection);
    }

    // UI thread. Shots of a superseded run (the item was reset or removed)
    // are dropped.
    void drain()
    {
        QList<Shot> shots;
        {
            std::lock_guard lock(m_mutex);
            shots.swap(m_waiting);
            m_scheduled = false;
        }
        if (!m_item || m_item->generation() != m_generation)
            return;
        for (const Shot &shot : std::as_const(shots))
            m_item->insert(shot);
    }

    // How many shots arrived so far. Any thread.
    qsizetype posted() const
    {
        std::lock_guard lock(m_mutex);
        return m_posted;
    }

    // Shots posted from now on are dropped: the extraction was given up on.
    void close()
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        m_waiting.clear();
    }

private:
    const QPointer<VideoItem> m_item;
    const qint64 m_generation;
    mutable std::mutex m_mutex;
    QList<Shot> m_waiting;
    bool m_scheduled = false;
    bool m_closed = false;
    qsizetype m_posted = 0;
};

AppModel::AppModel(Engine engine, Dialogs *dialogs, QObject *parent)
    : QObject(parent)
    , m_engine(std::move(engine))
    , m_dialogs(dialogs)
    , m_extractions(std::make_unique<QThreadPool>())
    , m_probes(std::make_unique<QThreadPool>())
{
    m_extractions->setMaxThreadCount(4);
    m_probes->setMaxThreadCount(4);
    connect(this, &AppModel::videosChanged, this, &AppModel::updateExportable);
    connect(this, &AppModel::selectedChanged, this, &AppModel::updateExportable);
}

AppModel::~AppModel()
{
    shutdown(5s);
}

bool AppModel::shutdown(std::chrono::milliseconds timeout)
{
    m_closing.request_stop();
    stopRunner();
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const auto left = [deadline] {
        return int(std::max<qint64>(0, std::chrono::duration_cast<std::chrono::milliseconds>(
                                           deadline - std::chrono::steady_clock::now()).count()));
    };
    bool done = true;
    // A read that ignores the stop must not hold up quitting: a pool still
    // busy at the deadline is left to the ending process rather than waited
    // for without bound.
    for (std::unique_ptr<QThreadPool> *pool : {&m_extractions, &m_probes}) {
        if (*pool && !(*pool)->waitForDone(left())) {
            (void)pool->release();
            done = false;
        }
    }
    return done;
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
    const bool one = current && exportable(current);
    const bool all = m_videos.size() > 1
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
}

void AppModel::watch(VideoItem *item)
{
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

// --- intake -----------------------------------------------------------------

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
        emit videosChanged();
        setSelectedID(item->id());
        updateSelected();
    }
    if (!failed.isEmpty()) {
        setAlert(AppAlert{
            tr("Can't Open Video"),
            tr("“%1” can't be read. Framelark opens video files such as MP4, MOV, M4V, MKV, AVI "
               "and WebM; this one may be damaged or not a video.")
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

// --- runner -----------------------------------------------------------------

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
    if (m_runner || !m_settings)
        return;
    const qint64 token = ++m_runnerToken;
    m_runner.emplace();
    // The worker starts at once and may finish before work() returns, in
    // which case it has already cleared m_runner.
    work(QPointer<AppModel>(this), *m_settings, token, m_runner->get_token());
}

void AppModel::stopRunner()
{
    if (m_runner)
        m_runner->request_stop();
    m_runner.reset();
    for (VideoItem *item : m_videos) {
        if (item->status() == VideoStatus::extracting)
            item->reset();
    }
}

QCoro::Task<> AppModel::work(QPointer<AppModel> model, ExtractSettings settings, qint64 token,
                             std::stop_token stop)
{
    while (!stop.stop_requested()) {
        if (!model)
            co_return;
        VideoItem *item = model->nextPending();
        if (!item)
            break;
        co_await extract(model, item, settings, stop);
    }
    // Only the current worker may clear the handle; a stopped one finds a
    // newer token or no handle and leaves it alone.
    if (model && model->m_runnerToken == token && model->m_runner)
        model->m_runner.reset();
}

QCoro::Task<> AppModel::extract(QPointer<AppModel> model, QPointer<VideoItem> item,
                                ExtractSettings settings, std::stop_token stop)
{
    item->reset();
    const qint64 gen = item->generation();
    const QList<double> times = AppModel::times(settings.mode, settings.interval, settings.count,
                                                item->info().duration);
    item->setTotal(times.size());
    item->setStatus(VideoStatus::extracting);
    const std::optional<QString> dir = TempRoot::createWorkFolder();
    item->setWorkDir(dir);
    const auto start = std::chrono::steady_clock::now();

    int failed = int(times.size());
    // Without a private work folder nothing is written anywhere: every
    // planned shot counts as failed.
    if (dir && model->m_extractions) {
        const auto inbox = std::make_shared<ShotInbox>(item, gen);
        Engine::ShotCallback onShot = [inbox](const Shot &shot) { inbox->post(shot); };
        // A stop of its own, so that an extraction given up on can be told
        // to stop without stopping the runner.
        const auto own = std::make_shared<std::stop_source>();
        const std::stop_callback relay(stop, [own] { own->request_stop(); });
        QFuture<int> running = QtConcurrent::run(
            model->m_extractions.get(),
            [extractFn = model->m_engine.extract, info = item->info(), times, settings,
             folder = *dir, onShot, stop = own->get_token()] {
                return extractFn(info, times, settings, folder, onShot, stop);
            });
        QCoro::Task<std::optional<int>> finishing = finishedOrSilent(running, inbox, model->m_patience.silence);
        const std::optional<int> result = co_await finishing;
        inbox->drain();
        if (result) {
            failed = *result;
        } else if (item) {
            // No new shot for the whole patience and no end: the file stopped
            // answering. What arrived stays; the rest counts as failed.
            own->request_stop();
            inbox->close();
            failed = int(times.size() - item->shots().size());
            qCWarning(logModel) << "extraction of" << item->info().url.toDisplayString(QUrl::PreferLocalFile)
                                << "gave no answer for" << model->m_patience.silence.count() << "ms; given up";
        }
    }

    if (!item || item->generation() != gen)
        co_return; // reset or removed meanwhile; its results are stale
    if (stop.stop_requested()) {
        // A half-finished extraction is discarded, never left as done.
        item->reset();
        co_return;
    }
    item->setFailed(failed);
    qCInfo(logModel).nospace() << "extracted " << item->shots().size() << " of " << times.size() << " shots of "
                               << item->info().url.toDisplayString(QUrl::PreferLocalFile) << ", " << failed
                               << " failed";
    item->setElapsed(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    item->setStatus(VideoStatus::done);
}

QCoro::Task<std::optional<int>> AppModel::finishedOrSilent(QFuture<int> running,
                                                           std::shared_ptr<ShotInbox> inbox,
                                                           std::chrono::milliseconds silence)
{
    QFutureWatcher<int> watcher;
    watcher.setFuture(running);
    qsizetype seen = inbox->posted();
    while (!running.isFinished()) {
        co_await qCoro(&watcher, &QFutureWatcherBase::finished, silence);
        if (running.isFinished())
            break;
        const qsizetype now = inbox->posted();
        if (now == seen)
            co_return std::nullopt;
        seen = now;
    }
    co_return running.result();
}

// --- commands ---------------------------------------------------------------

void AppModel::apply(const ExtractSettings &settings)
{
    if (m_settings && *m_settings == settings)
        return;
    m_settings = settings;
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
    const auto at = std::find_if(m_videos.begin(), m_videos.end(),
                                 [&](VideoItem *item) { return item->id() == id; });
    if (at == m_videos.end())
        return;
    const qsizetype i = at - m_videos.begin();
    VideoItem *item = *at;
    const bool wasExtracting = item->status() == VideoStatus::extracting;
    if (wasExtracting)
        stopRunner();
    // Unwatched first: its reset must not flicker the export availability
    // of the videos that stay.
    item->disconnect(this);
    item->reset();
    m_videos.removeAt(i);
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

void AppModel::closeAll()
{
    for (VideoItem *item : std::as_const(m_videos))
        item->disconnect(this);
    stopRunner();
    for (VideoItem *item : m_videos)
        item->reset();
    const QList<VideoItem *> closed = m_videos;
    m_videos.clear();
    emit videosChanged();
    setSelectedID(std::nullopt);
    setShowShareImage(false);
    updateSelected();
    for (VideoItem *item : closed)
        item->deleteLater();
    Thumbnails::clear();
    TempRoot::remove();
}
