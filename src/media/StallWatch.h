#pragma once
// The extractor's guard against a decoder that neither delivers nor fails:
// it remembers the generator in use (or the one being opened) and the moment
// of the last progress, and a watchdog thread aborts that generator when more
// than `stallLimit` passes without progress. Time is measured on a monotonic clock, so a wall-clock
// jump never aborts a healthy decode.
//
// Thread-safe: the producer (watch, markProgress), the watchdog thread and a
// cancellation handler (abort) share one instance; `last` and the generator
// are only touched under the lock, and the abort is made while holding it, so
// a generator being replaced is never aborted half-way through the switch.

#include "media/FrameGenerator.h"

#include <chrono>
#include <mutex>
#include <stop_token>
#include <thread>

class StallWatch {
public:
    using Clock = std::chrono::steady_clock;

    // Starts the watchdog thread at once; it checks every `checkInterval`.
    explicit StallWatch(Clock::duration checkInterval = std::chrono::seconds(2),
                        Clock::duration stallLimit = std::chrono::seconds(15));
    // Stops the watchdog (interrupting its sleep) and joins it.
    ~StallWatch();
    StallWatch(const StallWatch &) = delete;
    StallWatch &operator=(const StallWatch &) = delete;

    // Makes `generator` the watched one (not owned; it must outlive the watch
    // or be replaced before it dies) and counts as progress.
    void watch(FrameGenerator *generator);
    // Watches the opening of the next generator instead: a stall or abort()
    // requests stop on `opening` (not owned; same lifetime rule), which the
    // opening code polls during its reads. Counts as progress.
    void watchOpening(std::stop_source *opening);
    // Notes progress now.
    void markProgress();
    // Aborts the watched generator, if any (the run was cancelled).
    void abort();
    // How many times the watchdog has aborted a stalled generator.
    int stallsDetected() const;

private:
    void check();
    void abortWatched();  // with m_lock held

    mutable std::mutex m_lock;
    Clock::time_point m_last;           // guarded by m_lock
    FrameGenerator *m_generator = nullptr; // guarded by m_lock
    std::stop_source *m_opening = nullptr; // guarded by m_lock; set only while m_generator is null
    int m_stalls = 0;                   // guarded by m_lock
    const Clock::duration m_checkInterval;
    const Clock::duration m_stallLimit;
    std::jthread m_watchdog;            // last member: starts after the rest exist
};
