#include "cli/StopSignals.h"

#include <csignal>
#include <pthread.h>

namespace {

// The watcher's own wake-up call when the object goes.
constexpr int closing = SIGUSR2;

sigset_t handled()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, closing);
    return set;
}

} // namespace

StopSignals::StopSignals()
{
    const sigset_t set = handled();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    m_watcher = std::thread([this, set] {
        for (;;) {
            int signal = 0;
            if (sigwait(&set, &signal) != 0 || signal == closing)
                return;
            int none = 0;
            m_received.compare_exchange_strong(none, signal);
            m_stop.request_stop();
        }
    });
}

StopSignals::~StopSignals()
{
    pthread_kill(m_watcher.native_handle(), closing);
    m_watcher.join();
}
