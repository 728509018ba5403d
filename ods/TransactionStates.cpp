#include "ods/TransactionStates.h"

#include <set>

#include "ods/InventoryPages.h"
#include "ods/PageHeader.h"

namespace onarim::ods {

namespace {
constexpr int kCommitted = 3;
} // namespace

TTransactionStates::TTransactionStates(const TDatabaseFile& file, const TPagesDirectory& directory)
    : oldest_(file.Header().oldestTransaction), last_(file.Header().nextTransaction) {
    const TPageGeometry geometry(file.PageSize());
    perPage_ = geometry.transactionsPerTip;
    // Everything below the oldest interesting transaction counts as committed: a garbled one
    // past the last transaction would make rolled-back work count. Then the TIP alone judges.
    if (oldest_ > last_ + 1) {
        problems_.push_back({0, std::nullopt,
                             "the header's oldest interesting transaction " +
                                 std::to_string(oldest_) + " is past the last one, " +
                                 std::to_string(last_) + ": not taken"});
        oldest_ = 0;
    }
    const std::uint64_t tips = last_ / perPage_ + 1;
    // Every TIP is a page of the file: more than that is a header that lies.
    if (tips > file.PageCount()) {
        problems_.push_back({0, std::nullopt,
                             "the header's last transaction " + std::to_string(last_) +
                                 " needs more inventory pages than the file has"});
        last_ = 0;
        return;
    }
    const std::vector<std::uint32_t> listed = directory.Pages(0, kPagesTypeTip);
    const std::size_t bytesPerPage = perPage_ / 4;
    states_.assign(static_cast<std::size_t>(tips) * bytesPerPage, 0);
    known_.assign(static_cast<std::size_t>(tips), false);
    std::set<std::uint32_t> visited;
    std::uint32_t chained = 0; // tip_next of the TIP before
    for (std::uint32_t sequence = 0; sequence < tips; ++sequence) {
        std::uint32_t page =
            sequence < listed.size() && listed[sequence] != 0 ? listed[sequence] : chained;
        chained = 0;
        if (page == 0 || page >= file.PageCount() || !visited.insert(page).second) {
            problems_.push_back({page, std::nullopt,
                                 "transaction inventory page " + std::to_string(sequence) +
                                     " not found: its transactions' versions cannot be judged"});
            continue;
        }
        const std::vector<std::uint8_t> bytes = file.ReadPage(page);
        if (bytes[0] != static_cast<std::uint8_t>(TPageType::TransactionInventory)) {
            problems_.push_back({page, std::nullopt,
                                 "not transaction inventory page " + std::to_string(sequence) +
                                     ": its transactions' versions cannot be judged"});
            continue;
        }
        const TTipPage tip = TTipPage::Read(bytes, geometry);
        std::copy(tip.states.begin(),
                  tip.states.begin() + static_cast<std::ptrdiff_t>(bytesPerPage),
                  states_.begin() + static_cast<std::ptrdiff_t>(sequence * bytesPerPage));
        known_[sequence] = true;
        chained = tip.next;
    }
}

TCommitState TTransactionStates::State(std::uint64_t transaction) const {
    if (transaction == 0) {
        return TCommitState::Committed;
    }
    if (transaction > last_) {
        return TCommitState::Impossible;
    }
    if (transaction < oldest_) {
        return TCommitState::Committed;
    }
    if (!known_[transaction / perPage_]) {
        return TCommitState::Unknown;
    }
    const int state = states_[transaction / 4] >> (transaction % 4 * 2) & 3;
    return state == kCommitted ? TCommitState::Committed : TCommitState::NotCommitted;
}

} // namespace onarim::ods
