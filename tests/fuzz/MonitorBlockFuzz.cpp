// Drives the trace hook's reader over a garbled shared block. The block and its events are
// writable by every user on the machine, so a monitor process must take whatever they hold:
// the fuzzer writes the chunk length, time stamp, kind, both counters and the text bytes, and
// sets or resets the four events of the barrier, as a hostile process could at any moment.
//
// Properties:
// - the chunk read holds the block's bytes up to the length clamped to 0..1000, a kind of
//   TTraceFlag and a time stamp that is a number within the years 1 to 9999 (the block's own
//   where it is one); nothing outside the 1024 bytes of the block is read or written (the rest
//   of the mapped page is poisoned for the address sanitizer);
// - opening the objects again leaves no counter negative, and discarding implausible counts
//   leaves none above MonitorBlock::MaxPlausibleCount;
// - a reader thread started over the garbled block and then asked to stop has ended within
//   its own time limits (twice kLeaveGrace and kStopPoll, one for each of its two waits, and
//   some slack for a busy machine), whatever the events and counters hold; it has lowered no
//   counter below 0 that was not below 0 already, and has delivered only chunks of at most 1000
//   bytes with a kind of TTraceFlag.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>
#include <unistd.h>

#include "FuzzCheck.h"
#include "trace/MonitorReaderThread.h"
#include "trace/MonitorSharedObjects.h"
#include "trace/DayCount.h"
#include "trace/SharedMemory.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/asan_interface.h>
#endif
#endif
#ifndef ASAN_POISON_MEMORY_REGION
#define ASAN_POISON_MEMORY_REGION(address, size) ((void)(address), (void)(size))
#endif

namespace onarim {
namespace {

using fuzz::Check;
using Clock = std::chrono::steady_clock;

// Poisons, in every mapping of the block in this process, the bytes of its page past the block.
void PoisonPastTheBlock() {
    const std::string path = "/dev/shm" + SharedObjectName(MonitorObjectName::SharedBlock);
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        if (!line.ends_with(" " + path)) {
            continue;
        }
        std::uintptr_t start = 0;
        std::uintptr_t end = 0;
        char dash = 0;
        std::istringstream(line) >> std::hex >> start >> dash >> end;
        ASAN_POISON_MEMORY_REGION(reinterpret_cast<void*>(start + MonitorBlock::Size),
                                  end - start - MonitorBlock::Size);
    }
}

// The hook's objects under names of this process, and a second view of the block through
// which the fuzzer garbles it as another process would.
struct Objects {
    std::atomic<bool> shutdown{false};
    std::unique_ptr<TMonitorSharedObjects> shared;
    std::unique_ptr<TSharedMemory> hostile;

    Objects() {
        setenv("ONARIM_MONITOR_NAME_SUFFIX", (".fuzz" + std::to_string(getpid())).c_str(), 1);
        RemoveMonitorSharedObjects();
        std::atexit(RemoveMonitorSharedObjects);
        shared = std::make_unique<TMonitorSharedObjects>();
        hostile = std::make_unique<TSharedMemory>(MonitorObjectName::SharedBlock,
                                                  MonitorBlock::Size);
        PoisonPastTheBlock();
    }

