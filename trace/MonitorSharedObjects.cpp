#include "trace/MonitorSharedObjects.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "client/ClientError.h"
#include "trace/DayCount.h"
#include "platform/SystemError.h"

namespace onarim {

namespace {

using Counter = TMonitorSharedObjects::Counter;

static_assert(std::endian::native == std::endian::little, "the block is little-endian");
static_assert(MonitorBlock::ReaderCountOffset % Counter::required_alignment == 0);
static_assert(MonitorBlock::MonitorCountOffset % Counter::required_alignment == 0);

template <typename T> void Store(std::byte* at, T value) {
    std::memcpy(at, &value, sizeof value);
}

template <typename T> T Load(const std::byte* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

void ClearBlock(void* address, std::size_t) {
    auto* block = static_cast<std::byte*>(address);
    Store<std::int32_t>(block + MonitorBlock::MonitorCountOffset, 0);
    Store<std::int32_t>(block + MonitorBlock::ReaderCountOffset, 0);
    Store<std::int32_t>(block + MonitorBlock::LengthOffset, 0);
}

// A counter left negative (by a process that ended mid-way) would never reach the values the
// barrier waits for.
void RaiseToZero(Counter counter) {
    std::int32_t value = counter.load();
    while (value < 0 && !counter.compare_exchange_weak(value, 0)) {
    }
}

} // namespace

TMonitorSharedObjects::TMonitorSharedObjects() try
    : block_(MonitorObjectName::SharedBlock, MonitorBlock::Size, ClearBlock),
      writeLock_(MonitorObjectName::WriteLock), writeEvent_(MonitorObjectName::WriteEvent, false),
      writeFinishedEvent_(MonitorObjectName::WriteFinishedEvent, true),
      readEvent_(MonitorObjectName::ReadEvent, false),
      readFinishedEvent_(MonitorObjectName::ReadFinishedEvent, false) {
    RaiseToZero(MonitorCount());
    RaiseToZero(ReaderCount());
} catch (const EOSError& error) {
    RaiseClientError(ClientErrorCode::CannotCreateSharedResource, {error.ErrorCode()});
}

std::byte* TMonitorSharedObjects::At(std::size_t offset) const {
    return static_cast<std::byte*>(block_.Address()) + offset;
}

Counter TMonitorSharedObjects::MonitorCount() const {
    return Counter(*reinterpret_cast<std::int32_t*>(At(MonitorBlock::MonitorCountOffset)));
}

Counter TMonitorSharedObjects::ReaderCount() const {
    return Counter(*reinterpret_cast<std::int32_t*>(At(MonitorBlock::ReaderCountOffset)));
}

void TMonitorSharedObjects::StoreChunk(std::string_view chunk, TTraceFlag kind, double timeStamp) {
    const std::size_t length = std::min(chunk.size(), MonitorBlock::ChunkCapacity);
    Store<std::int32_t>(At(MonitorBlock::KindOffset), static_cast<std::int32_t>(kind));
    Store<double>(At(MonitorBlock::TimeStampOffset), timeStamp);
    Store<std::int32_t>(At(MonitorBlock::LengthOffset), static_cast<std::int32_t>(length));
    std::memcpy(At(MonitorBlock::TextOffset), chunk.data(), length);
}

TTraceObject TMonitorSharedObjects::LoadChunk() const {
    constexpr auto capacity = static_cast<std::int32_t>(MonitorBlock::ChunkCapacity);
    const auto length =
        std::clamp<std::int32_t>(Load<std::int32_t>(At(MonitorBlock::LengthOffset)), 0, capacity);
    const auto kind = Load<std::int32_t>(At(MonitorBlock::KindOffset));
    TTraceObject chunk;
    chunk.text.assign(reinterpret_cast<const char*>(At(MonitorBlock::TextOffset)),
                      static_cast<std::size_t>(length));
    chunk.kind = kind >= 0 && kind <= static_cast<std::int32_t>(TTraceFlag::tfMisc)
                     ? static_cast<TTraceFlag>(kind)
                     : TTraceFlag::tfMisc;
    chunk.timeStamp = ClampDayCount(Load<double>(At(MonitorBlock::TimeStampOffset)));
    return chunk;
}

bool TMonitorSharedObjects::DiscardImplausibleCounts() {
    bool discarded = false;
    std::int32_t readers = ReaderCount().load();
    if (readers > MonitorBlock::MaxPlausibleCount) {
        discarded = ReaderCount().compare_exchange_strong(readers, 0);
    }
    std::int32_t monitors = MonitorCount().load();
    if (monitors > MonitorBlock::MaxPlausibleCount) {
        // The readers inside the barrier now are the monitors known to be alive; at least one
        // is assumed, so that a live monitor keeps receiving: one too many costs the writer
        // one more time-out.
        const std::int32_t alive =
            std::clamp<std::int32_t>(ReaderCount().load(), 1, MonitorBlock::MaxPlausibleCount);
        discarded = MonitorCount().compare_exchange_strong(monitors, alive) || discarded;
    }
    return discarded;
}

std::optional<std::int32_t> DecrementIfPositive(Counter counter) {
    std::int32_t value = counter.load();
    while (value > 0) {
        if (counter.compare_exchange_weak(value, value - 1)) {
            return value - 1;
        }
    }
    return std::nullopt;
}

void RemoveMonitorSharedObjects() {
    for (std::string_view name : MonitorObjectName::All) {
        RemoveSharedObject(name);
    }
}

} // namespace onarim
