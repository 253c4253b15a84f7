#include "media/Extractor.h"

#include "basics/Logging.h"
#include "basics/StopNode.h"
#include "media/FrameConverter.h"
#include "media/ImageFiles.h"
#include "media/ShotScoring.h"
#include "media/SpareBuffers.h"
#include "media/WriterPool.h"

#include <QThread>

#include <algorithm>
#include <atomic>
#include <optional>
#include <vector>

namespace {

// Encodes one decoded frame into its two files and reports the shot; a
// frame that cannot be converted or written counts as failed instead.
class ShotWriter final : public WriterPool::Job {
public:
    ShotWriter(VideoFrame frame, qint64 id, double actualSeconds, const ExtractSettings &settings,
               const QString &dir, const Extractor::ShotCallback &onShot, std::atomic<int> &failed)
        : m_frame(std::move(frame))
        , m_id(id)
        , m_seconds(actualSeconds)
        , m_settings(settings)
        , m_dir(dir)
        , m_onShot(onShot)
        , m_failed(failed)
    {
    }

    void run() override
    {
        MediaError error;
        const std::optional<Shot> shot =
            Extractor::writeShot(std::move(m_frame), m_id, m_seconds, m_settings, m_dir, &error);
        if (shot) {
            m_onShot(*shot);
        } else {
            qCWarning(logMedia).noquote() << "shot" << m_id << "at" << m_seconds << "s:" << error.text();
            ++m_failed;
        }
    }

private:
    VideoFrame m_frame;
    const qint64 m_id;
    const double m_seconds;
    const ExtractSettings m_settings;
    const QString m_dir;
    // Both outlive every writer: run() drains the pool before it returns.
    const Extractor::ShotCallback &m_onShot;
    std::atomic<int> &m_failed;
};

// The current generator of a run. A discarded generator is released at once
// (its decoder holds memory) and the next one is made only when a request
// needs it, so a run never opens the file for nothing. Each generator lives
// in an attempt: a stop node below the run's stop, which the stall watch
// requests on a stall and which reaches the generator both as the token it
// was opened with and as a cancelAll() (for generators that do not read it).
class GeneratorSlot {
public:
    GeneratorSlot(const Extractor::GeneratorFactory &factory, MediaTime tolerance, StallWatch &watch,
                  std::stop_token run)
        : m_factory(factory)
        , m_tolerance(tolerance)
        , m_watch(watch)
        , m_run(std::move(run))
    {
    }
    ~GeneratorSlot() { discard(); }

    // The generator to use now, watched; null when the factory could not
    // make one (every request then fails).
    FrameGenerator *watched()
    {
        if (m_stale) {
            m_attempt = std::make_unique<StopNode>(m_run);
            m_watch.watch(m_attempt->source());
            m_generator = m_factory(m_made, m_attempt->token());
            m_made = true;
            m_stale = false;
            // An open the watch abandoned leaves a generator that must not
            // be used: its reads were cut short.
            if (m_attempt->stopRequested())
                m_generator.reset();
            if (m_generator) {
                m_generator->setTolerance(m_tolerance, m_tolerance);
                m_cancel.emplace(m_attempt->token(), CancelAll{m_generator.get()});
            }
        }
        m_watch.watch(m_attempt->source());
        return m_generator.get();
    }

    // The generator is not used again; the next request gets a fresh one.
    void discard()
    {
        // Unwatched, and the cancel unhooked (which waits for one running),
        // before the generator goes: no stop may reach it while it is
        // destroyed.
        m_watch.unwatch();
        m_cancel.reset();
        m_generator.reset();
        m_attempt.reset();
        m_stale = true;
    }

private:
    struct CancelAll {
        FrameGenerator *generator;
        void operator()() { generator->cancelAll(); }
    };

    const Extractor::GeneratorFactory &m_factory;
    const MediaTime m_tolerance;
    StallWatch &m_watch;
    const std::stop_token m_run;
    std::unique_ptr<StopNode> m_attempt;
    std::unique_ptr<FrameGenerator> m_generator;
    std::optional<std::stop_callback<CancelAll>> m_cancel;
    bool m_stale = true;
    bool m_made = false;
};

} // namespace

namespace Extractor {

std::optional<Shot> writeShot(VideoFrame frame, qint64 id, double seconds, const ExtractSettings &settings,
                              const QString &dir, MediaError *error)
{
    const std::optional<FrameConverter::Images> images = FrameConverter::convert(frame, ImageFiles::thumbnailSide);
    frame.frame.reset();
    if (!images) {
        if (error)
            *error = MediaError::failed(MediaError::Step::convert, QStringLiteral("frame not convertible"));
        return std::nullopt;
    }
    const std::optional<ImageFiles::ShotFiles> files =
        ImageFiles::writeShot(images->full, images->thumb, id, dir, settings.format, settings.quality, error);
    if (!files)
        return std::nullopt;
    // Measured here, on the writer's thread, so finding weak shots later
    // needs no decoding.
    return Shot{id, seconds, files->file, files->thumbFile, ShotScoring::score(images->thumb)};
}

std::optional<Shot> writeImage(const QImage &full, qint64 id, double seconds, const ExtractSettings &settings,
                               const QString &dir, MediaError *error)
{
    const QImage thumb = ImageFiles::scaled(full, ImageFiles::thumbnailSide);
    const std::optional<ImageFiles::ShotFiles> files =
        ImageFiles::writeShot(full, thumb, id, dir, settings.format, settings.quality, error);
    if (!files)
        return std::nullopt;
    return Shot{id, seconds, files->file, files->thumbFile, ShotScoring::score(thumb)};
}

} // namespace Extractor

