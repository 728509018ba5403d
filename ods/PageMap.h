#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ods/DatabaseFile.h"
#include "ods/PageHeader.h"

namespace onarim::ods {

// Which structure named a page, kept per page in a byte; the reason text is built from it
// on demand.
enum class TPageOrigin : std::uint8_t {
    None,
    HeaderPage,         // page 0
    Pip,                // page inventory page at its computed place
    Scn,                // SCN inventory page at its computed place
    HeaderPagesPointer, // the header's first pointer page of RDB$PAGES
    PagesRow,           // a row of RDB$PAGES
    PointerChain,       // ppg_next of the previous pointer page
    TipChain,           // tip_next of the previous transaction inventory page
    PointerSlot,        // a slot of a pointer page
    RebuiltPointerSlot, // a slot of a pointer page rebuilt from its data pages
    Fragment,           // the fragment pointer of a record piece
    BlobList,           // a level-1 blob header's list of data pages
    BlobPointerList,    // a level-2 blob header's list of blob pointer pages
    BlobPointerEntry,   // an entry of a blob pointer page
    IndexRootSlot,      // an index root's slot: the root of a B-tree
    BTreeBody,          // a B-tree page recognised by its own body against the index roots
};

// What a page must be, and why.
struct TPageExpectation {
    TPageType type = TPageType::Undefined;
    std::uint8_t flags = 0;
    std::uint16_t relation = 0; // where the origin has one
    TPageOrigin origin = TPageOrigin::None;
    std::string reason; // e.g. "pointer page 212 slot 3 of relation 128"
};

// Something the map found that no mend can settle: reported, never written.
struct TPageProblem {
    std::uint32_t page = 0; // the page concerned, inside the file
    std::string text;
};

// A pointer page that could not be read (header and body garbage), made anew from the data
// pages that name its relation.
struct TPointerPageRebuild {
    std::uint32_t page = 0;
    std::uint16_t relation = 0;
    std::uint32_t sequence = 0;
    std::uint32_t dataPages = 0; // slots filled
    std::string reason;
    std::vector<std::uint8_t> bytes; // the whole new page, standard header included
    std::uint64_t oldDigest = 0;     // of the page as it was, so a changed file is noticed
};

// Per-page record of the map (16 bytes): what the page must be and what its header showed.
struct TPageMapEntry;

// What every in-use page of an ODS 12 database must be, built from the database's own
// structure: the header page, the inventory pages at their computed places, RDB$PAGES and
// what it lists, pointer pages and their data pages, blob and fragment pages reached from
// records, B-tree roots from the index roots and other B-tree pages recognised by their
// bodies. Pages the PIP lists as free are not expected to be anything. Memory: 16 bytes per
// page plus the problems, rebuilt pages and a copy of the structure's bookkeeping.
class TPageMap {
public:
    TPageMap();
    ~TPageMap();
    TPageMap(TPageMap&&) noexcept;
    TPageMap& operator=(TPageMap&&) noexcept;

    std::uint32_t PageCount() const;
    std::uint32_t PageSize() const { return pageSize_; }
    // The PIP lists the page as used (every page when its PIP could not be read).
    bool InUse(std::uint32_t page) const;
    // What page `page` must be; nullopt when nothing names it or it is past the file.
    std::optional<TPageExpectation> Expected(std::uint32_t page) const;
    const std::vector<TPageProblem>& Problems() const { return problems_; }
    std::size_t ProblemsNotListed() const { return problemsNotListed_; }
    const std::vector<TPointerPageRebuild>& Rebuilds() const { return rebuilds_; }
    // In-use pages with a sound header of some type that nothing names (left as they are).
    std::uint32_t UnnamedPages() const { return unnamedPages_; }
    // The highest scn the SCN inventory pages record: what the header page's scn must reach.
    std::uint32_t HighestScn() const { return highestScn_; }

    // The internal record of `page`, for the check and the mend.
    const TPageMapEntry& Entry(std::uint32_t page) const;

private:
    friend class TPageMapBuilder;

    std::uint32_t pageSize_ = 0;
    std::vector<TPageMapEntry> entries_;
    std::vector<TPageProblem> problems_;
    std::size_t problemsNotListed_ = 0;
    std::vector<TPointerPageRebuild> rebuilds_;
    std::uint32_t unnamedPages_ = 0;
    std::uint32_t highestScn_ = 0;
    std::uint32_t dataPagesPerPointerPage_ = 0;
};

// Builds the map of an ODS 12 database, reading the file once from start to end in large
// reads plus a few single pages of structure (the inventory, RDB$PAGES, pointer pages, index
// roots and pages reached backwards). Raises EOdsError for a database of another ODS or an
// encrypted one (its pages cannot be judged), or when the file cannot be read.
TPageMap BuildPageMap(const TDatabaseFile& file);

} // namespace onarim::ods
