#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/LineHandler.h"
#include "recovery/Credentials.h"
#include "recovery/OriginalRows.h"

namespace onarim {

// What was put back into one table of the repaired database.
struct TTableRecovery {
    std::string table;
    std::int64_t rowsPutBack = 0;  // rows the repaired table lacked, written whole
    std::int64_t blobsPutBack = 0; // blob values it held as NULL or empty, written into them
    // The table has no primary key or unique constraint and the repaired table holds fewer
    // rows, or fewer non-empty values of a blob column, than could be read from the source:
    // what is missing cannot be told apart from what is there, so nothing was written.
    bool noUniqueKey = false;
    // Non-NULL array values of the rows written, which were left NULL (see TStoredColumn):
    // the table is not whole.
    std::int64_t arrayValuesLeft = 0;
    // Of those put back, the rows and blob values read straight from the pages of the kept
    // original, where the engine is not needed or cannot read them.
    std::int64_t rawRows = 0, rawBlobs = 0;
    // One line each for what could not be read from the source or not be written.
    std::vector<std::string> problems;
};

struct TRecoveryResult {
    // Every user table of the source put back (see TRepairedDatabase::tables), by name.
    std::vector<TTableRecovery> tables;
    // Rows of the tables written to that break a CHECK taken out for them (TCheckTest::label).
    std::map<std::string, std::int64_t> constraintViolations;
    // CHECKs that could not be taken out, made again or counted: one line each.
    std::vector<std::string> constraintProblems;
};

// The database a put-back writes into.
struct TRepairedDatabase {
    std::string path;
    // Made by this run (the restore) and opened by nobody else: what its tables hold is read
    // straight from their pages before they are written to, not through the engine.
    bool madeByRun = false;
    // The tables to put back (those the counts found lacking); empty: every table.
    std::vector<std::string> tables;
};

// Copies into the database at `repaired` what the kept original at `source` still holds and
// `repaired` lacks. The original is read with TOriginalRows: from its pages where they give a
// table whole, else through the engine in a copy made then; `repaired` is the database the
// repair made, with the same tables. Rows are matched by the table's primary key (or else its first
// unique constraint): a row whose key the repaired table lacks is inserted, and a blob value that
// is non-empty in the source but NULL or empty in the repaired row is written into it. Writing goes
// in read-write transactions of some hundred rows each, with the table's triggers set inactive
// meanwhile so rows land as they were read. A row that cannot be written (a foreign key to a
// row of a table not yet done, say) is tried once more after every table; a row refused then
// is tried a last time with the CHECKs of its table and of its domains taken out
// (TCheckPause): a row that breaks a CHECK is data all the same, and the rows that break one
// are counted. What is refused still (a FOREIGN KEY whose parent is missing: Firebird 3 lets
// no statement set a FOREIGN KEY's index inactive) is reported.
// `progress`, if given, is told a line as each table is begun and done.
//
// Raises EIBInterBaseError (or EIBClientError) only when either database cannot be attached
// at all or its catalogue cannot be read; everything else is in the result.
TRecoveryResult PutBackLostData(const TOriginalFiles& source, const TRepairedDatabase& repaired,
                                const TCredentials& credentials, const LineHandler& progress = {});

} // namespace onarim
