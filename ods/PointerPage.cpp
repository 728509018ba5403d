#include "ods/PointerPage.h"

namespace onarim::ods {

std::uint8_t DataPageFlagsOf(std::uint8_t slotFlags) {
    return static_cast<std::uint8_t>((slotFlags & 0x0F) << 1);
}

std::uint8_t SlotFlagsOf(std::uint8_t dataFlags, std::uint16_t lineCount) {
    return static_cast<std::uint8_t>((dataFlags >> 1 & 0x0F) | (lineCount == 0 ? kSlotEmpty : 0));
}

TPointerPage TPointerPage::Read(TBytes page, const TPageGeometry& geometry) {
    RequireInside(page, 0, geometry.pageSize);
    TPointerPage pointer;
    pointer.sequence = Get32(page, 16);
    pointer.next = Get32(page, 20);
    pointer.count = Get16(page, 24);
    pointer.relation = Get16(page, 26);
    pointer.minSpace = Get16(page, 28);
    pointer.pages = page.subspan(32, 4 * static_cast<std::size_t>(geometry.dataPagesPerPointerPage));
    pointer.slotFlags =
        page.subspan(geometry.PointerSlotFlagsOffset(), geometry.dataPagesPerPointerPage);
    return pointer;
}

bool TPointerPage::Plausible(const TPageGeometry& geometry) const {
    return count <= geometry.dataPagesPerPointerPage;
}

std::vector<std::uint8_t> BuildPointerPage(const TPageGeometry& geometry, std::uint16_t relation,
                                           std::uint32_t sequence, std::uint32_t next,
                                           const std::vector<TPointerSlot>& slots) {
    if (slots.size() > geometry.dataPagesPerPointerPage) {
        throw EOdsError("a pointer page of " + std::to_string(geometry.pageSize) +
                        " bytes holds " + std::to_string(geometry.dataPagesPerPointerPage) +
                        " slots, not " + std::to_string(slots.size()));
    }
    std::vector<std::uint8_t> page(geometry.pageSize, 0);
    std::size_t count = 0;
    std::size_t minSpace = slots.size();
    for (std::size_t slot = 0; slot < slots.size(); ++slot) {
        if (slots[slot].page == 0) {
            continue;
        }
        count = slot + 1;
        Put32(page, 32 + 4 * slot, slots[slot].page);
        page[geometry.PointerSlotFlagsOffset() + slot] = slots[slot].flags;
        if (minSpace == slots.size() && (slots[slot].flags & kSlotFull) == 0) {
            minSpace = slot;
        }
    }
    Put32(page, 16, sequence);
    Put32(page, 20, next);
    Put16(page, 24, static_cast<std::uint16_t>(count));
    Put16(page, 26, relation);
    Put16(page, 28, static_cast<std::uint16_t>(minSpace < count ? minSpace : count));
    return page;
}

} // namespace onarim::ods
