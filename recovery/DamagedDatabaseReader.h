#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "client/SqlValue.h"
#include "recovery/Credentials.h"
#include "recovery/TableLayout.h"

namespace onarim {

// One row as the reader could read it.
struct TReadRow {
    std::uint64_t recordNumber = 0; // its place in the table (see TDatabaseKey)
    // One value per column of the table's layout, exactly as read. A blob column holds NULL
    // here; its bytes are in `blobs`.
    TSqlRow values;
    // Per column: the blob's bytes; nullopt for a column that is no blob, a NULL blob and a
    // blob that could not be read (which is reported as a TReadProblem).
    std::vector<std::optional<std::string>> blobs;
    bool fromPages = false; // read straight from the pages, not through the engine
    // Per column, read from the pages: the character set of a text blob stored in one the
    // engine hands over as UTF8 (any but NONE, OCTETS and UTF8). Empty otherwise.
    std::vector<std::optional<short>> blobTextCharsets;
};

// What could not be read.
struct TReadProblem {
    std::string table;
    std::string column; // the blob column that could not be read; empty for rows
    // The records concerned: for rows a run of record numbers that all failed alike, for a
    // blob the one record holding it.
    std::uint64_t firstRecord = 0, lastRecord = 0;
    // The row's unique key ("ID=5"), for a blob; the page and line of a record read from the
    // pages ("page 230 line 3"); empty when unknown.
    std::string key;
    std::string message; // the server's message
    // One line for the operator: where and why.
    std::string Describe() const;
};

// Reads every row of every user table that the engine can still read from a database that
// may be damaged, writing nothing: the attachment is read-only (no garbage collection, no
// database triggers) and so is every transaction. Attaching still rewrites the header page,
// so give it a copy of anything that must stay as it is.
//
// A table is read by a plain scan while it works, in record order. When the scan fails (a
// damaged page or record; an internal consistency check of the engine also leaves the
// attachment unusable, and then it is made anew), the rest of the table is read by record
// number, a batch of numbers at a time, and one by one inside a batch that fails, so that
// every record the engine can still decode is found, in record order, and every one it
// cannot is reported. A blob that cannot be read is reported and left out of its row.
// Used from one thread at a time.
class TDamagedDatabaseReader {
public:
    // Attaches and reads the catalogue. Raises EIBInterBaseError (or EIBClientError) when the
    // database cannot be attached or its catalogue cannot be read.
    TDamagedDatabaseReader(const std::string& path, const TCredentials& credentials);
    ~TDamagedDatabaseReader();
    TDamagedDatabaseReader(const TDamagedDatabaseReader&) = delete;
    TDamagedDatabaseReader& operator=(const TDamagedDatabaseReader&) = delete;

    // The user tables, ordered by name.
    const std::vector<TTableLayout>& Tables() const noexcept { return tables_; }

    // Hands every readable row of `table` (one of Tables()) to `onRow`, in record order, and
    // returns what could not be read. An exception from `onRow` ends the reading and passes
    // on. Raises EIBInterBaseError only when the database can no longer be attached at all.
    std::vector<TReadProblem> ReadTable(const TTableLayout& table,
                                        const std::function<void(const TReadRow&)>& onRow);

    class TSession;

private:
    std::unique_ptr<TSession> session_;
    std::vector<TTableLayout> tables_;
};

// The key columns of `row` as text for the operator ("ID=5, CODE='A'"); the record number
// ("record 17") for a table without a unique key.
std::string DescribeRowKey(const TTableLayout& table, const TReadRow& row);

} // namespace onarim
