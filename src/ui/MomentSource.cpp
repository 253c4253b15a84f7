#include "ui/MomentSource.h"

#include <QMetaObject>
#include <QPointer>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

// What the two decoding threads and the UI thread share; the threads hold it
// alive, so it outlives the source only while they wind down.
struct MomentSource::Shared {
    explicit Shared(const QString &path)
        : frames(path)
    {
    }
    MomentFrames frames;
    std::mutex lock;
    std::condition_variable wake;
    std::optional<double> preview;  // the newest request of each kind
    std::optional<double> exactForViewer;
    std::optional<double> exactForTimeline;
    std::stop_source stop;
};

namespace {

// Takes the newest request of one kind, waiting for one; none at the stop.
// With `idle`, runs it while nothing is asked for, until it reports there
// is nothing left to do.
template <typename Idle>
std::optional<double> nextRequest(std::unique_lock<std::mutex> &held, std::condition_variable &wake,
                                  std::optional<double> &slot, std::stop_token stop, Idle idle)
{
    for (;;) {
        if (stop.stop_requested())
            return std::nullopt;
        if (slot) {
            const double seconds = *slot;
            slot.reset();
            return seconds;
        }
        held.unlock();
        const bool more = idle();
        held.lock();
        if (!more && !slot && !stop.stop_requested())
            wake.wait(held);
    }
}

} // namespace

MomentSource::MomentSource(const QString &path, double previewSide, QObject *parent)
    : QObject(parent)
    , m_shared(std::make_shared<Shared>(path))
{
    const QPointer<MomentSource> self(this);
    const std::stop_token stop = m_shared->stop.get_token();
    m_previews = std::thread([shared = m_shared, self, stop, previewSide] {
        shared->frames.prepare(previewSide, stop);
        std::unique_lock held(shared->lock);
        const auto keepAhead = [&] { return shared->frames.keepNextPreview(previewSide, stop); };
        while (const std::optional<double> seconds = nextRequest(held, shared->wake, shared->preview, stop, keepAhead)) {
            held.unlock();
            std::optional<Moment> moment = shared->frames.preview(*seconds, previewSide, stop);
            if (moment) {
                QMetaObject::invokeMethod(self, [self, requested = *seconds, moment = std::move(*moment)] {
                    if (self)
                        emit self->previewReady(requested, moment);
                });
            }
            held.lock();
        }
    });
    m_exact = std::thread([shared = m_shared, self, stop] {
        std::unique_lock held(shared->lock);
        for (;;) {
            if (stop.stop_requested())
                return;
            std::optional<double> &slot = shared->exactForViewer ? shared->exactForViewer : shared->exactForTimeline;
            if (!slot) {
                shared->wake.wait(held);
                continue;
            }
            const Asker asker = &slot == &shared->exactForViewer ? Asker::viewer : Asker::timeline;
            const double seconds = *slot;
            slot.reset();
            held.unlock();
            std::optional<Moment> moment = shared->frames.exact(seconds, stop);
            QMetaObject::invokeMethod(self, [self, seconds, asker, moment = std::move(moment)] {
                if (!self)
                    return;
                if (moment)
                    emit self->exactReady(seconds, asker, *moment);
                else
                    emit self->exactFailed(seconds, asker);
            });
            held.lock();
        }
    });
}

MomentSource::~MomentSource()
{
    {
        const std::lock_guard guard(m_shared->lock);
        m_shared->stop.request_stop();
        m_shared->wake.notify_all();
    }
    // The stop ends the decode under way at once, so this wait is short.
    m_previews.join();
    m_exact.join();
}

void MomentSource::requestPreview(double seconds)
{
    const std::lock_guard guard(m_shared->lock);
    m_shared->preview = seconds;
    m_shared->wake.notify_all();
}

void MomentSource::requestExact(double seconds, Asker asker)
{
    const std::lock_guard guard(m_shared->lock);
    (asker == Asker::viewer ? m_shared->exactForViewer : m_shared->exactForTimeline) = seconds;
    m_shared->wake.notify_all();
}
