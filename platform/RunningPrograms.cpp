#include "platform/RunningPrograms.h"

#include <csignal>
#include <mutex>
#include <set>
#include <thread>

namespace onarim {

namespace {

std::mutex& Lock() {
    static std::mutex mutex;
    return mutex;
}

std::set<pid_t>& Groups() {
    static std::set<pid_t> groups;
    return groups;
}

std::set<pid_t> Running() {
    const std::lock_guard lock(Lock());
    return Groups();
}

} // namespace

void RegisterRunningProgram(pid_t group) {
    const std::lock_guard lock(Lock());
    Groups().insert(group);
}

void UnregisterRunningProgram(pid_t group) {
    const std::lock_guard lock(Lock());
    Groups().erase(group);
}

void StopRunningPrograms(std::chrono::milliseconds grace) {
    for (const pid_t group : Running()) {
        kill(-group, SIGTERM);
    }
    const auto deadline = std::chrono::steady_clock::now() + grace;
    while (!Running().empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (const pid_t group : Running()) {
        kill(-group, SIGKILL);
    }
}

} // namespace onarim
