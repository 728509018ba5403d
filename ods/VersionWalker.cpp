#include "ods/VersionWalker.h"

#include <algorithm>

#include "ods/RecordFormat.h"

namespace onarim::ods {

namespace {

// Versions of one record a walk follows at most; garbage that chains versions in a circle
// stops here. The engine keeps a handful at a time.
constexpr int kMaxVersions = 4096;

// Pieces one walk reads at most: the largest record in the smallest pieces, many times over.
// Garbage that links pieces or versions in a circle stops here, after a bounded time.
constexpr std::size_t kMaxPiecesPerWalk = 65536;

// A difference never needs to be much longer than the largest record.
constexpr std::size_t kMaxDifference = 2 * kMaxRecordLength;

} // namespace

std::string ApplyDifference(const std::vector<std::uint8_t>& newer, TBytes difference,
                            std::uint32_t length, std::vector<std::uint8_t>& out) {
    out.assign(newer.begin(), newer.end());
    out.resize(std::max<std::size_t>(newer.size(), length));
    std::size_t at = 0;
    std::size_t from = 0;
    while (from < difference.size()) {
        const auto control = static_cast<std::int8_t>(difference[from++]);
        if (control > 0) {
            const auto count = static_cast<std::size_t>(control);
            if (count > difference.size() - from) {
                return "a difference that ends inside a run of bytes to write";
            }
            if (at + count > length) {
                return "a difference that writes past the " + std::to_string(length) +
                       " bytes of its format";
            }
            std::copy_n(difference.begin() + static_cast<std::ptrdiff_t>(from), count,
                        out.begin() + static_cast<std::ptrdiff_t>(at));
            from += count;
            at += count;
        } else {
            const auto count = static_cast<std::size_t>(-static_cast<int>(control));
            if (at + count > newer.size() || at + count > length) {
                return "a difference that keeps bytes the newer version does not have";
            }
            at += count;
        }
    }
    if (at != length) {
        return "a difference that makes " + std::to_string(at) + " bytes where its format has " +
               std::to_string(length);
    }
    out.resize(at);
    return {};
}

TVersionWalker::TVersionWalker(TRecordStore& store, const TTransactionStates& transactions,
                               const TFormatLengths& lengths)
    : store_(store), transactions_(transactions), lengths_(lengths) {}

TVersionOutcome TVersionWalker::Fail(const TRecordPiece& version, const std::string& what) {
    problem_ = "the version at page " + std::to_string(version.page) + " line " +
               std::to_string(version.line) + ": " + what;
    return TVersionOutcome::Problem;
}

TVersionOutcome TVersionWalker::Walk(const TRecordPiece& primary) {
    problem_.clear();
    std::optional<TRecordPiece> older;
    const TRecordPiece* version = &primary;
    bool differenceOfNewer = false; // this version is stored as a difference from newer_
    std::size_t budget = kMaxPiecesPerWalk;
    for (int step = 0; step < kMaxVersions && budget > 0; ++step, --budget) {
        const TRecordHeader& header = version->header;
        const TCommitState state = transactions_.State(header.transaction);
        if (state == TCommitState::Impossible) {
            return Fail(*version, "transaction " + std::to_string(header.transaction) +
                                      " is past the last one, " +
                                      std::to_string(transactions_.Last()));
        }
        if (state == TCommitState::Unknown) {
            return Fail(*version, "the state of transaction " + std::to_string(header.transaction) +
                                      " is not known");
        }
        const bool committed = state == TCommitState::Committed;
        if (committed && header.Has(kRecordDeleted)) {
            return TVersionOutcome::NoRow;
        }
        const bool needed = committed || header.Has(kRecordDelta);
        if (needed) {
            if (header.Has(kRecordDeleted)) {
                return Fail(*version, "a delete stub named as the base of a difference");
            }
            const std::uint32_t length = lengths_[header.format];
            if (length == 0) {
                return Fail(*version, "format " + std::to_string(header.format) + " is not known");
            }
            std::string problem;
            if (differenceOfNewer) {
                problem = store_.Assemble(*version, kMaxDifference, difference_, budget);
                if (problem.empty()) {
                    problem = ApplyDifference(newer_, difference_, length, current_);
                }
            } else {
                problem = store_.Assemble(*version, length, current_, budget);
                if (problem.empty() && current_.size() != length) {
                    problem = "a record of " + std::to_string(current_.size()) +
                              " bytes where format " + std::to_string(header.format) + " has " +
                              std::to_string(length);
                }
            }
            if (!problem.empty()) {
                return Fail(*version, problem);
            }
            if (committed) {
                format_ = header.format;
                return TVersionOutcome::Row;
            }
            current_.swap(newer_);
        }
        differenceOfNewer = header.Has(kRecordDelta);
        if (header.backPage == 0) {
            return TVersionOutcome::NoRow;
        }
        std::string problem;
        std::optional<TRecordPiece> next = store_.Piece(header.backPage, header.backLine, problem);
        if (!next) {
            return Fail(*version, "its older version: " + problem);
        }
        if (!next->header.Has(kRecordChain) || next->header.Has(kRecordFragment | kRecordBlob)) {
            return Fail(*version, "page " + std::to_string(next->page) + " line " +
                                      std::to_string(next->line) + " is no older version (flags " +
                                      Hex(next->header.flags, 4) + ")");
        }
        older = std::move(next);
        version = &*older;
    }
    return Fail(*version, "more than " + std::to_string(kMaxVersions) + " versions");
}

} // namespace onarim::ods
