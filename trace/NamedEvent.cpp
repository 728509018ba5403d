#include "trace/NamedEvent.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <ctime>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace onarim {

namespace {

using Clock = std::chrono::steady_clock; // CLOCK_MONOTONIC, the clock of FUTEX_WAIT's time-out

constexpr std::uint32_t kReset = 0;
constexpr std::uint32_t kSet = 1;

static_assert(std::atomic_ref<std::uint32_t>::is_always_lock_free);

// Shared (not private) futex calls: the word is reached from other processes' mappings.
long Futex(std::uint32_t* word, int operation, std::uint32_t value, const timespec* timeout) {
    return syscall(SYS_futex, word, operation, value, timeout, nullptr, 0);
}

timespec ToTimespec(Clock::duration duration) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration);
    const auto nanoseconds =
        std::chrono::duration_cast<std::chrono::nanoseconds>(duration - seconds);
    return timespec{static_cast<time_t>(seconds.count()), static_cast<long>(nanoseconds.count())};
}

} // namespace

TNamedEvent::TNamedEvent(std::string_view name, bool initiallySet)
    : memory_(name, sizeof(std::uint32_t), [initiallySet](void* address, std::size_t) {
          *static_cast<std::uint32_t*>(address) = initiallySet ? kSet : kReset;
      }) {}

std::uint32_t* TNamedEvent::Word() const noexcept {
    return static_cast<std::uint32_t*>(memory_.Address());
}

void TNamedEvent::Set() noexcept {
    std::atomic_ref<std::uint32_t>(*Word()).store(kSet, std::memory_order_release);
    Futex(Word(), FUTEX_WAKE, INT_MAX, nullptr);
}

void TNamedEvent::Reset() noexcept {
    std::atomic_ref<std::uint32_t>(*Word()).store(kReset, std::memory_order_release);
}

bool TNamedEvent::IsSet() const noexcept {
    return std::atomic_ref<std::uint32_t>(*Word()).load(std::memory_order_acquire) != kReset;
}

bool TNamedEvent::Wait(std::chrono::milliseconds timeout) const noexcept {
    const Clock::time_point deadline = Clock::now() + timeout;
    while (!IsSet()) {
        const Clock::duration remaining = deadline - Clock::now();
        if (remaining <= Clock::duration::zero()) {
            return false;
        }
        const timespec relative = ToTimespec(remaining);
        // Sleeps only while the word still reads "reset"; EAGAIN (it changed), EINTR and
        // ETIMEDOUT all lead back to the test above.
        Futex(Word(), FUTEX_WAIT, kReset, &relative);
    }
    return true;
}

} // namespace onarim
