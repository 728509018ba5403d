#pragma once

#include <cstdint>

#include "ods/Bytes.h"
#include "ods/PageGeometry.h"

namespace onarim::ods {

// Index root slot flag: the index is being built (the root field holds a transaction).
inline constexpr std::uint8_t kIndexBeingBuilt = 0x04;

// One index of an index root page; slot i is the index with RDB$INDEX_ID i + 1.
struct TIndexSlot {
    std::uint32_t rootPage = 0; // 0: the slot is unused
    std::uint32_t transaction = 0;
    std::uint16_t descriptorOffset = 0;
    std::uint8_t keyCount = 0;
    std::uint8_t flags = 0; // 0x01 unique, 0x02 descending, 0x04 being built, ...

    // A root page number the tree can be reached through.
    bool HasRoot() const { return rootPage != 0 && (flags & kIndexBeingBuilt) == 0; }
};

// Index root page (type 6): one per relation, listing its indexes.
struct TIndexRootPage {
    static constexpr std::size_t kSlotSize = 12;

    // Raises EOdsError when `page` is shorter than the page size.
    static TIndexRootPage Read(TBytes page, const TPageGeometry& geometry);

    std::uint16_t relation = 0;
    std::uint16_t count = 0;
    TBytes page;

    bool Plausible() const { return 20 + kSlotSize * count <= page.size(); }
    // Slot `index`, which must be below a plausible count.
    TIndexSlot Slot(std::uint16_t index) const;
};

// The fixed fields of an index B-tree page (type 7); nodes start at offset 39.
struct TBTreePage {
    // Raises EOdsError when `page` is shorter than the page size.
    static TBTreePage Read(TBytes page, const TPageGeometry& geometry);

    std::uint32_t sibling = 0; // right sibling, 0 for none
    std::uint32_t leftSibling = 0;
    std::int32_t prefixTotal = 0;
    std::uint16_t relation = 0;
    std::uint16_t length = 0; // bytes used on the page
    std::uint8_t indexId = 0; // index root slot
    std::uint8_t level = 0;   // 0 = leaf

    // The fields could be those of an intact page of a file of `pageCount` pages.
    bool Plausible(const TPageGeometry& geometry, std::uint64_t pageCount) const;
};

} // namespace onarim::ods
