#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Exception.h"
#include "recovery/Credentials.h"
#include "recovery/LostDataRecovery.h"

namespace onarim {

// How a run of gbak ended.
struct TGbakRun {
    int exitCode = -1;
    std::string output;
};

// Runs gbak with `arguments` (the options and files, not the program) as the given user and
// waits for it. The caller supplies it: recovery/ starts no program itself.
using TGbakRunner = std::function<TGbakRun(const std::vector<std::string>& arguments)>;

// What salvage built.
struct TSalvageResult {
    // Every user table of the damaged database, ordered by name: rowsPutBack counts the rows
    // written into the new database, blobsPutBack their non-empty blob values, problems what
    // could not be read or written.
    std::vector<TTableRecovery> tables;
    // Indexes and triggers left inactive because they could not be activated again
    // ("NAME: server message"), for instance a unique index over duplicate values.
    std::vector<std::string> inactiveIndexes, inactiveTriggers;
    // Sequences whose value could not be set ("NAME: server message").
    std::vector<std::string> unsetSequences;
    // Rows written that break a constraint, by constraint: a CHECK (TCheckTest::label), and a
    // FOREIGN KEY whose index stays inactive ("TABLE.CONSTRAINT": rows whose parent is missing).
    std::map<std::string, std::int64_t> constraintViolations;
    // CHECKs that could not be taken out, made again or counted: one line each.
    std::vector<std::string> constraintProblems;
};

// Raised when the new database cannot be made from the damaged one's metadata.
class ESalvageError : public Exception {
public:
    using Exception::Exception;
};

// Builds a new database at `target` from a damaged one, for when gbak cannot back it up.
// The damaged database's metadata goes through gbak (backup of metadata only, without
// garbage collection, into `target` + ".metadata.gbk", and restore with indexes inactive;
// the backup file is removed afterwards); its sequences are set to the damaged database's
// values, which a metadata backup does not keep. Then every row TDamagedDatabaseReader can
// read from `damaged` is written into the new database with the tables' triggers inactive,
// and the indexes (those of primary and unique keys first) and triggers are activated again.
// The damaged database is `source.engineCopy`, which gbak and the engine read: it should be a
// transient copy (attaching writes to it), and one this process has not attached yet, since
// its engine keeps a file open past the detach and gbak could not open it then. The rows are
// read with TOriginalRows: from the pages of `source.keptCopy` (of which the engine copy is a
// byte copy) where they give a table whole, so that a table the engine cannot scan loses only
// the records that do not decode. `target` must not exist.
// `progress`, if given, is told a line at each step and table.
//
// Raises ESalvageError with gbak's output when either gbak run fails or `target` exists, and
// EIBInterBaseError when a database cannot be attached at all; everything else is in the
// result.
TSalvageResult SalvageDatabase(const TOriginalFiles& source, const std::string& target,
                               const TCredentials& credentials, const TGbakRunner& gbak,
                               const LineHandler& progress = {});

} // namespace onarim
