#pragma once

#include <cstdint>

#include "ods/PageMap.h"

namespace onarim::ods {

// State bits of a map entry.
inline constexpr std::uint8_t kEntryFree = 0x01;         // the PIP lists the page as free
inline constexpr std::uint8_t kEntryObserved = 0x02;     // the sequential pass read its header
inline constexpr std::uint8_t kEntryFieldsSound = 0x04;  // reserved 0, own page number, scn as the SCN page says
inline constexpr std::uint8_t kEntryDoNotWrite = 0x08;   // named twice, or its body disagrees
inline constexpr std::uint8_t kEntryParsed = 0x10;       // its body was followed
inline constexpr std::uint8_t kEntryRebuilt = 0x20;      // a rebuilt pointer page

// One page of the map. The meaning of owner, position and relation depends on the origin:
//  PointerSlot/RebuiltPointerSlot: owner = pointer page, position = data page sequence
//  PagesRow: owner = RDB$PAGES data page, position = sequence of the listed page
//  HeaderPagesPointer, PointerChain, TipChain: owner = the page naming it, position = sequence
//  Fragment: owner = page of the previous piece, position = its line
//  BlobList, BlobPointerList: owner = page of the blob header, relation = its line,
//      position = index in the header's list
//  BlobPointerEntry: owner = blob pointer page, position = data page index in the blob
//  IndexRootSlot: owner = index root page, position = index slot
//  BTreeBody: owner = index root page, position = index slot | level << 8
//  Pip, Scn: position = k
struct TPageMapEntry {
    std::uint8_t expectedType = 0;
    std::uint8_t expectedFlags = 0;
    TPageOrigin origin = TPageOrigin::None;
    std::uint8_t state = 0;
    std::uint8_t observedType = 0;
    std::uint8_t observedFlags = 0;
    std::uint16_t relation = 0;
    std::uint32_t owner = 0;
    std::uint32_t position = 0;

    bool Named() const { return origin != TPageOrigin::None; }
    bool Is(std::uint8_t bit) const { return (state & bit) != 0; }
    // The header the sequential pass read is what the map expects.
    bool HeaderAgrees() const {
        return Is(kEntryFieldsSound) && observedType == expectedType &&
               observedFlags == expectedFlags;
    }
};
static_assert(sizeof(TPageMapEntry) == 16);

} // namespace onarim::ods
