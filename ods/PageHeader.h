#pragma once

#include <cstdint>
#include <string>

#include "ods/Bytes.h"

namespace onarim::ods {

// Page types of ODS 12, the byte at offset 0 of every page.
enum class TPageType : std::uint8_t {
    Undefined = 0,
    Header = 1,
    PageInventory = 2,
    TransactionInventory = 3,
    Pointer = 4,
    Data = 5,
    IndexRoot = 6,
    IndexBTree = 7,
    Blob = 8,
    Generator = 9,
    ScnInventory = 10,
};

// "data", "index B-tree", ...; nullptr for a byte that is no page type (0 included).
const char* PageTypeName(std::uint8_t type);

// Flag 0x80 on a page of any type: its body is encrypted.
inline constexpr std::uint8_t kPageEncrypted = 0x80;

// The 16 bytes that start every page of ODS 12.
struct TPageHeader {
    static constexpr std::size_t kSize = 16;

    std::uint8_t type = 0;
    std::uint8_t flags = 0;
    std::uint16_t reserved = 0; // 0 in ODS 12 (the checksum of ODS 11 and older)
    std::uint32_t generation = 0;
    std::uint32_t scn = 0; // nbackup change number of the page's last write
    std::uint32_t pageNumber = 0;

    // Raises EOdsError when `page` is shorter than the header.
    static TPageHeader Read(TBytes page);
    void WriteTo(TMutableBytes page) const;

    // "type 5 (data) flags 0x00 page 212", with " scn N" when the scn is not 0.
    std::string Describe() const;

    bool operator==(const TPageHeader&) const = default;
};

} // namespace onarim::ods
