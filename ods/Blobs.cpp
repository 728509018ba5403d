#include "ods/Blobs.h"

#include <algorithm>

namespace onarim::ods {

TBlobRecord TBlobRecord::Read(TBytes piece) {
    RequireInside(piece, 0, kHeaderSize);
    TBlobRecord blob;
    blob.leadPage = Get32(piece, 0);
    blob.maxSequence = Get32(piece, 4);
    blob.maxSegment = Get16(piece, 8);
    blob.flags = Get16(piece, 10);
    blob.level = piece[12];
    blob.segmentCount = Get32(piece, 16);
    blob.length = Get32(piece, 20);
    blob.subType = static_cast<std::int16_t>(Get16(piece, 24));
    blob.charset = piece[26];
    blob.payload = piece.subspan(kHeaderSize);
    return blob;
}

std::uint32_t TBlobRecord::PageCount(const TPageGeometry& geometry) const {
    const auto listed = static_cast<std::uint64_t>(payload.size() / 4);
    const std::uint64_t dataPages = static_cast<std::uint64_t>(maxSequence) + 1;
    switch (level) {
    case 1:
        return static_cast<std::uint32_t>(std::min(listed, dataPages));
    case 2:
        return static_cast<std::uint32_t>(std::min(
            listed, (dataPages + geometry.pagesPerBlobPointer - 1) / geometry.pagesPerBlobPointer));
    default:
        return 0;
    }
}

TBlobPage TBlobPage::Read(TBytes page, const TPageGeometry& geometry) {
    RequireInside(page, 0, geometry.pageSize);
    TBlobPage blob;
    blob.leadPage = Get32(page, 16);
    blob.sequence = Get32(page, 20);
    blob.length = Get16(page, 24);
    blob.payload = page.subspan(28, std::min<std::size_t>(blob.length, geometry.pageSize - 28));
    return blob;
}

} // namespace onarim::ods
