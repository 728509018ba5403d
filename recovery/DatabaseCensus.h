#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "recovery/Credentials.h"

namespace onarim {

// Non-empty values (not NULL, longer than 0 bytes) of one blob column.
struct TColumnCensus {
    std::string column;
    std::optional<std::int64_t> nonEmptyBlobs; // readable ones; nullopt: not countable at all
    // Values whose blob could not be opened or read: lost already, though their rows are not.
    std::int64_t unreadableBlobs = 0;
};

// What one user table holds.
struct TTableCensus {
    std::string table;
    std::optional<std::int64_t> rows; // nullopt: unreadable
    std::vector<TColumnCensus> blobColumns;
    std::string error; // the server's message for the first count that failed, if any
    // Records counted among the rows that nobody can read ("page 230 line 3: why"): rows that
    // existed, lost already.
    std::vector<std::string> lostRecords;
};

// Every user table of a database, ordered by name.
struct TDatabaseCensus {
    std::vector<TTableCensus> tables;
};

// Counts the rows of every user table and the non-empty values of every blob column of the
// database at `path`, reading only: an attachment of TSqlIntent::ReadOnly (no database
// triggers, no garbage collection, so damage among deleted rows stays where it is) and a
// read-only transaction for each count. Rows are counted with COUNT(*), which walks the
// records without decoding them: a live row whose record is damaged still counts, and only a
// page the engine cannot read makes the rows unreadable. A blob column's count decodes every
// row and opens every blob, so damage there makes the column unreadable. A table is first
// counted whole in one scan (rows and every blob column); only when that fails are its counts
// taken one by one, so that each unreadable count is told apart. A blob column whose count
// fails is then counted value by value, reading the table as TDamagedDatabaseReader does:
// every value whose blob opens counts, every one that does not is counted unreadable.
//
// A count that fails is marked unreadable with the server's message, and the census goes on:
// when the failure left the attachment unusable (an internal consistency check of the
// engine, after which every call answers "can't continue after bugcheck"), on a fresh one.
// The blob columns of a table whose rows are unreadable are not counted by a query, but value
// by value as above; they stay uncounted when the reader, too, meets rows it cannot read.
// If no fresh attachment can be made, the tables not yet counted are marked unreadable with
// that attach's message.
//
// Counting is not free of writes: every attachment rewrites the database's header page (its
// attachment counter), and every transaction the header page and a transaction inventory
// page (measured on Firebird 3.0.11). A file that must stay byte-identical must be counted
// through a copy.
//
// Raises EIBInterBaseError (or EIBClientError) only when the database cannot be attached at
// all or its catalogue of tables cannot be read, since then there is nothing true to report.
// Keeps no state between calls; any thread may call it.
TDatabaseCensus TakeCensus(const std::string& path, const TCredentials& credentials);

} // namespace onarim
