#include "media/StallWatch.h"
#include "basics/Logging.h"

#include <condition_variable>

StallWatch::StallWatch(Clock::duration checkInterval, Clock::duration stallLimit)
    : m_last(Clock::now())
    , m_checkInterval(checkInterval)
    , m_stallLimit(stallLimit)
{
    m_watchdog = std::jthread([this](std::stop_token stop) {
        // Nothing is ever notified through this variable: it only gives the
        // sleep a stop token, so destruction wakes the watchdog at once.
        std::condition_variable_any sleeper;
        std::mutex sleepLock;
        while (!stop.stop_requested()) {
            {
                std::unique_lock lock(sleepLock);
                sleeper.wait_for(lock, stop, m_checkInterval, [] { return false; });
            }
            check();
        }
    });
}

StallWatch::~StallWatch()
{
    m_watchdog.request_stop();
    m_watchdog.join();
}

void StallWatch::watch(std::stop_source attempt)
{
    std::lock_guard lock(m_lock);
    m_attempt = std::move(attempt);
    m_last = Clock::now();
}

void StallWatch::unwatch()
{
    std::lock_guard lock(m_lock);
    m_attempt = std::stop_source(std::nostopstate);
    m_last = Clock::now();
}

void StallWatch::markProgress()
{
    std::lock_guard lock(m_lock);
    m_last = Clock::now();
}

int StallWatch::stallsDetected() const
{
    std::lock_guard lock(m_lock);
    return m_stalls;
}

void StallWatch::check()
{
    std::lock_guard lock(m_lock);
    const Clock::time_point now = Clock::now();
    if (now - m_last <= m_stallLimit)
        return;
    // Held across the call so that watch() cannot swap the attempt out
    // while it is being stopped.
    if (m_attempt.stop_possible()) {
        qCWarning(logMedia) << "no decoding progress for"
                            << std::chrono::duration_cast<std::chrono::milliseconds>(now - m_last).count()
                            << "ms; abandoning the attempt";
        m_attempt.request_stop();
        ++m_stalls;
    }
    m_last = now;
}
