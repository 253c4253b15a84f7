#pragma once
// The model's work off the UI thread: probing the files it is handed, the
// worker that extracts every pending video one at a time (the one the model
// names next, which is the selected one first), and moving one shot to
// another frame. Runs the engine's functions on thread pools of its own and
// gives up on a file that stops answering.
//
// Thread: UI thread only; no call waits for the engine (except shutdown()).
// Results of superseded work are dropped by counters: each worker carries
// the token it was started with, each extraction its item's generation.
//
// Ownership: owned by AppModel (a QObject child); owns its thread pools. The
// items it extracts are the model's; it holds QPointers to them only.

#include "basics/Planning.h"
#include "basics/Records.h"
#include "model/Engine.h"
#include "model/VideoItem.h"

#include <QCoroTask>
#include <QFuture>
#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

class ShotRunner : public QObject {
    Q_OBJECT
public:
    // How long to wait on a file that stops answering (a network or FUSE
    // mount gone quiet, where a read can block for good and no cancellation
    // reaches it) before giving up on it, so that such a file never holds up
    // the other videos or quitting. The thread it blocks is left to end with
    // the process.
    struct Patience {
        std::chrono::milliseconds probe = std::chrono::seconds(20);    // opening one file, in all
        std::chrono::milliseconds silence = std::chrono::seconds(60);  // an extraction with no new shot
    };

    explicit ShotRunner(Engine engine, QObject *parent = nullptr);
    // Stops everything and waits up to 5 s (see shutdown()).
    ~ShotRunner() override;

    const Engine &engine() const { return m_engine; }
    Patience patience() const { return m_patience; }
    void setPatience(Patience patience) { m_patience = patience; }

    // A probe running on the probe pool, and the stop that ends it.
    struct Probing {
        QFuture<std::optional<VideoInfo>> future;
        std::shared_ptr<std::stop_source> stop;
    };
    // Starts probing `url`; none without a probe function or after shutdown.
    std::optional<Probing> probe(const QUrl &url);
    // The probe's answer; none when the file cannot be opened or the probe
    // has not answered by `deadline` (it is then asked to stop).
    static QCoro::Task<std::optional<VideoInfo>> answer(Probing probing,
                                                        std::chrono::steady_clock::time_point deadline);

    // The item to extract next, or null when none is pending. UI thread.
    using NextPending = std::function<VideoItem *()>;
    // Starts the worker with `settings` unless one runs: it takes `next()`
    // until that gives null, extracting each (a scene run scans first)
    // while the item shows the progress, and marks it done.
    void start(const ExtractSettings &settings, NextPending next);
    // Stops the worker and its extraction; the items it was extracting are
    // the caller's to reset.
    void stop();
    // A worker is extracting or about to take the next pending video.
    bool isRunning() const { return m_running.has_value(); }

    // Writes the frame at exactly `target` seconds as shot `id` into
    // `folder`, on the extraction pool (see Engine::Step); none without a
    // step function or after shutdown.
    std::optional<QFuture<std::optional<Shot>>> step(const VideoInfo &info, qint64 id, double target,
                                      const ExtractSettings &settings, const QString &folder);
    // Writes an added shot through the engine into `folder`, on the
    // extraction pool (see Engine::Write); none without a write function or
    // after shutdown.
    std::optional<QFuture<std::optional<Shot>>> write(const QImage &frame, qint64 id, double time,
                                                      const ExtractSettings &settings, const QString &folder);
    // Replaces weak shots through the engine (see Engine::ReplaceWeak) on
    // the extraction pool, until `stop` or shutdown asks it to end; none
    // without a replaceWeak function or after shutdown.
    std::optional<QFuture<QList<std::optional<Shot>>>> replaceWeak(const VideoInfo &info,
                                                                   const QList<WeakShots::Stretch> &stretches,
                                                                   float median, const ExtractSettings &settings,
                                                                   const QString &folder,
                                                                   std::function<void(int done)> progress,
                                                                   std::stop_token stop);

    // At quit: stops the worker and every probe and waits up to `timeout`
    // for what runs to end, so nothing is written after the temporary root
    // is deleted. False when something was still running; its pool is then
    // left to the ending process.
    bool shutdown(std::chrono::milliseconds timeout);

private:
    class ShotInbox;

    static QCoro::Task<> work(QPointer<ShotRunner> runner, ExtractSettings settings, qint64 token,
                              std::stop_token stop);
    static QCoro::Task<> extract(QPointer<ShotRunner> runner, QPointer<VideoItem> item,
                                 ExtractSettings settings, std::stop_token stop);
    // The plan of a scene run, from the engine's planScenes while the item shows
    // its progress; the count plan when the scan falls silent. None when the
    // run was stopped or the item reset meanwhile.
    static QCoro::Task<std::optional<Planning::RunPlan>> scenePlan(QPointer<ShotRunner> runner,
                                                                   QPointer<VideoItem> item,
                                                                   ExtractSettings settings, std::stop_token stop);

    Engine m_engine;
    Patience m_patience;
    NextPending m_next;
    // Present exactly while a worker is considered running; stopping it
    // requests stop on the worker and on its extraction.
    std::optional<std::stop_source> m_running;
    qint64 m_token = 0;
    // Extractions, scene plans and steps run here. More than one thread: a stopped
    // extraction may still wind down while the next one starts, and one
    // given up on may hold its thread for good.
    std::unique_ptr<QThreadPool> m_extractions;
    // Probes run here, not in the global pool, which the process would wait
    // for at exit.
    std::unique_ptr<QThreadPool> m_probes;
    std::stop_source m_closing;
};
