#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "cli/CheckResult.h"

namespace onarim {

// What the check makes of the online validation's report: CRITICAL naming every table with
// damage and its error count (and errors outside any table), with what to do next; WARNING
// for each table a lock kept from being checked, and for validation warnings in tables
// without errors; UNKNOWN when the report did not reach its end and told no damage.
std::vector<TCheckFinding> ValidationFindings(const TValidationReport& report,
                                              const std::string& database);

// WARNING when forced writes are off, and when the transaction gap (next minus oldest
// interesting) is above `warnGap`.
std::vector<TCheckFinding> FactFindings(const TDatabaseInfo& facts, std::int64_t warnGap);

// The part of the check at which the server or the client library raised.
enum class TCheckStage { ServiceAttach, Validation, Facts };

// What the database file beside us is, as far as it could be read.
struct TCheckFileFacts {
    bool readableDatabase = false; // a header page was read and recognised
    bool declaredEncrypted = false;
};

// The finding for `error` raised at `stage`: UNKNOWN for a server that does not answer, a
// user name or password refused, and every error that says nothing of the database's pages;
// CRITICAL when the database cannot be opened or validated because its pages are damaged (a
// file that starts like a database and that the server refuses as "not a valid database"
// included), with what to do next.
TCheckFinding ErrorFinding(const std::exception& error, TCheckStage stage,
                           const std::string& database, const std::string& server,
                           const std::string& user, const TCheckFileFacts& file);

// Findings of the steps before the server is asked. The status line names the database
// before them.
TCheckFinding DatabaseMissing();
TCheckFinding NotADatabase();
TCheckFinding RepairInProgress(long pid, const std::string& reportPath);
TCheckFinding EarlierRepairInterrupted(const std::string& reportPath);
TCheckFinding PasswordNotGiven();
TCheckFinding UsageError(const std::string& why);

// What the operator should do about damage: the repair, while nobody is attached.
std::string RepairAdvice(const std::string& database);

} // namespace onarim
