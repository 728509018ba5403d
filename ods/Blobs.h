#pragma once

#include <cstdint>
#include <optional>

#include "ods/Bytes.h"
#include "ods/PageGeometry.h"

namespace onarim::ods {

// Blob page flag: a pointer page of a level-2 blob (its payload lists data pages).
inline constexpr std::uint8_t kBlobPointerPage = 0x01;

// The header of a blob, a record piece with flag 0x10 on a data page of the relation that
// stores it. Level 0 holds the data itself; level 1 lists the blob's data pages; level 2
// lists blob pointer pages that list them.
struct TBlobRecord {
    static constexpr std::size_t kHeaderSize = 28;

    // Raises EOdsError when `piece` is shorter than the blob header.
    static TBlobRecord Read(TBytes piece);

    std::uint32_t leadPage = 0;
    std::uint32_t maxSequence = 0; // index of the last data page
    std::uint16_t maxSegment = 0;
    std::uint16_t flags = 0;
    std::uint8_t level = 0;
    std::uint32_t segmentCount = 0;
    std::uint32_t length = 0;
    std::int16_t subType = 0;
    std::uint8_t charset = 0;
    TBytes payload;

    // How many page numbers of the payload the level names: the data pages (level 1) or the
    // pointer pages (level 2), no more than the payload holds. 0 for level 0.
    std::uint32_t PageCount(const TPageGeometry& geometry) const;
    std::uint32_t PageNumber(std::uint32_t index) const { return Get32(payload, 4 * index); }
};

// Blob page (type 8): a data page of a blob (payload = data) or a pointer page of a level-2
// blob (payload = u32 page numbers of data pages).
struct TBlobPage {
    // Raises EOdsError when `page` is shorter than the page size.
    static TBlobPage Read(TBytes page, const TPageGeometry& geometry);

    std::uint32_t leadPage = 0; // the blob's first data page, on every page of it
    std::uint32_t sequence = 0; // index among the blob's data pages; 0 on pointer pages
    std::uint16_t length = 0;   // payload bytes used
    TBytes payload;             // the used part, cut to the page

    std::uint32_t EntryCount() const { return static_cast<std::uint32_t>(payload.size() / 4); }
    std::uint32_t Entry(std::uint32_t index) const { return Get32(payload, 4 * index); }
};

} // namespace onarim::ods
