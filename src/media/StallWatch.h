#pragma once
// The extractor's guard against a decoder that neither delivers nor fails:
// it holds the stop of the attempt in use (opening a generator and decoding
// with it) and the moment of the last progress, and a watchdog thread
// requests that stop when more than `stallLimit` passes without progress.
// The attempt's stop is a node below the run's stop, so the watch never needs
// the generator itself. Time is measured on a monotonic clock, so a
// wall-clock jump never aborts a healthy decode.
//
// Thread-safe: the producer (watch, unwatch, markProgress) and the watchdog
// thread share one instance; `last` and the attempt are only touched under
// the lock, and the stop is requested while holding it, so an attempt being
// replaced is never stopped half-way through the switch.

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

    // Makes `attempt` the watched stop (a handle on shared stop state) and
    // counts as progress.
    void watch(std::stop_source attempt);
    // Nothing is watched; a stall then only resets the clock.
    void unwatch();
    // Notes progress now.
    void markProgress();
    // How many times the watchdog has found the watched attempt stalled.
    int stallsDetected() const;

private:
    void check();

    mutable std::mutex m_lock;
    Clock::time_point m_last;                            // guarded by m_lock
    std::stop_source m_attempt{std::nostopstate};        // guarded by m_lock
    int m_stalls = 0;                                    // guarded by m_lock
    const Clock::duration m_checkInterval;
    const Clock::duration m_stallLimit;
    std::jthread m_watchdog;            // last member: starts after the rest exist
};
