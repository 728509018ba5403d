#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "repair/Losses.h"
#include "repair/RepairOperator.h"
#include "recovery/DatabaseCensus.h"
#include "recovery/LostDataRecovery.h"
#include "recovery/Salvage.h"

namespace onarim {

// One step of a repair as it ran.
struct TStepRecord {
    TRepairStep step = TRepairStep::FirstValidation;
    std::string commandLine; // tools only; it never holds the password
    int exitStatus = 0;
    std::chrono::milliseconds duration{0};
    std::vector<std::string> output; // every line, as it came
};

// Everything a repair did and found, for the report file, `onarim-cli --json` and the details
// of the closing message.
struct TRepairReport {
    std::string database;
    std::string keptCopy; // empty: none kept
    std::chrono::system_clock::time_point started, ended;
    std::vector<TStepRecord> steps;
    std::optional<TDatabaseCensus> before, after;
    TSkippedBlobs skippedBlobs;          // what gbak said it skipped
    std::vector<std::string> toolErrors; // every ERROR line of the tools
    TLosses losses;
    std::optional<TRecoveryResult> recovery; // what was written back from the kept copy
    std::string salvaged;                    // the new database salvage built, if any
    std::optional<TSalvageResult> salvage;
    std::string outcome; // a TRepairOutcome's name, see RepairOutcomeName
    std::string message; // the closing message as the operator saw it
};

// The report as a JSON document (UTF-8, indented); fields are listed in README.md.
std::string ReportToJson(const TRepairReport& report);

// Every step's title and output lines, for a message box's details.
std::string ReportDetails(const TRepairReport& report);

// `time` as local time in strftime's `format` ("%Y%m%d-%H%M%S" dates the kept copy).
std::string LocalTimeText(std::chrono::system_clock::time_point time, const char* format);

// "first-validation", "backup" and so on: the step's name in the report.
std::string StepName(TRepairStep step);

} // namespace onarim
