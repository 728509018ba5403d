#include "support/SharedNames.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <unistd.h>

#include "trace/NamedMutex.h"
#include "trace/SharedMemory.h"

namespace onarim::testing {

TScopedSharedNames::TScopedSharedNames(std::vector<std::string> names) : names_(std::move(names)) {
    static std::atomic<int> serial{0};
    suffix_ = ".test." + std::to_string(getpid()) + "." + std::to_string(serial++);
    setenv("ONARIM_MONITOR_NAME_SUFFIX", suffix_.c_str(), 1);
    RemoveAll();
}

TScopedSharedNames::~TScopedSharedNames() {
    setenv("ONARIM_MONITOR_NAME_SUFFIX", suffix_.c_str(), 1); // a test may have changed it
    RemoveAll();
    unsetenv("ONARIM_MONITOR_NAME_SUFFIX");
}

void TScopedSharedNames::RemoveAll() const {
    for (const std::string& name : names_) {
        RemoveSharedObject(name);
    }
}

bool FreeForOtherThreads(TNamedMutex& mutex) {
    bool taken = false;
    std::thread other([&] {
        taken = mutex.TryLock();
        if (taken) {
            mutex.Unlock();
        }
    });
    other.join();
    return taken;
}

int ThreadCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/task")) {
        ++count;
    }
    return count;
}

} // namespace onarim::testing
