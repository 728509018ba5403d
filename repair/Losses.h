#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "recovery/DatabaseCensus.h"
#include "recovery/LostDataRecovery.h"

namespace onarim {

// Blob values that gbak reported skipping ("error accessing BLOB column … -- continuing"):
// table -> column -> count.
using TSkippedBlobs = std::map<std::string, std::map<std::string, std::int64_t>>;

// What one table lost in a repair.
struct TTableLoss {
    std::string table;
    std::optional<std::int64_t> rowsBefore;        // nullopt: unreadable before the repair
    std::optional<std::int64_t> rowsAfter;         // nullopt: missing or unreadable after it
    std::map<std::string, std::int64_t> blobsLost; // column -> non-empty values lost
    // Loss unknown: the table (or one of its blob columns) could not be counted before.
    bool unknown = false;
    // Records nobody could read before the repair, with their page and line: lost already.
    std::vector<std::string> lostRecords;
};

// Every table that lost rows or blob values, or whose loss is unknown. Empty: nothing lost.
struct TLosses {
    std::vector<TTableLoss> tables;
    // The database could not be read at all before (or after) the repair: what it lost is
    // unknown. Holds the reason.
    std::string uncounted;
    // Array values of rows written back or salvaged that could not go with them: table ->
    // values (see TStoredColumn). No count shows them.
    std::map<std::string, std::int64_t> arrayValuesLeft;

    bool Any() const noexcept {
        return !tables.empty() || !uncounted.empty() || !arrayValuesLeft.empty();
    }
    std::int64_t RowsLost() const;
    std::int64_t BlobsLost() const;
};

// Compares the census of the database before the repair with the one after it, and adds what
// gbak said it skipped where the counts show less. A table counted before but missing after
// lost all its rows; a table that could not be counted before has an unknown loss.
TLosses CompareCensus(const TDatabaseCensus& before, const TDatabaseCensus& after,
                      const TSkippedBlobs& skipped);

// What gbak skipped and the put-back did not write back: per table, the values written back
// are taken off the skipped ones of its columns, in column order.
TSkippedBlobs SkippedAfterPutBack(const TSkippedBlobs& skipped,
                                  const std::vector<TTableRecovery>& putBack);

// The array values left behind by rows that were written: table -> values, tables with none
// left out.
std::map<std::string, std::int64_t> ArrayValuesLeft(const std::vector<TTableRecovery>& tables);

// The losses for the operator, one line per table or column, CR LF between lines:
// "ITEMS: 3000 kayıttan 2890 kayıt kaldı".
std::string LossLines(const TLosses& losses);

} // namespace onarim
