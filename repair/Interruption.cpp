#include "repair/Interruption.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <unistd.h>

#include "platform/StopSignals.h"

namespace onarim {

void ThrowIfStopRequested() {
    if (const int signal = StopSignal(); signal != 0) {
        throw EInterrupted(signal);
    }
}

void HoldIfAsked([[maybe_unused]] const std::string& stepName) {
#ifdef ONARIM_TEST_HOOKS
    const char* held = std::getenv("ONARIM_TEST_HOLD");
    if (held == nullptr || stepName != held) {
        return;
    }
    std::fprintf(stderr, "ONARIM_TEST_HOLD %s\n", held);
    std::fflush(stderr);
    const char* release = std::getenv("ONARIM_TEST_HOLD_RELEASE");
    while (StopSignal() == 0 && (release == nullptr || access(release, F_OK) != 0)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
#endif
}

} // namespace onarim
