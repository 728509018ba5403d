#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "ods/DatabaseFile.h"
#include "ods/RawProblem.h"

namespace onarim::ods {

// RDB$PAGES types the raw reader looks up.
inline constexpr std::uint16_t kPagesTypeTip = 3;
inline constexpr std::uint16_t kPagesTypePointer = 4;

// What RDB$PAGES lists, read without the engine: its pointer pages from the header page's
// PAGES field along their ppg_next chain, each of their data pages, each row. Pages that
// cannot be read are problems; the rows of the others are kept.
class TPagesDirectory {
public:
    explicit TPagesDirectory(const TDatabaseFile& file);

    // The pages listed for (relation, type), indexed by sequence; 0 where a sequence has no row.
    std::vector<std::uint32_t> Pages(std::uint16_t relation, std::uint16_t type) const;
    const std::vector<TRawProblem>& Problems() const { return problems_; }

private:
    void ReadDataPage(const TDatabaseFile& file, std::uint32_t page);

    std::map<std::pair<std::uint16_t, std::uint16_t>, std::map<std::uint32_t, std::uint32_t>> rows_;
    std::vector<TRawProblem> problems_;
};

} // namespace onarim::ods
