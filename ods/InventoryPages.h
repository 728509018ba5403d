#pragma once

#include <cstdint>

#include "ods/Bytes.h"
#include "ods/PageGeometry.h"

// The bookkeeping pages of ODS 12 whose bodies are arrays indexed by page or transaction
// number. Each type reads a page of `geometry.pageSize` bytes; a shorter span raises EOdsError.
namespace onarim::ods {

// Page inventory page (type 2): one bit per page of its range, 1 = free.
struct TPipPage {
    static TPipPage Read(TBytes page, const TPageGeometry& geometry);

    std::uint32_t minimum = 0; // lowest page of the range that may be free
    std::uint32_t extent = 0;  // lowest free 8-page extent
    std::uint32_t used = 0;    // pages of the range initialised in the file
    TBytes bits;               // pagesPerPip bits, LSB first

    // Bit `index` (the page's place in the range) says free.
    bool Free(std::uint32_t index) const { return (bits[index / 8] >> (index % 8) & 1) != 0; }
    // The counts fit the range: what an intact page holds.
    bool Plausible(const TPageGeometry& geometry) const;
};

// SCN inventory page (type 10): the scn last written on each page of its range.
struct TScnPage {
    static TScnPage Read(TBytes page, const TPageGeometry& geometry);

    std::uint32_t sequence = 0; // k: this page describes pages k*pagesPerScn onwards
    TBytes slots;

    std::uint32_t Scn(std::uint32_t index) const { return Get32(slots, 4 * index); }
};

// Transaction inventory page (type 3): two bits per transaction.
struct TTipPage {
    static TTipPage Read(TBytes page, const TPageGeometry& geometry);

    std::uint32_t next = 0; // the next TIP, 0 on the last
    TBytes states;

    // 0 active, 1 limbo, 2 dead, 3 committed, for the transaction at `index` of this page.
    int State(std::uint32_t index) const { return states[index / 4] >> (index % 4 * 2) & 3; }
};

// Generator page (type 9): the current value of each generator of its range.
struct TGeneratorPage {
    static TGeneratorPage Read(TBytes page, const TPageGeometry& geometry);

    std::uint32_t sequence = 0;
    TBytes values;

    std::int64_t Value(std::uint32_t slot) const {
        return static_cast<std::int64_t>(Get64(values, 8 * slot));
    }
};

} // namespace onarim::ods
