#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/CheckValidationReport.h"
#include "client/DatabaseInfo.h"

namespace onarim {

// The states of the monitoring plugins' convention, in the order of their exit statuses.
enum class TCheckStatus { Ok = 0, Warning = 1, Critical = 2, Unknown = 3 };

// One thing the check found, in Turkish for the operator.
struct TCheckFinding {
    TCheckStatus level = TCheckStatus::Ok;
    std::string text;
};

// What onarim-cli --check found out about one database.
struct TCheckResult {
    std::string database; // the path as the server was given it
    std::string server;   // HOST or HOST/PORT
    std::int64_t warnGap = 0;
    std::optional<TDatabaseInfo> facts;          // empty when they could not be read
    std::optional<TValidationReport> validation; // empty when it did not run
    std::vector<TCheckFinding> findings;

    // The worst finding's level, CRITICAL before WARNING before UNKNOWN: a problem known is
    // told even when another part of the check could not be done. OK without findings.
    TCheckStatus Status() const;
    // Next transaction minus the oldest interesting one, when both are known.
    std::optional<std::int64_t> TransactionGap() const;
};

// "OK", "WARNING", "CRITICAL", "UNKNOWN".
const char* StatusWord(TCheckStatus status);
// 0, 1, 2, 3.
int CheckExitStatus(TCheckStatus status);

} // namespace onarim
