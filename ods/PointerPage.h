#pragma once

#include <cstdint>
#include <vector>

#include "ods/Bytes.h"
#include "ods/PageGeometry.h"

namespace onarim::ods {

// Pointer page flag: the last pointer page of its relation.
inline constexpr std::uint8_t kPointerPageLast = 0x01;

// Slot flag bits of a pointer page, each mirroring a data page flag (DataPageFlagsOf).
inline constexpr std::uint8_t kSlotFull = 0x01;
inline constexpr std::uint8_t kSlotLargeObject = 0x02;
inline constexpr std::uint8_t kSlotSwept = 0x04;
inline constexpr std::uint8_t kSlotSecondary = 0x08;
inline constexpr std::uint8_t kSlotEmpty = 0x10;

// The data page flags a pointer page slot byte stands for.
std::uint8_t DataPageFlagsOf(std::uint8_t slotFlags);
// The slot byte for a data page with `dataFlags` and `lineCount` lines.
std::uint8_t SlotFlagsOf(std::uint8_t dataFlags, std::uint16_t lineCount);

// Pointer page (type 4): the data pages of one relation, slot s of the page with sequence k
// holding the data page of sequence k * dataPagesPerPointerPage + s.
struct TPointerPage {
    // Raises EOdsError when `page` is shorter than the page size.
    static TPointerPage Read(TBytes page, const TPageGeometry& geometry);

    std::uint32_t sequence = 0;
    std::uint32_t next = 0; // next pointer page of the relation, 0 on the last
    std::uint16_t count = 0; // slots in use: highest used slot + 1
    std::uint16_t relation = 0;
    std::uint16_t minSpace = 0;
    TBytes pages; // dataPagesPerPointerPage u32
    TBytes slotFlags;

    // Slot `slot`, which must be below dataPagesPerPointerPage.
    std::uint32_t Page(std::uint32_t slot) const { return Get32(pages, 4 * slot); }
    std::uint8_t Flags(std::uint32_t slot) const { return Get8(slotFlags, slot); }
    // The count fits the page.
    bool Plausible(const TPageGeometry& geometry) const;
};

// One slot of a pointer page to build.
struct TPointerSlot {
    std::uint32_t page = 0;
    std::uint8_t flags = 0; // slot flag bits
};

// The body (bytes 16 onwards) of a pointer page of `relation` with `sequence`, chained to
// `next`, listing `slots` (index = slot; 0 pages are gaps). The standard header is left zero
// for the caller. Raises EOdsError when there are more slots than a pointer page holds.
std::vector<std::uint8_t> BuildPointerPage(const TPageGeometry& geometry, std::uint16_t relation,
                                           std::uint32_t sequence, std::uint32_t next,
                                           const std::vector<TPointerSlot>& slots);

} // namespace onarim::ods
