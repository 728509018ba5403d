#include "ods/PageMapBuilder.h"

#include <algorithm>

#include "ods/Blobs.h"
#include "ods/Decompression.h"
#include "ods/IndexPages.h"
#include "ods/InventoryPages.h"
#include "ods/PageHeader.h"
#include "ods/PageReason.h"
#include "ods/PageStream.h"
#include "ods/PointerPage.h"
#include "ods/RecordHeader.h"
#include "ods/ScnLookup.h"

namespace onarim::ods {

namespace {

// Problems listed one by one; past this only counted, so a file of garbage cannot fill memory.
constexpr std::size_t kListedProblems = 1000;

constexpr std::uint8_t Type(TPageType type) {
    return static_cast<std::uint8_t>(type);
}

std::string N(std::uint64_t value) {
    return std::to_string(value);
}

bool IsDataOrigin(TPageOrigin origin) {
    return origin == TPageOrigin::PointerSlot || origin == TPageOrigin::RebuiltPointerSlot;
}

} // namespace

TPageMapBuilder::TPageMapBuilder(const TDatabaseFile& file)
    : file_(file), geometry_(file.PageSize()), entries_(map_.entries_),
      pageCount_(file.PageCount()) {
    map_.pageSize_ = file.PageSize();
    map_.dataPagesPerPointerPage_ = geometry_.dataPagesPerPointerPage;
    entries_.resize(pageCount_);
}

TPageMap TPageMapBuilder::Build() {
    ReadInventory();
    Claim(0, {TPageType::Header, 0, TPageOrigin::HeaderPage, 0, 0, 0});
    ReadPagesRelation();
    for (const auto& [relation, listed] : pointerPages_) {
        if (relation != kPagesRelation) {
            ReadPointerChain(relation, listed);
        }
    }
    ReadIndexRoots();
    ObserveAll();
    RebuildPending();
    JudgeUnnamedPages();
    return std::move(map_);
}

// ---------------------------------------------------------------- structure where it lies

void TPageMapBuilder::ReadInventory() {
    for (std::uint32_t k = 0;; ++k) {
        const std::uint64_t pip = geometry_.PipPage(k);
        // The next PIP exists once the database grew into its range: the page is in use.
        if (pip >= pageCount_ || (k > 0 && entries_[pip].Is(kEntryFree))) {
            break;
        }
        Claim(pip, {TPageType::PageInventory, 0, TPageOrigin::Pip, 0, 0, k});
        const auto bytes = Read(static_cast<std::uint32_t>(pip));
        const TPipPage inventory = TPipPage::Read(bytes, geometry_);
        if (!inventory.Plausible(geometry_)) {
            Problem(static_cast<std::uint32_t>(pip),
                    "page inventory page " + N(k) +
                        " cannot be read: every page of its range is taken as in use");
            continue;
        }
        const std::uint64_t first = static_cast<std::uint64_t>(k) * geometry_.pagesPerPip;
        const std::uint64_t end = std::min<std::uint64_t>(first + geometry_.pagesPerPip, pageCount_);
        for (std::uint64_t page = first; page < end; ++page) {
            if (inventory.Free(static_cast<std::uint32_t>(page - first))) {
                entries_[page].state |= kEntryFree;
            }
        }
    }
    for (std::uint32_t k = 0; geometry_.ScnPage(k) < pageCount_; ++k) {
        const std::uint64_t page = geometry_.ScnPage(k);
        if (!entries_[page].Is(kEntryFree)) {
            Claim(page, {TPageType::ScnInventory, 0, TPageOrigin::Scn, 0, 0, k});
        }
    }
    if (geometry_.ScnPage(0) < pageCount_) {
        const auto bytes = Read(static_cast<std::uint32_t>(geometry_.ScnPage(0)));
        const TScnPage scn = TScnPage::Read(bytes, geometry_);
        firstScnKnown_ = scn.sequence == 0;
        firstScnTable_.assign(scn.slots.begin(), scn.slots.end());
        if (firstScnKnown_) {
            NoteHighestScn(scn);
        }
    }
}

void TPageMapBuilder::ReadPagesRelation() {
    const std::uint32_t first = file_.Header().pagesPage;
    if (!Claim(first, {TPageType::Pointer, 0, TPageOrigin::HeaderPagesPointer, kPagesRelation, 0, 0})) {
        Problem(0, "the header page names no usable first pointer page of RDB$PAGES (" + N(first) +
                       "): nothing but the inventory pages can be mapped");
        return;
    }
    pointerPages_[kPagesRelation][0] = {first, 0};
    ReadPointerChain(kPagesRelation, pointerPages_[kPagesRelation]);
}

void TPageMapBuilder::DecodePagesRows(std::uint32_t page) {
    const auto bytes = Read(page);
    const TDataPage data = TDataPage::Read(bytes, geometry_);
    if (data.relation != kPagesRelation || !data.Plausible(geometry_)) {
        return; // reported when the sequential pass follows the page
    }
    for (std::uint16_t line = 0; line < data.count; ++line) {
        const auto piece = data.Piece(line);
        if (!piece || piece->size() < 13) {
            continue;
        }
        const TRecordHeader record = TRecordHeader::Read(*piece);
        if (!record.PrimaryRow() || record.Has(kRecordIncomplete)) {
            continue;
        }
        const std::string where = "RDB$PAGES record on page " + N(page) + " line " + N(line);
        if (record.transaction != 0 || record.format != 0) {
            Problem(page, where + " was written by transaction " + N(record.transaction) +
                              " in format " + N(record.format) + ": not used");
            continue;
        }
        try {
            const auto decoded = Decompress(piece->subspan(record.dataOffset), kPagesRecordLength);
            if (const auto row = DecodePagesRow(decoded)) {
                AddPagesRow(*row, page);
            } else {
                Problem(page, where + " does not decode to a row of 18 bytes");
            }
        } catch (const EOdsError& error) {
            Problem(page, where + ": " + error.Message());
        }
    }
}

void TPageMapBuilder::AddPagesRow(const TPagesRow& row, std::uint32_t rowPage) {
    const std::uint16_t relation =
        row.type == Type(TPageType::TransactionInventory) || row.type == Type(TPageType::Generator)
            ? 0
            : row.relation;
    const std::string twice = "RDB$PAGES lists " + N(row.page) + " as a page already listed (relation " +
                              N(row.relation) + " type " + N(row.type) + " sequence " +
                              N(row.sequence) + ")";
    switch (static_cast<TPageType>(row.type)) {
    case TPageType::Pointer:
        if (row.relation == kPagesRelation) {
            break; // its pointer pages come from the header and the chain
        }
        if (!pointerPages_[relation].emplace(row.sequence, TListed{row.page, rowPage}).second) {
            Problem(rowPage, twice);
            return;
        }
        break;
    case TPageType::IndexRoot:
        if (!indexRootPages_.emplace(relation, TListed{row.page, rowPage}).second) {
            Problem(rowPage, twice);
            return;
        }
        break;
    case TPageType::TransactionInventory:
    case TPageType::Generator:
        break;
    default:
        Problem(rowPage, "RDB$PAGES lists page " + N(row.page) + " with type " + N(row.type) +
                             ", which it never holds");
        return;
    }
    Claim(row.page, {static_cast<TPageType>(row.type), 0, TPageOrigin::PagesRow, relation, rowPage,
                     row.sequence});
}

void TPageMapBuilder::ReadPointerChain(std::uint16_t relation,
                                       const std::map<std::uint32_t, TListed>& listed) {
    const auto listedPage = [&](std::uint64_t sequence) -> std::uint32_t {
        const auto found = listed.find(static_cast<std::uint32_t>(sequence));
        return found == listed.end() ? 0 : found->second.page;
    };
    std::uint32_t page = listedPage(0);
    if (page == 0) {
        Problem(listed.begin()->second.rowPage,
                "RDB$PAGES lists no pointer page 0 of relation " + N(relation));
        return;
    }
    std::set<std::uint32_t> visited;
    for (std::uint32_t sequence = 0; page != 0 && page < pageCount_; ++sequence) {
        if (!visited.insert(page).second) {
            Problem(page, "the pointer pages of relation " + N(relation) +
                              " are chained in a loop: page " + N(page) + " comes again");
            return;
        }
        const TPageMapEntry& entry = entries_[page];
        if (entry.Is(kEntryDoNotWrite) && entry.relation != relation) {
            return; // named by something else as well; reported by Claim
        }
        const auto bytes = Read(page);
        const TPageHeader header = TPageHeader::Read(bytes);
        const TPointerPage pointer = TPointerPage::Read(bytes, geometry_);
        const bool bodySound = pointer.Plausible(geometry_) && pointer.relation == relation &&
                               pointer.sequence == sequence;
        const bool headerSound = header.type == Type(TPageType::Pointer) &&
                                 header.pageNumber == page && header.reserved == 0;
        std::uint32_t next = listedPage(static_cast<std::uint64_t>(sequence) + 1);
        std::vector<std::uint32_t> dataPages;
        if (bodySound) {
            entries_[page].expectedFlags = pointer.next == 0 ? kPointerPageLast : 0;
            ClaimSlots(page, bytes, relation, sequence, &dataPages);
            if (next != 0 && pointer.next != next) {
                Problem(page, "pointer page " + N(page) + " of relation " + N(relation) +
                                  " names " + N(pointer.next) + " as the next, RDB$PAGES lists " +
                                  N(next));
            } else if (next == 0 && pointer.next != 0) {
                next = pointer.next;
                if (!Claim(next, {TPageType::Pointer, 0, TPageOrigin::PointerChain, relation, page,
                                  sequence + 1})) {
                    return;
                }
            }
        } else if (!headerSound) {
            const TPendingRebuild pending{relation, sequence, page, next};
            if (relation == kPagesRelation) {
                // RDB$PAGES itself: nothing else says where the others are; rebuilt at once.
                if (!Rebuild(pending, ScanForDataPages(relation), &dataPages)) {
                    return;
                }
            } else {
                pendingRebuilds_.push_back(pending);
                rebuildRelations_.insert(relation);
            }
        } else {
            Contradicts(page, "its body names relation " + N(pointer.relation) + " sequence " +
                                  N(pointer.sequence));
        }
        if (relation == kPagesRelation) {
            for (const std::uint32_t data : dataPages) {
                DecodePagesRows(data);
            }
        }
        page = next;
    }
}

void TPageMapBuilder::ClaimSlots(std::uint32_t page, TBytes bytes, std::uint16_t relation,
                                 std::uint32_t sequence, std::vector<std::uint32_t>* dataPages) {
    const TPointerPage pointer = TPointerPage::Read(bytes, geometry_);
    const std::uint64_t base = static_cast<std::uint64_t>(sequence) * geometry_.dataPagesPerPointerPage;
    for (std::uint32_t slot = 0; slot < pointer.count; ++slot) {
        const std::uint32_t data = pointer.Page(slot);
        if (data == 0 || base + slot > UINT32_MAX) {
            continue;
        }
        if (Claim(data, {TPageType::Data, DataPageFlagsOf(pointer.Flags(slot)),
                         TPageOrigin::PointerSlot, relation, page,
                         static_cast<std::uint32_t>(base + slot)}) &&
            dataPages != nullptr) {
            dataPages->push_back(data);
        }
    }
}

void TPageMapBuilder::ReadIndexRoots() {
    for (const auto& [relation, listed] : indexRootPages_) {
        const std::uint32_t page = listed.page;
        if (page >= pageCount_ || entries_[page].Is(kEntryDoNotWrite)) {
            continue;
        }
        const auto bytes = Read(page);
        const TIndexRootPage root = TIndexRootPage::Read(bytes, geometry_);
        if (root.relation != relation || !root.Plausible()) {
            Contradicts(page, "its body names relation " + N(root.relation) + " with " +
                                  N(root.count) + " indexes");
            continue;
        }
        for (std::uint16_t slot = 0; slot < root.count; ++slot) {
            const TIndexSlot index = root.Slot(slot);
            if (!index.HasRoot() || slot > 0xFF ||
                !Claim(index.rootPage, {TPageType::IndexBTree, 0, TPageOrigin::IndexRootSlot,
                                        relation, page, slot})) {
                continue;
            }
            const auto btreeBytes = Read(index.rootPage);
            const TBTreePage btree = TBTreePage::Read(btreeBytes, geometry_);
            TIndexRoot known{page, std::nullopt};
            if (btree.relation == relation && btree.indexId == slot) {
                known.level = btree.level;
            } else {
                Contradicts(index.rootPage, "its body names index " + N(btree.indexId + 1) +
                                                " of relation " + N(btree.relation));
            }
            indexRoots_[static_cast<std::uint32_t>(relation) << 8 | slot] = known;
        }
    }
}

// ---------------------------------------------------------------- the sequential pass

void TPageMapBuilder::ObserveAll() {
    ForEachPageRun(file_, [&](std::uint32_t first, std::uint32_t count, TBytes bytes) {
        for (std::uint32_t i = 0; i < count; ++i) {
            Observe(first + i, bytes.subspan(static_cast<std::size_t>(i) * geometry_.pageSize,
                                             geometry_.pageSize));
        }
        DrainWorklist();
    });
}

void TPageMapBuilder::Observe(std::uint32_t page, TBytes bytes) {
    if (page > 0 && page % geometry_.pagesPerScn == 0) {
        LoadScnTable(page, bytes);
    }
    TPageMapEntry& entry = entries_[page];
    const TPageHeader header = TPageHeader::Read(bytes);
    entry.observedType = header.type;
    entry.observedFlags = header.flags;
    entry.state |= kEntryObserved;
    if (header.reserved == 0 && header.pageNumber == page &&
        (page == 0 || ScnAgrees(page, header.scn))) {
        entry.state |= kEntryFieldsSound;
    }
    observedUpTo_ = static_cast<std::uint64_t>(page) + 1;
    if (entry.Named()) {
        if (NeedsParse(entry) && !entry.Is(kEntryParsed)) {
            Parse(page, bytes);
        }
        return;
    }
    if (entry.Is(kEntryFree)) {
        return;
    }
    if (header.type == Type(TPageType::IndexBTree)) {
        RecogniseBTree(page, bytes);
    } else if (header.type == Type(TPageType::Data) && !rebuildRelations_.empty()) {
        CollectCandidate(page, bytes);
    }
}

void TPageMapBuilder::LoadScnTable(std::uint32_t page, TBytes bytes) {
    const TScnPage scn = TScnPage::Read(bytes, geometry_);
    scnKnown_ = !entries_[page].Is(kEntryFree) && scn.sequence == page / geometry_.pagesPerScn;
    scnTable_.assign(scn.slots.begin(), scn.slots.end());
    if (scnKnown_) {
        NoteHighestScn(scn);
    }
}

void TPageMapBuilder::NoteHighestScn(const TScnPage& scn) {
    for (std::uint32_t slot = 0; slot < geometry_.pagesPerScn; ++slot) {
        map_.highestScn_ = std::max(map_.highestScn_, scn.Scn(slot));
    }
}

bool TPageMapBuilder::ScnAgrees(std::uint32_t page, std::uint32_t scn) const {
    const bool first = page < geometry_.pagesPerScn;
    if (!(first ? firstScnKnown_ : scnKnown_)) {
        return true; // nothing to judge it by
    }
    return Get32(first ? firstScnTable_ : scnTable_, 4 * (page % geometry_.pagesPerScn)) == scn;
}

bool TPageMapBuilder::RecogniseBTree(std::uint32_t page, TBytes bytes) {
    const TBTreePage btree = TBTreePage::Read(bytes, geometry_);
    const auto known = indexRoots_.find(static_cast<std::uint32_t>(btree.relation) << 8 | btree.indexId);
    if (known == indexRoots_.end() || !known->second.level || btree.level >= *known->second.level ||
        !btree.Plausible(geometry_, pageCount_)) {
        return false;
    }
    return Claim(page, {TPageType::IndexBTree, 0, TPageOrigin::BTreeBody, btree.relation,
                        known->second.rootIndexPage,
                        static_cast<std::uint32_t>(btree.indexId | btree.level << 8)});
}

void TPageMapBuilder::CollectCandidate(std::uint32_t page, TBytes bytes) {
    const std::uint8_t flags = bytes[1];
    const TDataPage data = TDataPage::Read(bytes, geometry_);
    if ((flags & kDataOrphan) != 0 || !rebuildRelations_.contains(data.relation) ||
        !data.Plausible(geometry_)) {
        return;
    }
    candidates_[data.relation].push_back({page, data.sequence, flags, data.count});
}

// ---------------------------------------------------------------- following bodies

bool TPageMapBuilder::NeedsParse(const TPageMapEntry& entry) {
    switch (static_cast<TPageType>(entry.expectedType)) {
    case TPageType::Data:
    case TPageType::TransactionInventory:
        return true;
    case TPageType::Blob:
        return entry.expectedFlags == kBlobPointerPage;
    default:
        return false;
    }
}

void TPageMapBuilder::Parse(std::uint32_t page, TBytes bytes) {
    TPageMapEntry& entry = entries_[page];
    entry.state |= kEntryParsed;
    if (entry.Is(kEntryDoNotWrite)) {
        return;
    }
    switch (static_cast<TPageType>(entry.expectedType)) {
    case TPageType::Data:
        ParseDataPage(page, bytes);
        break;
    case TPageType::Blob:
        ParseBlobPointerPage(page, bytes);
        break;
    case TPageType::TransactionInventory:
        ParseTip(page, bytes);
        break;
    default:
        break;
    }
}

void TPageMapBuilder::ParseDataPage(std::uint32_t page, TBytes bytes) {
    const TPageMapEntry entry = entries_[page];
    const TDataPage data = TDataPage::Read(bytes, geometry_);
    const bool listed = IsDataOrigin(entry.origin);
    if (data.relation != entry.relation || (listed && data.sequence != entry.position)) {
        Contradicts(page, "its body names relation " + N(data.relation) + " sequence " +
                              N(data.sequence));
        return;
    }
    if (!data.Plausible(geometry_)) {
        Problem(page, "data page " + N(page) + " of relation " + N(data.relation) + " has " +
                          N(data.count) + " lines, more than its page holds: its records are " +
                          "not followed");
        return;
    }
    for (std::uint16_t line = 0; line < data.count; ++line) {
        const auto piece = data.Piece(line);
        if (!piece || piece->size() < 13) {
            continue;
        }
        const std::uint16_t flags = Get16(*piece, 10);
        if ((flags & kRecordBlob) != 0) {
            if (piece->size() < TBlobRecord::kHeaderSize) {
                continue;
            }
            const TBlobRecord blob = TBlobRecord::Read(*piece);
            const bool pointers = blob.level == 2;
            const std::uint32_t count = blob.PageCount(geometry_);
            for (std::uint32_t i = 0; i < count; ++i) {
                Claim(blob.PageNumber(i),
                      {TPageType::Blob, pointers ? kBlobPointerPage : std::uint8_t{0},
                       pointers ? TPageOrigin::BlobPointerList : TPageOrigin::BlobList, line, page,
                       i});
            }
        } else if ((flags & kRecordIncomplete) != 0 && piece->size() >= 22) {
            const TRecordHeader record = TRecordHeader::Read(*piece);
            Claim(record.fragmentPage, {TPageType::Data, kDataTailFlags, TPageOrigin::Fragment,
                                        data.relation, page, line});
        }
    }
}

void TPageMapBuilder::ParseBlobPointerPage(std::uint32_t page, TBytes bytes) {
    const TPageMapEntry entry = entries_[page];
    const TBlobPage blob = TBlobPage::Read(bytes, geometry_);
    if (blob.sequence != 0 || blob.length % 4 != 0 || blob.length > geometry_.blobBytesPerPage) {
        Contradicts(page, "its body is no blob pointer page (sequence " + N(blob.sequence) +
                              ", " + N(blob.length) + " bytes)");
        return;
    }
    const std::uint64_t base = static_cast<std::uint64_t>(entry.position) * geometry_.pagesPerBlobPointer;
    for (std::uint32_t i = 0; i < blob.EntryCount() && base + i <= UINT32_MAX; ++i) {
        Claim(blob.Entry(i), {TPageType::Blob, 0, TPageOrigin::BlobPointerEntry, 0, page,
                              static_cast<std::uint32_t>(base + i)});
    }
}

void TPageMapBuilder::ParseTip(std::uint32_t page, TBytes bytes) {
    const TPageMapEntry entry = entries_[page];
    const TTipPage tip = TTipPage::Read(bytes, geometry_);
    if (tip.next != 0 && entry.position < UINT32_MAX) {
        Claim(tip.next, {TPageType::TransactionInventory, 0, TPageOrigin::TipChain, 0, page,
                         entry.position + 1});
    }
}

void TPageMapBuilder::DrainWorklist() {
    while (!worklist_.empty()) {
        const std::uint32_t page = worklist_.back();
        worklist_.pop_back();
        if (!entries_[page].Is(kEntryParsed)) {
            const auto bytes = Read(page);
            Parse(page, bytes);
        }
    }
}

// ---------------------------------------------------------------- after the pass

std::vector<TPageMapBuilder::TCandidate> TPageMapBuilder::ScanForDataPages(std::uint16_t relation) {
    std::vector<TCandidate> found;
    ForEachPageRun(file_, [&](std::uint32_t first, std::uint32_t count, TBytes bytes) {
        for (std::uint32_t i = 0; i < count; ++i) {
            const TBytes page = bytes.subspan(static_cast<std::size_t>(i) * geometry_.pageSize,
                                              geometry_.pageSize);
            const TDataPage data = TDataPage::Read(page, geometry_);
            if (page[0] == Type(TPageType::Data) && (page[1] & kDataOrphan) == 0 &&
                data.relation == relation && data.Plausible(geometry_) &&
                !entries_[first + i].Is(kEntryFree)) {
                found.push_back({first + i, data.sequence, page[1], data.count});
            }
        }
    });
    return found;
}

bool TPageMapBuilder::Rebuild(const TPendingRebuild& pending, std::vector<TCandidate> candidates,
                              std::vector<std::uint32_t>* dataPages) {
    const std::uint32_t perPage = geometry_.dataPagesPerPointerPage;
    const std::uint64_t first = static_cast<std::uint64_t>(pending.sequence) * perPage;
    const std::string what = "pointer page " + N(pending.page) + " (sequence " +
                             N(pending.sequence) + " of relation " + N(pending.relation) + ")";
    std::erase_if(candidates, [&](const TCandidate& c) {
        return c.sequence < first || c.sequence >= first + perPage || entries_[c.page].Named();
    });
    if (candidates.empty()) {
        Contradicts(pending.page, what + " cannot be read and no data page names its relation "
                                         "and range: it is not rebuilt");
        return false;
    }
    std::sort(candidates.begin(), candidates.end(),
              [](const TCandidate& a, const TCandidate& b) { return a.sequence < b.sequence; });
    for (std::size_t i = 1; i < candidates.size(); ++i) {
        if (candidates[i].sequence == candidates[i - 1].sequence) {
            Contradicts(pending.page, what + " cannot be read, and pages " +
                                          N(candidates[i - 1].page) + " and " +
                                          N(candidates[i].page) + " both claim sequence " +
                                          N(candidates[i].sequence) + ": it is not rebuilt");
            return false;
        }
    }
    std::vector<TPointerSlot> slots(candidates.back().sequence - first + 1);
    for (const TCandidate& c : candidates) {
        slots[c.sequence - first] = {c.page, SlotFlagsOf(c.flags, c.lineCount)};
    }
    TPointerPageRebuild rebuild;
    rebuild.page = pending.page;
    rebuild.relation = pending.relation;
    rebuild.sequence = pending.sequence;
    rebuild.dataPages = static_cast<std::uint32_t>(candidates.size());
    rebuild.bytes = BuildPointerPage(geometry_, pending.relation, pending.sequence, pending.next, slots);
    const std::uint8_t flags = pending.next == 0 ? kPointerPageLast : 0;
    TPageHeader{Type(TPageType::Pointer), flags, 0, 1,
                ExpectedScn(file_, geometry_, pending.page), pending.page}
        .WriteTo(rebuild.bytes);
    const auto old = Read(pending.page);
    rebuild.oldDigest = PageDigest(old);
    TPageMapEntry& entry = entries_[pending.page];
    entry.expectedFlags = flags;
    entry.state |= kEntryRebuilt;
    rebuild.reason = Reason(entry) + ": header and body unreadable, rebuilt from " +
                     N(candidates.size()) + " data pages that name the relation";
    map_.rebuilds_.push_back(std::move(rebuild));
    for (const TCandidate& c : candidates) {
        if (Claim(c.page, {TPageType::Data, DataPageFlagsOf(SlotFlagsOf(c.flags, c.lineCount)),
                           TPageOrigin::RebuiltPointerSlot, pending.relation, pending.page,
                           c.sequence}) &&
            dataPages != nullptr) {
            dataPages->push_back(c.page);
        }
    }
    return true;
}

void TPageMapBuilder::RebuildPending() {
    for (const TPendingRebuild& pending : pendingRebuilds_) {
        Rebuild(pending, candidates_[pending.relation], nullptr);
        DrainWorklist();
    }
}

void TPageMapBuilder::JudgeUnnamedPages() {
    for (std::uint32_t page = 0; page < pageCount_; ++page) {
        const TPageMapEntry& entry = entries_[page];
        if (entry.Named() || entry.Is(kEntryFree)) {
            continue;
        }
        if (entry.Is(kEntryFieldsSound) && PageTypeName(entry.observedType) != nullptr) {
            ++map_.unnamedPages_;
            continue;
        }
        const auto bytes = Read(page);
        if (!RecogniseBTree(page, bytes)) {
            Problem(page, "page " + N(page) + " is in use, its header (" +
                              TPageHeader::Read(bytes).Describe() +
                              ") is not sound, and nothing names it: left as it is");
        }
    }
}

// ---------------------------------------------------------------- claims and problems

bool TPageMapBuilder::Claim(std::uint64_t page, const TClaim& claim) {
    TPageMapEntry named;
    named.expectedType = Type(claim.type);
    named.expectedFlags = claim.flags;
    named.origin = claim.origin;
    named.relation = claim.relation;
    named.owner = claim.owner;
    named.position = claim.position;
    if (page >= pageCount_) {
        Problem(claim.owner < pageCount_ ? claim.owner : 0,
                Reason(named) + " names page " + N(page) + ", past the end of the file (" +
                    N(pageCount_) + " pages)");
        return false;
    }
    TPageMapEntry& entry = entries_[page];
    if (entry.Named()) {
        const bool same = entry.expectedType == named.expectedType &&
                          entry.relation == named.relation && entry.position == named.position &&
                          !IsDataOrigin(named.origin) && named.origin != TPageOrigin::Fragment &&
                          named.origin != TPageOrigin::BlobList &&
                          named.origin != TPageOrigin::BlobPointerList &&
                          named.origin != TPageOrigin::BlobPointerEntry &&
                          named.origin != TPageOrigin::IndexRootSlot;
        if (same || (IsDataOrigin(entry.origin) && named.origin == TPageOrigin::Fragment &&
                     entry.relation == named.relation)) {
            return false; // the same page named again (RDB$PAGES and a chain; a tail on a listed page)
        }
        if (entry.origin == TPageOrigin::Fragment && IsDataOrigin(named.origin) &&
            entry.relation == named.relation) {
            named.state = entry.state;
            named.observedType = entry.observedType;
            named.observedFlags = entry.observedFlags;
            entry = named;
            return true;
        }
        if (!entry.Is(kEntryDoNotWrite)) {
            Problem(static_cast<std::uint32_t>(page),
                    "page " + N(page) + " is named twice: by " + Reason(entry) + ", and by " +
                        Reason(named) + ": left as it is");
        }
        entry.state |= kEntryDoNotWrite;
        return false;
    }
    named.state = entry.state;
    named.observedType = entry.observedType;
    named.observedFlags = entry.observedFlags;
    entry = named;
    if (entry.Is(kEntryFree)) {
        entry.state |= kEntryDoNotWrite;
        Problem(static_cast<std::uint32_t>(page), Reason(entry) + " names page " + N(page) +
                                                      ", which the page inventory lists as free");
        return false;
    }
    if (NeedsParse(entry) && page < observedUpTo_) {
        worklist_.push_back(static_cast<std::uint32_t>(page));
    }
    return true;
}

bool TPageMapBuilder::Contradicts(std::uint32_t page, const std::string& what) {
    TPageMapEntry& entry = entries_[page];
    entry.state |= kEntryDoNotWrite;
    Problem(page, "page " + N(page) + ", named by " + Reason(entry) + ": " + what +
                      "; left as it is");
    return true;
}

void TPageMapBuilder::Problem(std::uint32_t page, std::string text) {
    if (map_.problems_.size() < kListedProblems) {
        map_.problems_.push_back({page, std::move(text)});
    } else {
        ++map_.problemsNotListed_;
    }
}

std::string TPageMapBuilder::Reason(const TPageMapEntry& entry) const {
    return ReasonOf(entry, geometry_.dataPagesPerPointerPage);
}

// ---------------------------------------------------------------- TPageMap

TPageMap::TPageMap() = default;
TPageMap::~TPageMap() = default;
TPageMap::TPageMap(TPageMap&&) noexcept = default;
TPageMap& TPageMap::operator=(TPageMap&&) noexcept = default;

std::uint32_t TPageMap::PageCount() const {
    return static_cast<std::uint32_t>(entries_.size());
}

bool TPageMap::InUse(std::uint32_t page) const {
    return page < entries_.size() && !entries_[page].Is(kEntryFree);
}

const TPageMapEntry& TPageMap::Entry(std::uint32_t page) const {
    if (page >= entries_.size()) {
        throw EOdsError("page " + std::to_string(page) + " is past the end of the file (" +
                        std::to_string(entries_.size()) + " pages)");
    }
    return entries_[page];
}

std::optional<TPageExpectation> TPageMap::Expected(std::uint32_t page) const {
    if (page >= entries_.size() || !entries_[page].Named()) {
        return std::nullopt;
    }
    const TPageMapEntry& entry = entries_[page];
    return TPageExpectation{static_cast<TPageType>(entry.expectedType), entry.expectedFlags,
                            entry.relation, entry.origin,
                            ReasonOf(entry, dataPagesPerPointerPage_)};
}

TPageMap BuildPageMap(const TDatabaseFile& file) {
    const THeaderPage& header = file.Header();
    if (header.Major() != TOdsMajor::Ods12) {
        throw EOdsError(file.Path() + ": " + header.EditRefusal());
    }
    if (header.Encrypted()) {
        throw EOdsError(file.Path() + ": " + header.EditRefusal());
    }
    return TPageMapBuilder(file).Build();
}

} // namespace onarim::ods
