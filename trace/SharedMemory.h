#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace onarim {

// Named shared memory that any process of any user on this machine can open: a POSIX
// shared-memory object (a file under /dev/shm) mapped read/write. Named mutexes and events are
// built on it (platform/NamedMutex.h, platform/NamedEvent.h).
//
// Names are given bare ("IB.SQL.MONITOR.Mutex4_1"); SharedObjectName turns them into the
// object's name. An object is published under its name only once it is completely set up, so
// a process that opens an existing object never sees it half-initialised, and of two processes
// that create the same object at once exactly one initialises it; the other opens that one.
// Objects persist until removed (RemoveSharedObject), also after every user has ended.

// The system name of the shared object `name`: "/" + name + the value of the environment
// variable ONARIM_MONITOR_NAME_SUFFIX (read on every call; unset means no suffix), so that
// parallel test runs on one machine do not meet.
std::string SharedObjectName(std::string_view name);

class TSharedMemory {
public:
    // Sets up a new object's contents; the memory is zero-filled when it is called.
    using Initialiser = std::function<void(void* address, std::size_t size)>;

    // Opens the object `name` and maps `size` bytes of it, or, when it does not exist, creates
    // it with mode 0666 (whatever the umask), lets `initialise` fill it and publishes it.
    // Raises EOSError with the errno of the call that failed; EINVAL for a name that holds a
    // "/" after the suffix is added, or for an existing object smaller than `size`.
    TSharedMemory(std::string_view name, std::size_t size, const Initialiser& initialise = {});
    ~TSharedMemory();
    TSharedMemory(TSharedMemory&& other) noexcept;
    TSharedMemory& operator=(TSharedMemory&& other) noexcept;
    TSharedMemory(const TSharedMemory&) = delete;
    TSharedMemory& operator=(const TSharedMemory&) = delete;

    void* Address() const noexcept { return address_; }
    std::size_t Size() const noexcept { return size_; }
    // True when this process created and initialised the object, false when it opened it.
    bool Created() const noexcept { return created_; }

private:
    void* address_ = nullptr;
    std::size_t size_ = 0;
    bool created_ = false;
};

// True when the object `name` exists.
bool SharedObjectExists(std::string_view name);

// Removes the object `name`; processes that have it mapped keep their mapping. A missing object
// is not an error. Returns false (and records the errno as the last system error) on failure.
bool RemoveSharedObject(std::string_view name);

} // namespace onarim
