// The runner: probing, one worker at a time extracting every pending video
// off the UI thread, handing shots to the item as they arrive and giving up
// on an extraction that falls silent, and moving shots.
#include "model/ShotRunner.h"

#include "basics/Logging.h"
#include "basics/TempRoot.h"

#include <QCoreApplication>
#include <QCoroSignal>
#include <QFutureWatcher>
#include <QtConcurrent>

#include <atomic>
#include <chrono>
#include <mutex>

using namespace std::chrono_literals;

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
class ShotRunner::ShotInbox : public std::enable_shared_from_this<ShotInbox> {
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
        // A shot reported again (a weak frame avoided) replaces its first report.
        for (const Shot &shot : std::as_const(shots)) {
            if (!m_item->replace(shot))
                m_item->insert(shot);
        }
    }

    // How many shots arrived so far. Any thread.
    qsizetype posted() const
    {
        std::lock_guard lock(m_mutex);
        return m_posted;
    }

    // The extraction works on without a new shot. Any thread.
    void beat() { ++m_beats; }
    // Shots and beats so far: a sign that the extraction still moves.
    qsizetype signs() const { return posted() + m_beats.load(); }

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
    std::atomic<qsizetype> m_beats{0};
};

ShotRunner::ShotRunner(Engine engine, QObject *parent)
    : QObject(parent)
    , m_engine(std::move(engine))
    , m_extractions(std::make_unique<QThreadPool>())
    , m_probes(std::make_unique<QThreadPool>())
{
    m_extractions->setMaxThreadCount(4);
    m_probes->setMaxThreadCount(4);
}

ShotRunner::~ShotRunner()
{
    shutdown(5s);
}