    std::byte* Block() const { return static_cast<std::byte*>(hostile->Address()); }
    std::int32_t Count(std::size_t offset) const {
        std::int32_t value;
        std::memcpy(&value, Block() + offset, sizeof value);
        return value;
    }
};

Objects& TheObjects() {
    static Objects objects;
    return objects;
}

void Garble(Objects& objects, fuzz::FuzzInput& input) {
    std::byte* block = objects.Block();
    auto store = [&](std::size_t offset, std::size_t size) {
        const std::string bytes = input.Bytes(size);
        std::memcpy(block + offset, bytes.data(), bytes.size());
    };
    store(MonitorBlock::LengthOffset, 4);
    store(MonitorBlock::TimeStampOffset, 8);
    store(MonitorBlock::KindOffset, 4);
    store(MonitorBlock::ReaderCountOffset, 4);
    store(MonitorBlock::MonitorCountOffset, 4);
    store(MonitorBlock::TextOffset, MonitorBlock::ChunkCapacity);
}

void CheckChunk(const TTraceObject& chunk) {
    Check(chunk.text.size() <= MonitorBlock::ChunkCapacity, "a chunk holds at most 1000 bytes");
    Check(chunk.kind >= TTraceFlag::tfQPrepare && chunk.kind <= TTraceFlag::tfMisc,
          "a chunk's kind is a TTraceFlag");
    Check(std::isfinite(chunk.timeStamp) && chunk.timeStamp == ClampDayCount(chunk.timeStamp),
          "a chunk's time stamp is a day count within the years 1 to 9999");
}

void CheckTheBlock(Objects& objects, bool discardCounts) {
    const TTraceObject chunk = objects.shared->LoadChunk();
    CheckChunk(chunk);
    const auto length = std::clamp<std::int32_t>(objects.Count(MonitorBlock::LengthOffset), 0,
                                                 MonitorBlock::ChunkCapacity);
    Check(chunk.text == std::string_view(reinterpret_cast<const char*>(objects.Block()),
                                         static_cast<std::size_t>(length)),
          "the chunk is the block's bytes up to the clamped length");
    double stamp;
    std::memcpy(&stamp, objects.Block() + MonitorBlock::TimeStampOffset, sizeof stamp);
    Check(std::isnan(stamp) || ClampDayCount(stamp) != stamp || chunk.timeStamp == stamp,
          "a time stamp within the years 1 to 9999 is kept as it is");

    TMonitorSharedObjects reopened;
    Check(reopened.MonitorCount().load() >= 0 && reopened.ReaderCount().load() >= 0,
          "opening the objects leaves no counter negative");
    if (!discardCounts) {
        return; // the reader is to meet the garbled counts
    }
    reopened.DiscardImplausibleCounts();
    Check(reopened.MonitorCount().load() <= MonitorBlock::MaxPlausibleCount &&
              reopened.ReaderCount().load() <= MonitorBlock::MaxPlausibleCount,
          "discarding implausible counts leaves none above the largest plausible one");
}

void SetEvents(TMonitorSharedObjects& shared, std::uint8_t states) {
    TNamedEvent* events[] = {&shared.WriteEvent(), &shared.WriteFinishedEvent(),
                             &shared.ReadEvent(), &shared.ReadFinishedEvent()};
    for (TNamedEvent* event : events) {
        states & 1 ? event->Set() : event->Reset();
        states >>= 1;
    }
}

void RunAReader(Objects& objects, std::uint8_t flags) {
    SetEvents(*objects.shared, flags >> 1);
    const bool monitorsCounted = objects.Count(MonitorBlock::MonitorCountOffset) >= 0;
    const bool readersCounted = objects.Count(MonitorBlock::ReaderCountOffset) >= 0;
    const auto window = std::make_shared<TMonitorWindow>();
    {
        TReaderThread reader(*objects.shared, objects.shutdown);
        reader.AddMonitor(window);
        std::this_thread::sleep_for(std::chrono::milliseconds(20 * (flags >> 6)));
        reader.RequestStop();
        const Clock::time_point stopAsked = Clock::now();
        reader.Join();
        Check(Clock::now() - stopAsked <=
                  2 * (TReaderThread::kLeaveGrace + TReaderThread::kStopPoll) +
                      std::chrono::milliseconds(1000),
              "a reader asked to stop ends within its own time limits");
    }
    Check(!monitorsCounted || objects.Count(MonitorBlock::MonitorCountOffset) >= 0,
          "the reader lowers the monitor count no further than 0");
    Check(!readersCounted || objects.Count(MonitorBlock::ReaderCountOffset) >= 0,
          "the reader lowers the reader count no further than 0");
    while (auto message = window->WaitMessage(std::chrono::milliseconds(0))) {
        Check(message->trace != nullptr, "a delivered message carries its chunk");
        CheckChunk(*message->trace);
    }
}

} // namespace
} // namespace onarim

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    onarim::fuzz::FuzzInput input(data, size);
    onarim::Objects& objects = onarim::TheObjects();
    const std::uint8_t flags = input.Byte();
    onarim::Garble(objects, input);
    onarim::CheckTheBlock(objects, !(flags & 1));
    if (flags & 1) {
        onarim::RunAReader(objects, flags);
    }
    return 0;
}
