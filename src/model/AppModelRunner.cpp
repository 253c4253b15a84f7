// AppModel's runner: one worker at a time extracts every pending video, the
// selected one first, off the UI thread, handing shots to the item as they
// arrive and giving up on an extraction that falls silent.
#include "model/AppModel.h"

#include "engine/Logging.h"
#include "engine/TempRoot.h"

#include <QCoreApplication>
#include <QCoroSignal>
#include <QFutureWatcher>
#include <QtConcurrent>

#include <atomic>
#include <chrono>
#include <mutex>

namespace {

// When an extraction's own run began and ended, in steady_clock ticks; 0
// until it happens. Written on the pool thread, read on the UI thread.
struct RunClock {
    std::atomic<std::chrono::steady_clock::rep> began{0};
    std::atomic<std::chrono::steady_clock::rep> ended{0};

    // The run's length so far (an unfinished run, given up on, counts until
    // now); 0 when it never began.
    double seconds() const
    {
        const auto start = began.load();
        if (start == 0)
            return 0;
        const auto end = ended.load();
        const auto stop = end != 0 ? end : std::chrono::steady_clock::now().time_since_epoch().count();
        return std::chrono::duration<double>(std::chrono::steady_clock::duration(stop - start)).count();
    }
};

// Whether `running` finished, or went `silence` with no end and no new beat
// (a shot written, a step of progress reported): then the file stopped
// answering.
template <typename Result>
QCoro::Task<bool> finishedOrSilent(QFuture<Result> running, std::function<qsizetype()> beats,
                                   std::chrono::milliseconds silence)
{
    QFutureWatcher<Result> watcher;
    watcher.setFuture(running);
    qsizetype seen = beats();
    while (!running.isFinished()) {
        co_await qCoro(&watcher, &QFutureWatcherBase::finished, silence);
        if (running.isFinished())
            break;
        const qsizetype now = beats();
        if (now == seen)
            co_return false;
        seen = now;
    }
    co_return true;
}

} // namespace

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
    // Measured around the engine's own work: a run may wait in the pool
    // while stopped ones wind down, and that wait is not this video's time.
    // A scene run's time includes its scan.
    const auto clock = std::make_shared<RunClock>();
    Planning::RunPlan plan;
    if (settings.mode == ExtractMode::scene && model->m_engine.planScenes && model->m_extractions) {
        item->setStatus(VideoStatus::extracting);
        item->setScanProgress(0.0);
        clock->began = std::chrono::steady_clock::now().time_since_epoch().count();
        QCoro::Task<std::optional<Planning::RunPlan>> scanning = scenePlan(model, item, settings, stop);
        std::optional<Planning::RunPlan> found = co_await scanning;
        if (!found) {
            // Stopped, removed or reset meanwhile; a stopped scan is never
            // left showing.
            if (item && item->generation() == gen)
                item->reset();
            co_return;
        }
        item->setScanProgress(std::nullopt);
        plan = *std::move(found);
    } else {
        plan = Planning::plan(settings, item->info().duration);
    }
    const QList<double> &times = plan.times;
    settings = plan.settings;
    item->setTotal(times.size());
    item->setStatus(VideoStatus::extracting);
    const std::optional<QString> dir = TempRoot::createWorkFolder();
    item->setWorkDir(dir);

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
             folder = *dir, onShot, stop = own->get_token(), clock] {
                if (clock->began == 0)
                    clock->began = std::chrono::steady_clock::now().time_since_epoch().count();
                const int failedShots = extractFn(info, times, settings, folder, onShot, stop);
                clock->ended = std::chrono::steady_clock::now().time_since_epoch().count();
                return failedShots;
            });
        QCoro::Task<bool> finishing = finishedOrSilent(
            running, [inbox] { return inbox->posted(); }, model->m_patience.silence);
        const bool finished = co_await finishing;
        inbox->drain();
        if (finished) {
            failed = running.result();
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
    item->setElapsed(clock->seconds());
    item->setStatus(VideoStatus::done);
}

QCoro::Task<std::optional<Planning::RunPlan>> AppModel::scenePlan(QPointer<AppModel> model, QPointer<VideoItem> item,
                                                                    ExtractSettings settings, std::stop_token stop)
{
    const qint64 gen = item->generation();
    const VideoInfo info = item->info();
    // Progress crosses to the UI thread as the latest value only; beats
    // count every report, for telling a slow scan from a silent one.
    struct Reports {
        std::atomic<qsizetype> beats{0};
        std::atomic<bool> scheduled{false};
        std::atomic<double> latest{0};
    };
    const auto reports = std::make_shared<Reports>();
    const auto own = std::make_shared<std::stop_source>();
    const std::stop_callback relay(stop, [own] { own->request_stop(); });
    Engine::ScanProgress progress = [reports, item, gen](double fraction) {
        ++reports->beats;
        reports->latest = fraction;
        if (reports->scheduled.exchange(true))
            return;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [reports, item, gen] {
                reports->scheduled = false;
                if (item && item->generation() == gen && item->scanProgress())
                    item->setScanProgress(reports->latest.load());
            },
            Qt::QueuedConnection);
    };
    QFuture<std::optional<Planning::RunPlan>> running = QtConcurrent::run(
        model->m_extractions.get(), [planFn = model->m_engine.planScenes, info, settings, progress, stop = own->get_token()] {
            return planFn(info, settings, progress, stop);
        });
    QCoro::Task<bool> finishing = finishedOrSilent(
        running, [reports] { return reports->beats.load(); }, model->m_patience.silence);
    const bool finished = co_await finishing;
    if (!finished) {
        own->request_stop();
        if (item)
            qCWarning(logModel) << "scene scan of" << info.url.toDisplayString(QUrl::PreferLocalFile) << "gave no answer for"
                                << (model ? model->m_patience.silence.count() : 0) << "ms; planning by count";
    }
    if (stop.stop_requested() || !model || !item || item->generation() != gen)
        co_return std::nullopt;
    std::optional<Planning::RunPlan> plan = finished ? running.result() : std::nullopt;
    // A scan given up on plans by count; extraction then tells which of its
    // shots cannot be read.
    if (!plan || plan->times.isEmpty())
        plan = Planning::plan(settings, info.duration);
    co_return plan;
}
