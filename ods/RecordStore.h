#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ods/DataPage.h"
#include "ods/PageCache.h"
#include "ods/PageGeometry.h"
#include "ods/RecordHeader.h"

namespace onarim::ods {

// One stored record piece: a line of a data page, its header read.
struct TRecordPiece {
    TPageCache::TPage holder; // keeps `bytes` alive
    std::uint32_t page = 0;
    std::uint16_t line = 0;
    TBytes bytes;
    TRecordHeader header;
};

// The stored pieces of one relation's records, read from its data pages through a cache.
class TRecordStore {
public:
    TRecordStore(TPageCache& cache, std::uint16_t relation);

    std::uint16_t Relation() const { return relation_; }
    const TPageGeometry& Geometry() const { return geometry_; }
    TPageCache& Cache() { return cache_; }

    // The piece at `line` of `page`, nullopt with the reason in `problem` when the page is not a
    // data page of the relation (its type byte is not looked at: a page whose body is the
    // relation's is read whatever its header says), the line is empty or does not lie inside
    // the page, or the piece is too short for the header its flags name.
    std::optional<TRecordPiece> Piece(std::uint32_t page, std::uint16_t line, std::string& problem);
    // The piece at `line` of `data`, a data page of the relation held by `holder`; nullopt with
    // the reason (not naming the place) in `problem` as Piece.
    static std::optional<TRecordPiece> PieceOf(const TPageCache::TPage& holder, std::uint32_t page,
                                               const TDataPage& data, std::uint16_t line,
                                               std::string& problem);

    // Decompresses the data of `head` and of every piece it continues into (fragment chain, in
    // order) into `out`, which is cleared first, to at most `limit` bytes, reading no more
    // pieces than `budget` allows (and taking those read from it). Returns an empty string, or
    // why the record cannot be read: a piece missing or not a continuation, a compressed form
    // that overruns, more than `limit` bytes, a chain of pieces past the budget.
    std::string Assemble(const TRecordPiece& head, std::size_t limit,
                         std::vector<std::uint8_t>& out, std::size_t& budget);

private:
    TPageCache& cache_;
    TPageGeometry geometry_;
    std::uint16_t relation_;
};

// The header size the flags of a piece name: 22 for a piece with more to follow, 16 for a long
// transaction number, else 13.
std::size_t HeaderSizeOf(std::uint16_t flags);

} // namespace onarim::ods
