#include "ods/RelationScan.h"

#include <algorithm>

#include "ods/DataPage.h"

namespace onarim::ods {

namespace {

// Every flag a record piece may carry.
constexpr std::uint16_t kKnownFlags = 0x07FF;

std::uint64_t Key(std::uint32_t page, std::uint16_t line) {
    return static_cast<std::uint64_t>(page) << 16 | line;
}

} // namespace

TRelationScan::TRelationScan(TRecordStore& store, const TTransactionStates& transactions,
                             const TRelationPages& pages, const TFormatLengths& lengths)
    : store_(store), transactions_(transactions), pages_(pages), lengths_(lengths),
      walker_(store, transactions, lengths) {}

void TRelationScan::Run(const std::vector<TDataPageSlot>& pages, const TVisitor& visit) {
    for (const TDataPageSlot& slot : pages) {
        ScanPage(slot, &visit);
    }
}

void TRelationScan::NoteReferences(const std::vector<TDataPageSlot>& pages) {
    for (const TDataPageSlot& slot : pages) {
        ScanPage(slot, nullptr);
    }
}

void TRelationScan::NoteBlob(std::uint64_t recordNumber) {
    blobs_.push_back(recordNumber);
}

void TRelationScan::Reference(std::uint32_t page, std::uint16_t line) {
    references_.insert(Key(page, line));
}

std::string TRelationScan::PrimaryFault(const TRecordPiece& piece) const {
    const TRecordHeader& header = piece.header;
    if (transactions_.State(header.transaction) == TCommitState::Impossible) {
        return "transaction " + std::to_string(header.transaction) + " is past the last one, " +
               std::to_string(transactions_.Last());
    }
    if (header.Has(kRecordDeleted)) {
        if (piece.bytes.size() != header.dataOffset) {
            return "a delete stub that holds data";
        }
        return {};
    }
    if (piece.bytes.size() == header.dataOffset) {
        return "a record with no data";
    }
    if (lengths_[header.format] == 0) {
        return "format " + std::to_string(header.format) + ", which the relation does not have";
    }
    if (header.Has(kRecordIncomplete) && header.fragmentPage >= store_.Cache().File().PageCount()) {
        return "its next piece lies past the end of the file";
    }
    return {};
}

void TRelationScan::ScanPage(const TDataPageSlot& slot, const TVisitor* visit) {
    const TPageGeometry& geometry = store_.Geometry();
    if (slot.page >= store_.Cache().File().PageCount()) {
        if (visit) {
            problems_.push_back({slot.page, std::nullopt, "data page past the end of the file"});
        }
        return;
    }
    const TPageCache::TPage holder = store_.Cache().Get(slot.page);
    const TDataPage data = TDataPage::Read(*holder, geometry);
    if (data.relation != pages_.Relation() || !data.Plausible(geometry)) {
        if (visit) {
            problems_.push_back({slot.page, std::nullopt,
                                 data.relation != pages_.Relation()
                                     ? "the page names relation " + std::to_string(data.relation) +
                                           ", not " + std::to_string(pages_.Relation()) +
                                           ": its rows cannot be told"
                                     : "a line index of " + std::to_string(data.count) +
                                           " entries, more than the page holds"});
        }
        return;
    }
    for (std::uint16_t line = 0; line < data.count; ++line) {
        // A field of a damaged page that reaches outside its bytes costs that line, no more.
        try {
            ScanLine(slot, holder, data, line, visit);
        } catch (const EOdsError& error) {
            if (visit) {
                problems_.push_back({slot.page, line, error.what()});
            }
        }
    }
}

void TRelationScan::ScanLine(const TDataPageSlot& slot, const TPageCache::TPage& holder,
                             const TDataPage& data, std::uint16_t line, const TVisitor* visit) {
    const TPageGeometry& geometry = store_.Geometry();
    const TLine entry = data.Line(line);
    if (entry.Empty()) {
        return;
    }
    std::string fault;
    std::optional<TRecordPiece> piece = TRecordStore::PieceOf(holder, slot.page, data, line, fault);
    if (!piece) {
        if (visit && !NoRowAt(*holder, entry)) {
            candidates_.push_back({slot.page, line, fault});
        }
        return;
    }
    const TRecordHeader& header = piece->header;
    if ((header.flags & ~kKnownFlags) != 0) {
        if (visit) {
            candidates_.push_back(
                {slot.page, line, "flags " + Hex(header.flags, 4) + " that no record carries"});
        }
        return;
    }
    if (header.Has(kRecordBlob)) {
        return;
    }
    if (header.Has(kRecordIncomplete)) {
        Reference(header.fragmentPage, header.fragmentLine);
    }
    if (header.Has(kRecordFragment)) {
        return;
    }
    if (header.backPage != 0) {
        Reference(header.backPage, header.backLine);
    }
    if (header.Has(kRecordChain) || visit == nullptr) {
        return;
    }
    if (std::string reason = PrimaryFault(*piece); !reason.empty()) {
        candidates_.push_back({slot.page, line, reason});
        return;
    }
    switch (walker_.Walk(*piece)) {
    case TVersionOutcome::NoRow:
        break;
    case TVersionOutcome::Problem:
        problems_.push_back({slot.page, line, walker_.Problem()});
        break;
    case TVersionOutcome::Row: {
        const TFoundRecord found{
            slot.page, line,
            static_cast<std::uint64_t>(slot.sequence) * geometry.maxRecordsPerDataPage + line,
            walker_.Format(), walker_.Record()};
        if (std::string reason = (*visit)(found); !reason.empty()) {
            problems_.push_back({slot.page, line, reason});
        }
        break;
    }
    }
}

// A line whose record cannot be cut out of the page (its length reaches outside) may still
// show a sound header where its offset points: a committed delete's stub, a back version, a
// fragment or a blob record is no row that was lost; anything else may have been one.
bool TRelationScan::NoRowAt(const std::vector<std::uint8_t>& page, const TLine& entry) const {
    if (entry.offset % 4 != 0 || entry.offset < 24 || entry.offset + 13u > page.size()) {
        return false;
    }
    try {
        const TRecordHeader header = TRecordHeader::Read(
            TBytes(page.data() + entry.offset, page.size() - entry.offset));
        if ((header.flags & ~kKnownFlags) != 0) {
            return false;
        }
        if (header.Has(kRecordChain) || header.Has(kRecordFragment) || header.Has(kRecordBlob)) {
            return true;
        }
        return header.Has(kRecordDeleted) &&
               transactions_.State(header.transaction) == TCommitState::Committed;
    } catch (const EOdsError&) {
        return false;
    }
}

void TRelationScan::ResolveBlobs() {
    const std::uint32_t perPage = store_.Geometry().maxRecordsPerDataPage;
    for (const std::uint64_t blob : blobs_) {
        const std::uint64_t sequence = blob / perPage;
        if (sequence > UINT32_MAX) {
            continue;
        }
        if (const auto page = pages_.PageOf(static_cast<std::uint32_t>(sequence))) {
            Reference(*page, static_cast<std::uint16_t>(blob % perPage));
        }
    }
    blobs_.clear();
}

bool TRelationScan::Unaccounted() {
    ResolveBlobs();
    return std::any_of(candidates_.begin(), candidates_.end(), [this](const TCandidate& c) {
        return !references_.contains(Key(c.page, c.line));
    });
}

std::vector<TRawProblem> TRelationScan::TakeProblems() {
    ResolveBlobs();
    for (TCandidate& candidate : candidates_) {
        if (!references_.contains(Key(candidate.page, candidate.line))) {
            problems_.push_back(
                {candidate.page, candidate.line, candidate.reason + ", and nothing points at it"});
        }
    }
    candidates_.clear();
    return std::move(problems_);
}

} // namespace onarim::ods
