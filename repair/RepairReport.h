#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/ProcessIdentity.h"
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

// A file a run makes beside the database, named in its report before it is made, so that a
// later run can remove what a run that was killed left behind.
struct TRunFile {
    std::string path;
    // "kept-copy", "backup", "restore" (gbak's new database), "transient" (a copy of the kept
    // original for one reader) or "salvage" (the salvage's new database).
    std::string kind;
};

// A page the page check wrote: its standard header mended, or a pointer page made anew.
struct TPageMendRecord {
    std::uint32_t page = 0;
    std::string was;     // what its header said
    std::string written; // what it was given
    std::string reason;  // which structure of the database named it
};

// Everything a repair did and found, for the report file, `onarim-cli --json` and the details
// of the closing message.
struct TRepairReport {
    std::string database;
    std::string keptCopy; // empty: none kept
    ProcessIdentity process;      // the run's own process, for a later run to tell it ended
    std::vector<TRunFile> files;  // every file the run makes, named before it is made
    std::string restored;         // the restored database left beside the database, if any
    std::vector<TPageMendRecord> pageMends;  // every page the page check wrote
    std::vector<std::string> pageProblems;   // pages it found wrong and left alone
    std::string pageCheckRefusal;            // why it judged no page, if it did not
    std::vector<std::string> earlierRun; // what an unfinished earlier run left, and what of it
                                         // this run removed or took over
    std::chrono::system_clock::time_point started, ended;
    std::vector<TStepRecord> steps;
    std::optional<TDatabaseCensus> before, after;
    TSkippedBlobs skippedBlobs;          // what gbak said it skipped
    // Tables of which the backup wrote fewer rows than the count before found: table -> rows.
    std::map<std::string, std::int64_t> backupRowsMissing;
    std::vector<std::string> toolErrors; // every ERROR line of the tools
    TLosses losses;
    std::optional<TRecoveryResult> recovery; // what was written back from the kept copy
    std::string salvaged;                    // the new database salvage built, if any
    std::optional<TSalvageResult> salvage;
    std::string outcome; // "running" until the end, then a TRepairOutcome's name
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
