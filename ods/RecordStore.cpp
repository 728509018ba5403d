#include "ods/RecordStore.h"

#include "ods/Decompression.h"

namespace onarim::ods {

namespace {

constexpr std::uint16_t kContinuationForbidden = kRecordDeleted | kRecordChain | kRecordBlob;

} // namespace

std::size_t HeaderSizeOf(std::uint16_t flags) {
    if ((flags & kRecordIncomplete) != 0) {
        return 22;
    }
    return (flags & kRecordLongTransaction) != 0 ? 16 : 13;
}

TRecordStore::TRecordStore(TPageCache& cache, std::uint16_t relation)
    : cache_(cache), geometry_(cache.File().PageSize()), relation_(relation) {}

std::optional<TRecordPiece> TRecordStore::Piece(std::uint32_t page, std::uint16_t line,
                                                std::string& problem) {
    if (page >= cache_.File().PageCount()) {
        problem = "page " + std::to_string(page) + " lies past the end of the file";
        return std::nullopt;
    }
    const TPageCache::TPage holder = cache_.Get(page);
    const TDataPage data = TDataPage::Read(*holder, geometry_);
    if (data.relation != relation_ || !data.Plausible(geometry_)) {
        problem = "page " + std::to_string(page) + " is not a data page of relation " +
                  std::to_string(relation_);
        return std::nullopt;
    }
    std::optional<TRecordPiece> piece = PieceOf(holder, page, data, line, problem);
    if (!piece) {
        problem = "page " + std::to_string(page) + " line " + std::to_string(line) + ": " + problem;
    }
    return piece;
}

std::optional<TRecordPiece> TRecordStore::PieceOf(const TPageCache::TPage& holder,
                                                  std::uint32_t page, const TDataPage& data,
                                                  std::uint16_t line, std::string& problem) {
    if (line >= data.count || data.Line(line).Empty()) {
        problem = "an empty line";
        return std::nullopt;
    }
    const TLine entry = data.Line(line);
    const std::optional<TBytes> bytes = data.Piece(line);
    if (!bytes) {
        problem = "its line index entry (offset " + std::to_string(entry.offset) + ", length " +
                  std::to_string(entry.length) + ") reaches outside the page's records";
        return std::nullopt;
    }
    // Records are stored at offsets aligned to 4 bytes.
    if (entry.offset % 4 != 0) {
        problem = "its line index entry names offset " + std::to_string(entry.offset) +
                  ", where no record starts";
        return std::nullopt;
    }
    if (bytes->size() < 13 || bytes->size() < HeaderSizeOf(Get16(*bytes, 10))) {
        problem =
            "a record of " + std::to_string(bytes->size()) + " bytes, shorter than its header";
        return std::nullopt;
    }
    TRecordPiece piece;
    piece.holder = holder;
    piece.page = page;
    piece.line = line;
    piece.bytes = *bytes;
    piece.header = TRecordHeader::Read(piece.bytes);
    return piece;
}

std::string TRecordStore::Assemble(const TRecordPiece& head, std::size_t limit,
                                   std::vector<std::uint8_t>& out, std::size_t& budget) {
    out.clear();
    const TRecordPiece* piece = &head;
    std::optional<TRecordPiece> next;
    for (std::size_t pieces = 1;; ++pieces) {
        try {
            DecompressInto(piece->bytes.subspan(piece->header.dataOffset), limit, out);
        } catch (const EOdsError& error) {
            return std::string(error.what()) + " (piece " + std::to_string(pieces) + " at page " +
                   std::to_string(piece->page) + " line " + std::to_string(piece->line) + ")";
        }
        if (!piece->header.Has(kRecordIncomplete)) {
            return {};
        }
        if (budget == 0) {
            return "a chain of pieces longer than any record has";
        }
        --budget;
        std::string problem;
        std::optional<TRecordPiece> following =
            Piece(piece->header.fragmentPage, piece->header.fragmentLine, problem);
        if (!following) {
            return "piece " + std::to_string(pieces + 1) + ": " + problem;
        }
        if (!following->header.Has(kRecordFragment) ||
            following->header.Has(kContinuationForbidden)) {
            return "piece " + std::to_string(pieces + 1) + " at page " +
                   std::to_string(following->page) + " line " + std::to_string(following->line) +
                   " is no continuation (flags " + Hex(following->header.flags, 4) + ")";
        }
        next = std::move(following);
        piece = &*next;
    }
}

} // namespace onarim::ods