namespace Extractor {

int writerLimit()
{
    return std::max(4, QThread::idealThreadCount());
}

MediaTime tolerance(const QList<double> &times, bool precise)
{
    if (precise)
        return MediaTime{0};
    const double spacing = times.size() >= 2 ? times[1] - times[0]
        : times.size() == 1                  ? 2 * times[0]
                                             : 2.0;
    return MediaTime::fromSeconds(spacing * 0.4);
}

int run(const GeneratorFactory &makeGenerator, const QList<double> &times,
        const ExtractSettings &settings, const QString &dir, const ShotCallback &onShot,
        std::stop_token stop, Timing timing)
{
    std::vector<MediaTime> mediaTimes;
    mediaTimes.reserve(size_t(times.size()));
    for (const double seconds : times)
        mediaTimes.push_back(MediaTime::fromSeconds(seconds));
    const int count = int(mediaTimes.size());

    // Teardown runs in reverse: the writers drain first, then the last
    // generator is unwatched and released, and the watchdog stops last.
    StallWatch watch(timing.checkInterval, timing.stallLimit);
    // A stop of the run reaches the generator in use through its attempt's
    // stop node, on the thread that requests it, and ends the outstanding
    // requests at once; the producer checks the token after every watched(),
    // so a generator made just after the stop cannot slip through either.
    GeneratorSlot generator(makeGenerator, tolerance(times, settings.precise), watch, stop);
    std::atomic<int> unwritten{0};
    WriterPool writers(writerLimit());

    const auto enqueue = [&](FrameResult &&result, int position) {
        writers.start(std::make_unique<ShotWriter>(std::move(*result.image), qint64(position),
                                                   result.actualSeconds, settings, dir, onShot, unwritten));
    };

    std::vector<int> retries;
    for (int start = 0; start < count && !stop.stop_requested(); start += chunkSize) {
        const int end = std::min(start + chunkSize, count);
        const std::vector<MediaTime> chunk(mediaTimes.begin() + start, mediaTimes.begin() + end);
        std::vector<bool> delivered(chunk.size(), false);
        FrameGenerator *current = generator.watched();
        if (stop.stop_requested())
            break;
        if (current) {
            current->images(chunk, [&](FrameResult &&result) {
                watch.markProgress();
                if (!result.ok() && !stop.stop_requested())
                    qCInfo(logMedia) << "no frame for" << result.requested.seconds() << "s in a batch:" << result.error.text();
                if (stop.stop_requested() || !result.ok())
                    return;
                // Planned times closer than 1/600 s share a media time; each
                // result takes the first of them still waiting, so every
                // position is delivered at most once.
                for (size_t i = 0; i < chunk.size(); ++i) {
                    if (!delivered[i] && chunk[i] == result.requested) {
                        delivered[i] = true;
                        enqueue(std::move(result), start + int(i));
                        // Waiting for a free writer is no stall of the
                        // decoder, which sits idle in this call meanwhile.
                        watch.markProgress();
                        return;
                    }
                }
            });
        }
        if (stop.stop_requested())
            break;
        const size_t before = retries.size();
        for (size_t i = 0; i < chunk.size(); ++i)
            if (!delivered[i])
                retries.push_back(start + int(i));
        if (retries.size() > before)
            generator.discard();
    }

    // Whatever the batches missed is retried one frame at a time, on a
    // generator that has not failed before.
    int failed = 0;
    if (!retries.empty())
        generator.discard();
    for (const int position : retries) {
        if (stop.stop_requested())
            break;
        FrameGenerator *current = generator.watched();
        if (stop.stop_requested())
            break;
        FrameResult result = current ? current->image(mediaTimes[size_t(position)])
                                     : FrameResult{mediaTimes[size_t(position)], std::nullopt, 0, {}};
        // A frame that comes back after the stop is dropped like the rest of
        // the run, and a failure the stop caused is not the video's fault.
        if (stop.stop_requested())
            break;
        if (result.ok()) {
            enqueue(std::move(result), position);
        } else {
            qCInfo(logMedia) << "no frame for" << result.requested.seconds() << "s on its own:" << result.error.text();
            ++failed;
            generator.discard();
        }
    }

    writers.waitForDone();
    // An idle window should not sit on a run's worth of frame buffers.
    SpareBuffers::release();
    return failed + unwritten.load();
}

} // namespace Extractor
