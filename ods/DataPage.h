#pragma once

#include <cstdint>
#include <optional>

#include "ods/Bytes.h"
#include "ods/PageGeometry.h"

namespace onarim::ods {

// Data page flags.
inline constexpr std::uint8_t kDataOrphan = 0x01; // listed by no pointer page: a big record's tail
inline constexpr std::uint8_t kDataFull = 0x02;
inline constexpr std::uint8_t kDataLargeObject = 0x04;
inline constexpr std::uint8_t kDataSwept = 0x08;
inline constexpr std::uint8_t kDataSecondary = 0x10;
// The flags of a page that holds one piece of a big record and nothing else.
inline constexpr std::uint8_t kDataTailFlags = kDataOrphan | kDataFull;

// One entry of a data page's line index: where a stored record piece lies.
struct TLine {
    std::uint16_t offset = 0;
    std::uint16_t length = 0;

    bool Empty() const { return offset == 0 || length == 0; }
};

// Data page (type 5): the records of one relation, found through the line index.
struct TDataPage {
    // Raises EOdsError when `page` is shorter than the page size.
    static TDataPage Read(TBytes page, const TPageGeometry& geometry);

    std::uint32_t sequence = 0; // place among the relation's data pages (0 on orphan pages)
    std::uint16_t relation = 0;
    std::uint16_t count = 0; // line index entries, empty ones included
    TBytes page;

    // The line index fits the page and the page may hold that many lines.
    bool Plausible(const TPageGeometry& geometry) const;
    // Entry `line` of the index; `line` must be below count and count plausible.
    TLine Line(std::uint16_t line) const;
    // The stored piece of `line`: nullopt for an empty line or one that does not lie inside
    // the page after the line index.
    std::optional<TBytes> Piece(std::uint16_t line) const;
};

} // namespace onarim::ods
