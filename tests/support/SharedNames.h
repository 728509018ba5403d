#pragma once

#include <string>
#include <vector>

namespace onarim {
class TNamedMutex;
}

namespace onarim::testing {

// Gives named shared objects names of their own for as long as it lives (through
// ONARIM_MONITOR_NAME_SUFFIX, which child processes inherit), so that tests running at the same
// time on one machine do not meet. Removes the objects `names` before and after.
class TScopedSharedNames {
public:
    explicit TScopedSharedNames(std::vector<std::string> names);
    ~TScopedSharedNames();
    TScopedSharedNames(const TScopedSharedNames&) = delete;
    TScopedSharedNames& operator=(const TScopedSharedNames&) = delete;

private:
    void RemoveAll() const;

    std::vector<std::string> names_;
    std::string suffix_;
};

// True when a thread other than the caller can take `mutex` now (it is released again).
bool FreeForOtherThreads(TNamedMutex& mutex);

// Threads of this process now.
int ThreadCount();

} // namespace onarim::testing
