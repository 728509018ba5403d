#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace onarim {

// The unique keys of a table's rows, each with a few bytes of its own (a mark per column),
// flat in memory: open addressing over one block of bytes, so that a look-up costs a cache
// miss or two where a map of nodes costs several (a million keys are looked up in a
// put-back).
class TKeyIndex {
public:
    // Adds `key` with `marks` unless it is there already; returns whether it was added.
    bool Insert(std::string_view key, std::string_view marks);
    // The marks of `key`; nullopt when it is not there.
    std::optional<std::string_view> Find(std::string_view key) const;
    std::size_t Size() const noexcept { return size_; }

private:
    static constexpr std::uint64_t kFree = static_cast<std::uint64_t>(-1);
    // 16 bytes: the slots of a million keys stay within the processor's caches as far as can be.
    struct TSlot {
        std::uint64_t offset =
            kFree;             // of the entry in bytes_: the key, the marks' length, the marks
        std::uint32_t tag = 0; // the high half of the key's hash
        std::uint32_t keyLength = 0;
    };

    // The slot of `key` (of hash `hash`), or the free one where it would go.
    std::size_t SlotOf(std::string_view key, std::uint64_t hash) const;
    std::string_view Marks(const TSlot& slot) const;
    void Grow();

    std::vector<TSlot> slots_;
    std::string bytes_;
    std::size_t size_ = 0;
};

} // namespace onarim
