// monitor_test_writer <letter> <count> <framed length>: a second writing process for the trace
// monitor tests. Once a monitor is registered (it waits up to 20 s), posts <count> texts through
// the process's trace hook, each filled with <letter> and framed to <framed length> bytes,
// prints "queued", then shuts the hook down, which publishes what is still queued. Exit status
// 0, or 1 when no monitor came.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "trace/MonitorHook.h"
#include "trace/MonitorSharedObjects.h"
#include "support/MonitorSupport.h"

int main(int argc, char** argv) {
    using namespace onarim;
    if (argc != 4) {
        return 2;
    }
    const char letter = argv[1][0];
    const int count = std::atoi(argv[2]);
    const auto framedLength = static_cast<std::size_t>(std::atoi(argv[3]));

    const TMonitorSharedObjects objects;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (objects.MonitorCount().load() <= 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const std::string text = testing::TextFramedTo(framedLength, letter);
    const auto hook = GetMonitorHook();
    for (int i = 0; i < count; ++i) {
        hook->TraceMisc(text);
    }
    std::printf("queued\n");
    std::fflush(stdout);
    ShutdownMonitorHook();
    return 0;
}
