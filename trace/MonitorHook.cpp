#include "trace/MonitorHook.h"

#include <atomic>
#include <mutex>

#include "trace/IBSQLMonitorHook.h"

namespace onarim {

namespace {

// Guards the creation of the process's hook and its forgetting at shutdown.
std::mutex processLock;
std::shared_ptr<TIBSQLMonitorHook> processHook;
std::atomic<bool> shutdownBegun{false};

} // namespace

std::shared_ptr<IIBSQLMonitorHook> GetMonitorHook() {
    if (shutdownBegun) {
        return nullptr;
    }
    std::lock_guard guard(processLock);
    if (!processHook && !shutdownBegun) {
        processHook = std::make_shared<TIBSQLMonitorHook>();
    }
    return processHook;
}

void ShutdownMonitorHook() {
    shutdownBegun = true;
    std::shared_ptr<TIBSQLMonitorHook> hook;
    {
        std::lock_guard guard(processLock);
        hook = std::move(processHook); // forgotten even if the shutdown below fails
    }
    if (hook) {
        hook->Shutdown();
    }
}

} // namespace onarim
