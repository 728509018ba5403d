#pragma once

#include <string_view>

#include "trace/SharedMemory.h"

namespace onarim {

// A lock shared by every process on this machine under one name, in the manner of a named
// Windows mutex: re-entrant for the thread that holds it, and when its holder ends (thread or
// process) without releasing it, the next taker gets it with a note that it was abandoned.
// Built on a robust, recursive, process-shared pthread mutex in a shared-memory object.
class TNamedMutex {
public:
    // Opens the lock `name` (see SharedObjectName), creating it not owned when it does not
    // exist. Raises EOSError when it can be neither opened nor created.
    explicit TNamedMutex(std::string_view name);

    // Takes the lock, waiting without limit; the holding thread may take it again and must
    // release it as often. Returns true when the previous holder ended while holding it: the
    // lock is then held and usable, whatever it guarded may be half-changed. Raises EOSError
    // when the lock is beyond repair.
    bool Lock();

    // Takes the lock when that needs no waiting; true when it is now held (abandoned or not).
    bool TryLock();

    // Releases one taking by the calling thread.
    void Unlock() noexcept;

private:
    bool Acquired(int result);

    TSharedMemory memory_;
};

// Holds a TNamedMutex for a scope.
class TNamedMutexGuard {
public:
    explicit TNamedMutexGuard(TNamedMutex& mutex) : mutex_(mutex) { mutex_.Lock(); }
    ~TNamedMutexGuard() { mutex_.Unlock(); }
    TNamedMutexGuard(const TNamedMutexGuard&) = delete;
    TNamedMutexGuard& operator=(const TNamedMutexGuard&) = delete;

private:
    TNamedMutex& mutex_;
};

} // namespace onarim