bool ShotRunner::shutdown(std::chrono::milliseconds timeout)
{
    m_closing.request_stop();
    stop();
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

std::optional<ShotRunner::Probing> ShotRunner::probe(const QUrl &url)
{
    if (!m_engine.probe || !m_probes)
        return std::nullopt;
    auto stop = std::make_shared<std::stop_source>();
    QFuture<std::optional<VideoInfo>> future = QtConcurrent::run(
        m_probes.get(), [url, probe = m_engine.probe, stop, closing = m_closing.get_token()] {
            const std::stop_callback quitting(closing, [&stop] { stop->request_stop(); });
            return probe(url, stop->get_token());
        });
    return Probing{future, stop};
}

QCoro::Task<std::optional<VideoInfo>> ShotRunner::answer(Probing probing,
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

std::optional<QFuture<std::optional<Shot>>> ShotRunner::step(const VideoInfo &info, qint64 id, double target,
                                                             const ExtractSettings &settings, const QString &folder)
{
    if (!m_engine.step || !m_extractions)
        return std::nullopt;
    return QtConcurrent::run(m_extractions.get(),
                             [stepFn = m_engine.step, info, id, target, settings, folder,
                              stop = m_closing.get_token()] { return stepFn(info, id, target, settings, folder, stop); });
}

std::optional<QFuture<std::optional<Shot>>> ShotRunner::write(const QImage &frame, qint64 id, double time,
                                                              const ExtractSettings &settings, const QString &folder)
{
    if (!m_engine.write || !m_extractions)
        return std::nullopt;
    return QtConcurrent::run(m_extractions.get(), [writeFn = m_engine.write, frame, id, time, settings, folder] {
        return writeFn(frame, id, time, settings, folder);
    });
}

std::optional<QFuture<QList<std::optional<Shot>>>> ShotRunner::replaceWeak(
    const VideoInfo &info, const QList<WeakShots::Stretch> &stretches, float median, const ExtractSettings &settings,
    const QString &folder, std::function<void(int done)> progress, std::stop_token stop)
{
    if (!m_engine.replaceWeak || !m_extractions)
        return std::nullopt;
    return QtConcurrent::run(m_extractions.get(), [replaceFn = m_engine.replaceWeak, info, stretches, median, settings,
                                                   folder, progress = std::move(progress), stop,
                                                   closing = m_closing.get_token()] {
        // Either the caller or the shutdown ends it.
        std::stop_source either;
        const std::stop_callback byCaller(stop, [&either] { either.request_stop(); });
        const std::stop_callback byShutdown(closing, [&either] { either.request_stop(); });
        return replaceFn(info, stretches, median, settings, folder, progress, either.get_token());
    });
}

void ShotRunner::start(const ExtractSettings &settings, NextPending next)
{
    if (m_running)
        return;
    m_next = std::move(next);
    const qint64 token = ++m_token;
    m_running.emplace();
    // The worker starts at once and may finish before work() returns, in
    // which case it has already cleared m_running.
    work(QPointer<ShotRunner>(this), settings, token, m_running->get_token());
}

void ShotRunner::stop()
{
    if (m_running)
        m_running->request_stop();
    m_running.reset();
}

QCoro::Task<> ShotRunner::work(QPointer<ShotRunner> runner, ExtractSettings settings, qint64 token,
                             std::stop_token stop)
{
    while (!stop.stop_requested()) {
        if (!runner)
            co_return;
        VideoItem *item = runner->m_next ? runner->m_next() : nullptr;
        if (!item)
            break;
        co_await extract(runner, item, settings, stop);
    }
    // Only the current worker may clear the handle; a stopped one finds a
    // newer token or no handle and leaves it alone.
    if (runner && runner->m_token == token && runner->m_running)
        runner->m_running.reset();
}

QCoro::Task<> ShotRunner::extract(QPointer<ShotRunner> runner, QPointer<VideoItem> item,
                                ExtractSettings settings, std::stop_token stop)
{
    item->reset();
    const qint64 gen = item->generation();
    // Measured around the engine's own work: a run may wait in the pool
    // while stopped ones wind down, and that wait is not this video's time.
    // A scene run's time includes its scan.
    const auto clock = std::make_shared<RunClock>();
    Planning::RunPlan plan;
    if (settings.mode == ExtractMode::scene && runner->m_engine.planScenes && runner->m_extractions) {
        item->setStatus(VideoStatus::extracting);
        item->setScanProgress(0.0);
        clock->began = std::chrono::steady_clock::now().time_since_epoch().count();
        QCoro::Task<std::optional<Planning::RunPlan>> scanning = scenePlan(runner, item, settings, stop);
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
    item->setSceneStarts(plan.sceneStarts);
    item->setStatus(VideoStatus::extracting);
    const std::optional<QString> dir = TempRoot::createWorkFolder();
    item->setWorkDir(dir);

    int failed = int(times.size());
    // Without a private work folder nothing is written anywhere: every
    // planned shot counts as failed.
    if (dir && runner->m_extractions) {
        const auto inbox = std::make_shared<ShotInbox>(item, gen);
        Engine::ShotCallback onShot = [inbox](const Shot &shot) { inbox->post(shot); };
        // A stop of its own, so that an extraction given up on can be told
        // to stop without stopping the runner.
        const auto own = std::make_shared<std::stop_source>();
        const std::stop_callback relay(stop, [own] { own->request_stop(); });
        const std::function<void()> working = [inbox] { inbox->beat(); };
        QFuture<int> running = QtConcurrent::run(
            runner->m_extractions.get(),
            [extractFn = runner->m_engine.extract, info = item->info(), plan, folder = *dir, onShot, working,
             stop = own->get_token(), clock] {
                if (clock->began == 0)
                    clock->began = std::chrono::steady_clock::now().time_since_epoch().count();
                const int failedShots = extractFn(info, plan, folder, onShot, working, stop);
                clock->ended = std::chrono::steady_clock::now().time_since_epoch().count();
                return failedShots;
            });
        QCoro::Task<bool> finishing = finishedOrSilent(
            running, [inbox] { return inbox->signs(); }, runner->m_patience.silence);
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
                                << "gave no answer for" << runner->m_patience.silence.count() << "ms; given up";
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

QCoro::Task<std::optional<Planning::RunPlan>> ShotRunner::scenePlan(QPointer<ShotRunner> runner,
                                                                     QPointer<VideoItem> item,
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
        runner->m_extractions.get(), [planFn = runner->m_engine.planScenes, info, settings, progress, stop = own->get_token()] {
            return planFn(info, settings, progress, stop);
        });
    QCoro::Task<bool> finishing = finishedOrSilent(
        running, [reports] { return reports->beats.load(); }, runner->m_patience.silence);
    const bool finished = co_await finishing;
    if (!finished) {
        own->request_stop();
        if (item)
            qCWarning(logModel) << "scene scan of" << info.url.toDisplayString(QUrl::PreferLocalFile) << "gave no answer for"
                                << (runner ? runner->m_patience.silence.count() : 0) << "ms; planning by count";
    }
    if (stop.stop_requested() || !runner || !item || item->generation() != gen)
        co_return std::nullopt;
    std::optional<Planning::RunPlan> plan = finished ? running.result() : std::nullopt;
    // A scan given up on plans by count; extraction then tells which of its
    // shots cannot be read.
    if (!plan || plan->times.isEmpty())
        plan = Planning::plan(settings, info.duration);
    co_return plan;
}
