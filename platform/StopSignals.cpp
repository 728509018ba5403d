#include "platform/StopSignals.h"

#include <atomic>
#include <csignal>
#include <pthread.h>
#include <thread>

namespace onarim {

namespace {

std::atomic<int> stopSignal{0};

sigset_t StopSet() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    return signals;
}

} // namespace

void WatchStopSignals(std::function<void(int signal)> onFirst) {
    const sigset_t signals = StopSet();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread([signals, onFirst = std::move(onFirst)] {
        for (;;) {
            int signal = 0;
            if (sigwait(&signals, &signal) != 0) {
                continue;
            }
            int none = 0;
            if (stopSignal.compare_exchange_strong(none, signal) && onFirst) {
                onFirst(signal);
            }
        }
    }).detach();
}

int StopSignal() noexcept { return stopSignal.load(); }

void RequestStop(int signal) noexcept {
    int none = 0;
    stopSignal.compare_exchange_strong(none, signal);
}

} // namespace onarim

namespace onarim {

void ClearStopRequest() noexcept { stopSignal.store(0); }

} // namespace onarim
