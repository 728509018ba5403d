#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "recovery/DamagedDatabaseReader.h"

namespace onarim {

class TSqlAttachment;
class TSqlStatement;
class TSqlTransaction;

// Writes rows read by TDamagedDatabaseReader into the same table of another database, with
// parameterised statements in read-write transactions that are committed every
// `rowsPerCommit` writes. Blob values are stored anew in the target. The attachment must
// outlive it; what is not committed when it goes is rolled back.
class TTableWriter {
public:
    TTableWriter(TSqlAttachment& target, const TTableLayout& table,
                 std::size_t rowsPerCommit = 500);
    ~TTableWriter();
    TTableWriter(const TTableWriter&) = delete;
    TTableWriter& operator=(const TTableWriter&) = delete;

    // Inserts `row` whole but for its arrays, which are left NULL (see TStoredColumn); a blob
    // left out of it (unreadable) becomes NULL. Raises
    // EIBInterBaseError when the server refuses the row (nothing of it is then written).
    void Insert(const TReadRow& row);

    // Writes the blob of `column` of `row` into the target's row with the same unique key
    // (the table must have one). Raises EIBInterBaseError when the server refuses it.
    void WriteBlob(const TReadRow& row, std::size_t column);

    // Commits what was written since the last commit. Raises EIBInterBaseError when the
    // commit fails (the writes since the last commit are then lost).
    void Commit();

private:
    TSqlTransaction& Transaction();
    TSqlStatement& Prepared(std::unique_ptr<TSqlStatement>& statement, const std::string& sql);
    TSqlValue BlobValue(const TReadRow& row, std::size_t column);
    void Written();

    TSqlAttachment& target_;
    const TTableLayout& table_;
    std::size_t rowsPerCommit_;
    std::size_t uncommitted_ = 0;
    std::unique_ptr<TSqlTransaction> transaction_;
    std::unique_ptr<TSqlStatement> insert_;
    std::vector<std::unique_ptr<TSqlStatement>> blobUpdates_; // per column
};

} // namespace onarim
