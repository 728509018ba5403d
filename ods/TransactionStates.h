#pragma once

#include <cstdint>
#include <vector>

#include "ods/DatabaseFile.h"
#include "ods/PagesDirectory.h"
#include "ods/RawProblem.h"

namespace onarim::ods {

// Whether a record version counts, by its transaction.
enum class TCommitState {
    Committed,    // the system transaction 0, one below the oldest interesting, or state 3
    NotCommitted, // active (in a file nobody has open: its owner died), limbo or dead
    Unknown,      // its transaction inventory page could not be read
    Impossible,   // a number past the last transaction the header has handed out
};

// The transaction inventory of a database file, read once: the TIP pages that RDB$PAGES
// lists (relation 0, type 3), a sequence it misses taken from the tip_next of the one before.
// A TIP that is not where it should be leaves its transactions Unknown and is a problem.
// Memory: two bits per transaction up to the last one handed out.
class TTransactionStates {
public:
    TTransactionStates(const TDatabaseFile& file, const TPagesDirectory& directory);

    TCommitState State(std::uint64_t transaction) const;
    // The last transaction number handed out (the header's next_transaction).
    std::uint64_t Last() const { return last_; }
    const std::vector<TRawProblem>& Problems() const { return problems_; }

private:
    std::uint64_t oldest_ = 0; // oldest interesting transaction
    std::uint64_t last_ = 0;
    std::uint32_t perPage_ = 0;
    std::vector<std::uint8_t> states_; // the TIP bit arrays one after the other
    std::vector<bool> known_;          // per TIP sequence
    std::vector<TRawProblem> problems_;
};

} // namespace onarim::ods
