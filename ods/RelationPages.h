#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "ods/DatabaseFile.h"
#include "ods/PagesDirectory.h"
#include "ods/RawProblem.h"

namespace onarim::ods {

// One data page of a relation: its place among the relation's data pages and its number.
struct TDataPageSlot {
    std::uint32_t sequence = 0;
    std::uint32_t page = 0;
};

// The data pages of one relation as its pointer pages list them. The pointer pages come from
// RDB$PAGES (relation, type 4) by sequence; a sequence it misses is taken from the ppg_next of
// the one before. A pointer page that is not the relation's page of its sequence is a
// problem: the data pages it would list are not known. So is a data page listed twice: it is
// kept at its first place only, so its rows are not read twice.
class TRelationPages {
public:
    TRelationPages(const TDatabaseFile& file, const TPagesDirectory& directory,
                   std::uint16_t relation);

    std::uint16_t Relation() const { return relation_; }
    // In the order of the pointer pages and their slots.
    const std::vector<TDataPageSlot>& Pages() const { return pages_; }
    // The data page of `sequence`, nullopt when no pointer page read lists it.
    std::optional<std::uint32_t> PageOf(std::uint32_t sequence) const;
    const std::vector<TRawProblem>& Problems() const { return problems_; }

private:
    std::uint16_t relation_;
    std::vector<TDataPageSlot> pages_;
    std::vector<std::uint32_t> bySequence_; // 0: none
    std::vector<TRawProblem> problems_;
};

} // namespace onarim::ods
