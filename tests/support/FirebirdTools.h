#pragma once

#include <string>
#include <vector>

#include "support/ToolRun.h"

namespace onarim::testing {

// The Firebird 3 command-line tools as Debian installs them, run against local database files
// through the embedded engine (no server needed). Every tool logs in as SYSDBA; the embedded
// engine takes any password.
inline constexpr const char* kSysdbaPassword = "masterkey";

// Runs `script` with isql (connection character set UTF8, stopping at the first error). The
// script is written to a file first, so no path in it passes through a shell. `database`, if
// given, is the database isql attaches to before the script runs. Raises FixtureError when
// isql does not succeed, with its output.
ToolResult RunIsqlScript(const std::string& script, const std::string& database = {});

// Runs `SELECT <expression> <rest>` on `database` and returns the text of `expression` for each
// row, in order, without isql's padding: QueryText(db, "ID || ' ' || NAME", "FROM T ORDER BY
// ID"). Raises FixtureError when isql does not succeed.
std::vector<std::string> QueryText(const std::string& database, const std::string& expression,
                                   const std::string& rest);

// Quotes `text` as an SQL string literal.
std::string SqlLiteral(const std::string& text);

// A validation run and what it reported.
struct ValidationResult {
    ToolResult run;
    // Nothing reported: the tool exited with 0 and printed nothing but blanks.
    bool Clean() const;
};

// The service manager's repair action with the options the repair uses (mend the database,
// ignore checksums): `fbsvcmgr service_mgr ... action_repair dbname <db> rpr_mend_db
// rpr_ignore_checksum`. On damage Firebird 3 fails the service start itself, so the tool
// exits with 1 and prints "Summary of validation errors" and the counts. This run may change
// the file: it mends what it can. A tool ended by a signal is run once more; raises
// FixtureError when that happens twice.
ValidationResult ServiceRepairValidation(const std::string& database);

// A full validation that changes nothing: `gfix -v -full -n`. gfix exits with 0 also when it
// reports damage, so only its output tells. Raises FixtureError as above.
ValidationResult ReadOnlyValidation(const std::string& database);

} // namespace onarim::testing
