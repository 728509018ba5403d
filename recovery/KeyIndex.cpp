#include "recovery/KeyIndex.h"

#include <cstring>
#include <functional>

namespace onarim {

namespace {

std::uint32_t TagOf(std::uint64_t hash) {
    return static_cast<std::uint32_t>(hash >> 32);
}

} // namespace

std::size_t TKeyIndex::SlotOf(std::string_view key, std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    const std::uint32_t tag = TagOf(hash);
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const TSlot& slot = slots_[at];
        if (slot.offset == kFree ||
            (slot.tag == tag && slot.keyLength == key.size() &&
             std::memcmp(bytes_.data() + slot.offset, key.data(), key.size()) == 0)) {
            return at;
        }
    }
}

std::string_view TKeyIndex::Marks(const TSlot& slot) const {
    std::uint32_t length = 0;
    const char* at = bytes_.data() + slot.offset + slot.keyLength;
    std::memcpy(&length, at, sizeof length);
    return {at + sizeof length, length};
}

void TKeyIndex::Grow() {
    std::vector<TSlot> old(slots_.empty() ? 4096 : slots_.size() * 2);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const TSlot& slot : old) {
        if (slot.offset == kFree) {
            continue;
        }
        // The hash is not kept: the key is hashed again.
        const std::uint64_t hash = std::hash<std::string_view>()(
            std::string_view(bytes_.data() + slot.offset, slot.keyLength));
        std::size_t at = hash & mask;
        while (slots_[at].offset != kFree) {
            at = (at + 1) & mask;
        }
        slots_[at] = slot;
    }
}

bool TKeyIndex::Insert(std::string_view key, std::string_view marks) {
    // At most half full: probes stay short.
    if ((size_ + 1) * 2 > slots_.size()) {
        Grow();
    }
    const std::uint64_t hash = std::hash<std::string_view>()(key);
    TSlot& slot = slots_[SlotOf(key, hash)];
    if (slot.offset != kFree) {
        return false;
    }
    slot = {bytes_.size(), TagOf(hash), static_cast<std::uint32_t>(key.size())};
    const auto marksLength = static_cast<std::uint32_t>(marks.size());
    bytes_.append(key);
    bytes_.append(reinterpret_cast<const char*>(&marksLength), sizeof marksLength);
    bytes_.append(marks);
    ++size_;
    return true;
}

std::optional<std::string_view> TKeyIndex::Find(std::string_view key) const {
    if (slots_.empty()) {
        return std::nullopt;
    }
    const TSlot& slot = slots_[SlotOf(key, std::hash<std::string_view>()(key))];
    if (slot.offset == kFree) {
        return std::nullopt;
    }
    return Marks(slot);
}

} // namespace onarim
