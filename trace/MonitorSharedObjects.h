#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "trace/TraceObject.h"
#include "trace/NamedEvent.h"
#include "trace/NamedMutex.h"
#include "trace/SharedMemory.h"

namespace onarim {

// Names of the objects through which trace hooks and trace monitors of all processes meet.
namespace MonitorObjectName {
inline constexpr std::string_view WriteLock = "IB.SQL.MONITOR.Mutex4_1";
inline constexpr std::string_view SharedBlock = "IB.SQL.MONITOR.SharedMem4_1";
inline constexpr std::string_view WriteEvent = "IB.SQL.MONITOR.WriteEvent4_1";
inline constexpr std::string_view WriteFinishedEvent = "IB.SQL.MONITOR.WriteFinishedEvent4_1";
inline constexpr std::string_view ReadEvent = "IB.SQL.MONITOR.ReadEvent4_1";
inline constexpr std::string_view ReadFinishedEvent = "IB.SQL.MONITOR.ReadFinishedEvent4_1";
inline constexpr std::string_view All[] = {WriteLock,          SharedBlock, WriteEvent,
                                           WriteFinishedEvent, ReadEvent,   ReadFinishedEvent};
} // namespace MonitorObjectName

// Layout of the 1024-byte shared block (little-endian).
namespace MonitorBlock {
inline constexpr std::size_t Size = 1024;
inline constexpr std::size_t TextOffset = 0; // the chunk's bytes, no terminator
inline constexpr std::size_t ChunkCapacity = 1000;
inline constexpr std::size_t LengthOffset = 1000;       // int32, 0 to 1000
inline constexpr std::size_t TimeStampOffset = 1004;    // float64 day count
inline constexpr std::size_t KindOffset = 1012;         // int32 TTraceFlag ordinal
inline constexpr std::size_t ReaderCountOffset = 1016;  // int32: readers inside the current read
inline constexpr std::size_t MonitorCountOffset = 1020; // int32: registered monitor readers
// More monitor reader threads than any machine runs: a count above it is garbage.
inline constexpr std::int32_t MaxPlausibleCount = 64;
} // namespace MonitorBlock

// This process's view of the trace monitor's shared objects: the write lock, the shared block
// and the four manual-reset events of the per-chunk barrier (write, write-finished, read,
// read-finished). Each object is opened when another process made it and created otherwise;
// the block's counters are cleared when this process creates it and raised to 0 when negative.
class TMonitorSharedObjects {
public:
    using Counter = std::atomic_ref<std::int32_t>;

    // Raises EIBClientError 58 ("Cannot create shared resource. (Windows error %d)") with the
    // system's error number when an object can be neither opened nor created nor mapped.
    TMonitorSharedObjects();

    TNamedMutex& WriteLock() { return writeLock_; }
    TNamedEvent& WriteEvent() { return writeEvent_; }
    TNamedEvent& WriteFinishedEvent() { return writeFinishedEvent_; }
    TNamedEvent& ReadEvent() { return readEvent_; }
    TNamedEvent& ReadFinishedEvent() { return readFinishedEvent_; }

    // Changed only atomically, by every process. The block is writable by every user, so
    // either may hold any value; see DiscardImplausibleCounts.
    Counter MonitorCount() const;
    Counter ReaderCount() const;

    // Replaces a reader count above MaxPlausibleCount by 0, then a monitor count above it by
    // the reader count (at least 1), each only if it did not change meanwhile. Returns whether
    // it replaced a count. Counting such a value down one handshake time-out at a time would
    // take years.
    bool DiscardImplausibleCounts();

    // Stores one chunk (at most ChunkCapacity bytes) with its message's kind and time stamp.
    void StoreChunk(std::string_view chunk, TTraceFlag kind, double timeStamp);
    // The chunk in the block. A length outside 0..1000 (the block is writable by anyone) is
    // taken as the nearest bound, a kind outside TTraceFlag as tfMisc, and the time stamp as
    // ClampDayCount makes it.
    TTraceObject LoadChunk() const;

private:
    std::byte* At(std::size_t offset) const;

    TSharedMemory block_;
    TNamedMutex writeLock_;
    TNamedEvent writeEvent_;
    TNamedEvent writeFinishedEvent_;
    TNamedEvent readEvent_;
    TNamedEvent readFinishedEvent_;
};

// Lowers `counter` by one unless it is 0 or less, atomically; returns the lowered value, or
// nothing when it was not lowered. Two processes that both recover from the same dead reader
// therefore cannot take a counter below 0, where the barrier would wait for it for ever.
std::optional<std::int32_t> DecrementIfPositive(TMonitorSharedObjects::Counter counter);

// Removes the six named objects (see RemoveSharedObject); for tests and for clearing objects
// left behind. Processes that have them open keep using their own copies.
void RemoveMonitorSharedObjects();

} // namespace onarim
