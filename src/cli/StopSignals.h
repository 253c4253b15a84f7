#pragma once
// Turns SIGINT and SIGTERM into a stop request, so that a batch interrupted
// from the terminal or by a scheduler winds down cleanly (writers finish,
// work folders are removed) instead of dying with half-written files.
//
// Construct it first in main(), before any thread exists: the signals are
// blocked in the calling thread and so in every thread started after it, and
// one watcher thread of its own takes them with sigwait(). Ownership: owns
// the watcher, which ends with the object. Thread: token() and received()
// from any thread.

#include <atomic>
#include <stop_token>
#include <thread>

class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    std::stop_token token() const { return m_stop.get_token(); }
    // The first of the two signals that arrived; 0 while none did.
    int received() const { return m_received; }

private:
    std::stop_source m_stop;
    std::atomic<int> m_received{0};
    std::thread m_watcher;
};
