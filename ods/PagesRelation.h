#pragma once

#include <cstdint>
#include <optional>

#include "ods/Bytes.h"

namespace onarim::ods {

// RDB$PAGES, relation 0: the table that says where every relation's pointer pages and index
// root, the transaction inventory pages and the generator pages lie.
inline constexpr std::uint16_t kPagesRelation = 0;
// Its records are format 0, 18 bytes once decompressed.
inline constexpr std::size_t kPagesRecordLength = 18;

// One row of RDB$PAGES.
struct TPagesRow {
    std::uint32_t page = 0;
    std::uint16_t relation = 0;
    std::uint32_t sequence = 0;
    std::uint16_t type = 0; // 3 TIP, 4 pointer, 6 index root, 9 generator page

    bool operator==(const TPagesRow&) const = default;
};

// Decodes a decompressed RDB$PAGES record. nullopt when it is not 18 bytes, a field is NULL,
// or a number is negative: no row the engine would use.
std::optional<TPagesRow> DecodePagesRow(TBytes record);

} // namespace onarim::ods
