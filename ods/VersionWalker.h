#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ods/RecordStore.h"
#include "ods/TransactionStates.h"

namespace onarim::ods {

// The uncompressed record length of each format number of a relation; 0 for a format the
// reader does not know.
using TFormatLengths = std::array<std::uint32_t, 256>;

// Applies a difference record (the decompressed data of a back version stored as a delta) to
// `newer`, the uncompressed newer version, into `out`: a control byte c > 0 writes the next c
// bytes, c < 0 keeps -c bytes of the newer version. Returns an empty string, or why the
// difference does not make a record of `length` bytes: it ends inside a write, writes past
// `length`, keeps bytes the newer version does not have, or ends short of `length`.
std::string ApplyDifference(const std::vector<std::uint8_t>& newer, TBytes difference,
                            std::uint32_t length, std::vector<std::uint8_t>& out);

// What a record's versions hold for a reader that sees every committed transaction.
enum class TVersionOutcome {
    Row,     // the newest committed version is a record: Record(), format Format()
    NoRow,   // a committed delete, or no committed version at all
    Problem, // a version on the way cannot be read: Problem() says why
};

// Walks a record's versions from the primary one (the line's newest) back along b_page/b_line
// to the newest version whose transaction committed, rebuilding versions stored as
// differences from the newer one on the way. Buffers are kept from record to record.
class TVersionWalker {
public:
    TVersionWalker(TRecordStore& store, const TTransactionStates& transactions,
                   const TFormatLengths& lengths);

    TVersionOutcome Walk(const TRecordPiece& primary);

    TBytes Record() const { return current_; }
    std::uint8_t Format() const { return format_; }
    const std::string& Problem() const { return problem_; }

private:
    TVersionOutcome Fail(const TRecordPiece& version, const std::string& what);

    TRecordStore& store_;
    const TTransactionStates& transactions_;
    const TFormatLengths& lengths_;
    std::vector<std::uint8_t> current_;
    std::vector<std::uint8_t> newer_;
    std::vector<std::uint8_t> difference_;
    std::uint8_t format_ = 0;
    std::string problem_;
};

} // namespace onarim::ods
