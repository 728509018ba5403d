#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "ods/DataPage.h"
#include "ods/RawProblem.h"
#include "ods/RelationPages.h"
#include "ods/VersionWalker.h"

namespace onarim::ods {

// The committed version of a record whose primary version the scan met.
struct TFoundRecord {
    std::uint32_t page = 0;
    std::uint16_t line = 0;
    std::uint64_t recordNumber = 0;
    std::uint8_t format = 0;
    TBytes record; // uncompressed, valid during the visit
};

// Reads the rows of one relation from data pages: every line holding a primary version is
// walked to its committed version; back versions, pieces and blob headers are no rows of their
// own. Lines that cannot be read are problems:
//  - a primary version whose versions cannot be read, or whose committed version the visitor
//    refuses;
//  - a line whose header cannot be (its index entry reaches outside the page, flags no record
//    carries, a transaction past the last, a format the relation lacks, a delete stub with
//    data, a record without) and that no record or blob id of the pages read points at: a row
//    that existed and nobody can read.
// A record validation marked damaged (flag 0x80) is read like any other: it comes back only if
// it decodes.
class TRelationScan {
public:
    // `visit` returns an empty string for a record it takes as a row, or why it is none.
    using TVisitor = std::function<std::string(const TFoundRecord&)>;

    TRelationScan(TRecordStore& store, const TTransactionStates& transactions,
                  const TRelationPages& pages, const TFormatLengths& lengths);

    // Reads the lines of `pages`, in order. A page whose body does not name the relation, or
    // whose line index does not fit it, is a problem of the whole page.
    void Run(const std::vector<TDataPageSlot>& pages, const TVisitor& visit);
    // Notes the back versions and pieces the records of `pages` point at, without reading
    // rows: a scan of some pages takes the references of the relation's other pages so.
    void NoteReferences(const std::vector<TDataPageSlot>& pages);
    // A row holds this blob: the line of its header is no lost row.
    void NoteBlob(std::uint64_t recordNumber);

    // Lines that cannot be read and that nothing noted so far points at.
    bool Unaccounted();
    // The problems met, the unreadable lines nothing points at among them. Call once, after
    // the runs.
    std::vector<TRawProblem> TakeProblems();

private:
    struct TCandidate {
        std::uint32_t page;
        std::uint16_t line;
        std::string reason;
    };

    // Why the header of a line that is not a piece, back version or blob cannot be a record's.
    std::string PrimaryFault(const TRecordPiece& piece) const;
    void ScanPage(const TDataPageSlot& slot, const TVisitor* visit);
    void ScanLine(const TDataPageSlot& slot, const TPageCache::TPage& holder, const TDataPage& data,
                  std::uint16_t line, const TVisitor* visit);
    void Reference(std::uint32_t page, std::uint16_t line);
    bool NoRowAt(const std::vector<std::uint8_t>& page, const TLine& entry) const;
    void ResolveBlobs();

    TRecordStore& store_;
    const TTransactionStates& transactions_;
    const TRelationPages& pages_;
    const TFormatLengths& lengths_;
    TVersionWalker walker_;
    std::unordered_set<std::uint64_t> references_; // page << 16 | line
    std::vector<std::uint64_t> blobs_;
    std::vector<TCandidate> candidates_;
    std::vector<TRawProblem> problems_;
};

} // namespace onarim::ods
