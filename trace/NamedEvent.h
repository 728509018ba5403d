#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>

#include "trace/SharedMemory.h"

namespace onarim {

// A manual-reset event shared by every process on this machine under one name, in the manner
// of a named Windows event: once set it lets every waiter pass until it is reset.
//
// It is a flag word in a shared-memory object; waiters sleep on it with futex calls, timed on
// CLOCK_MONOTONIC. A waiter leaves nothing behind in the shared state, so a process killed
// while waiting cannot block the processes that set the event later (a process-shared
// condition variable can: glibc's keeps per-waiter counts that a killed waiter never returns).
class TNamedEvent {
public:
    // Opens the event `name` (see SharedObjectName), creating it in the state `initiallySet`
    // when it does not exist (an existing event keeps its state). Raises EOSError when it can be
    // neither opened nor created.
    TNamedEvent(std::string_view name, bool initiallySet);

    // Lets every present and later waiter pass, until Reset.
    void Set() noexcept;
    // Makes later waiters wait.
    void Reset() noexcept;
    bool IsSet() const noexcept;

    // Waits until the event is set or `timeout` has passed; true when it is set.
    bool Wait(std::chrono::milliseconds timeout) const noexcept;

private:
    std::uint32_t* Word() const noexcept;

    TSharedMemory memory_;
};

} // namespace onarim
