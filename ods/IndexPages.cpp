#include "ods/IndexPages.h"

namespace onarim::ods {

namespace {
constexpr std::size_t kBTreeNodes = 39;
} // namespace

TIndexRootPage TIndexRootPage::Read(TBytes page, const TPageGeometry& geometry) {
    RequireInside(page, 0, geometry.pageSize);
    return {Get16(page, 16), Get16(page, 18), page.first(geometry.pageSize)};
}

TIndexSlot TIndexRootPage::Slot(std::uint16_t index) const {
    const std::size_t at = 20 + kSlotSize * index;
    return {Get32(page, at), Get32(page, at + 4), Get16(page, at + 8), Get8(page, at + 10),
            Get8(page, at + 11)};
}

TBTreePage TBTreePage::Read(TBytes page, const TPageGeometry& geometry) {
    RequireInside(page, 0, geometry.pageSize);
    TBTreePage btree;
    btree.sibling = Get32(page, 16);
    btree.leftSibling = Get32(page, 20);
    btree.prefixTotal = static_cast<std::int32_t>(Get32(page, 24));
    btree.relation = Get16(page, 28);
    btree.length = Get16(page, 30);
    btree.indexId = page[32];
    btree.level = page[33];
    return btree;
}

bool TBTreePage::Plausible(const TPageGeometry& geometry, std::uint64_t pageCount) const {
    return length >= kBTreeNodes && length <= geometry.pageSize && sibling < pageCount &&
           leftSibling < pageCount;
}

} // namespace onarim::ods
