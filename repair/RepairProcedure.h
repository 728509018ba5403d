#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <optional>
#include <string>

#include "repair/RepairOperator.h"
#include "repair/RepairReport.h"
#include "repair/ServerTools.h"

namespace onarim {

class TIBValidationService;
struct TToolOutputSummary;

// Which database server the operator chose; the values are the item indexes of the window's
// radio group.
enum class TServerKind { Firebird = 0, InterBase = 1 };

// Status code with which the server reports damage found by a validation: the start of the
// repair action fails with it, and the error's text is the report.
inline constexpr int kValidationErrorsStatus = 335740952;

// How a run ended, for front ends that report more than the messages (the command line's exit
// status); the window ignores it.
enum class TRepairOutcome {
    NoDatabaseNamed,    // the edit box was empty
    DatabaseNotFound,   // no file of that name
    NotADatabase,       // an empty file, or one that is no Firebird or InterBase database
    Cancelled,          // no password given
    PreflightRefused,   // the file, its folder, the free space or another attachment said no
    Sound,              // the first validation reported nothing
    ToolMissing,        // gfix or gbak not found
    BackupFileExists,   // a BACKUP.GBK beside the database that is not ours
    BackupFailed,       // the backup did not complete; the database was not touched
    RestoreFailed,      // the restore did not complete; the backup was kept
    Repaired,           // the second validation reported nothing and nothing was lost
    RepairedWithLosses, // the second validation reported nothing, but data was lost or may be
    Salvaged,           // the backup failed; what could be read went into a new database
    NotRepaired,        // the second validation still reported something
};

// The outcome's name in the report: "repaired-with-losses" and so on.
std::string RepairOutcomeName(TRepairOutcome outcome);

// Name of the temporary backup written beside the database.
inline constexpr const char* kBackupFileName = "BACKUP.GBK";

// Choices of a front end beyond the window's.
struct TRepairOptions {
    // Keep a byte copy of the original beside it before anything changes it.
    bool keepCopy = true;
    // The program that runs each validation in a process of its own (onarim-validate; see
    // ValidatorPath). Empty: the tools' ValidatorProgram, and when that is empty too, the
    // service component validates in this process, which is then left holding a database
    // whose validation failed part-way.
    std::string validator;
    // Count the kept original on a thread of its own while gfix and the backup run (each in a
    // process of its own), instead of before them. Tests whose server tools record the order
    // of calls turn it off.
    bool countAlongsideTools = true;
    // The clock that dates the kept copy and the report (tests fix it).
    std::function<std::chrono::system_clock::time_point()> clock = [] {
        return std::chrono::system_clock::now();
    };
};

// The whole of a repair, run when the operator presses "Onar": checks the named file, asks for
// the SYSDBA password, has the service manager validate the database, and when the validation
// reports anything repairs it with the server's own tools (full validation, backup beside the
// database, restore over it), removes the backup, validates again and tells the outcome.
//
// Around those steps, so that the repair never loses what was readable without saying so:
//  - a pre-flight refuses, before anything changes, a file that cannot be read or written, a
//    folder that takes no new files, too little free space (see RequiredFreeBytes) and a
//    database that another attachment holds;
//  - a byte copy of the original is kept beside it (`<stem>.onarim-<YYYYMMDD-HHMMSS><ext>`)
//    before the first validation; it is removed only when that validation finds nothing, and
//    every closing message of a repair that keeps it names it;
//  - a validation that fails because pages are damaged counts as its report;
//  - the tools get the credentials in their environment, never on their command lines, and
//    their output is read: what gbak skipped is a loss;
//  - rows and non-empty blob values are counted before the repair and after it; the closing
//    message lists every loss, and a JSON report of the run is written beside the database
//    (`<stem>.onarim-<YYYYMMDD-HHMMSS>.json`) whenever the repair changed anything.
//
// The database file is only handed to the tools when a backup of it has been written: a file
// named BACKUP.GBK already beside the database stops the run before any tool runs, a backup
// that fails stops it before the restore, and a restore that fails keeps the backup.
//
// Errors of the service component and of the registry are not caught: they leave Run, for the
// front end's error display. The procedure keeps nothing between runs but the report of the
// last one; the service component may be left attached.
class TRepairProcedure {
public:
    TRepairProcedure(TIBValidationService& service, IRepairOperator& repairOperator,
                     const IFileNameBox& fileNameBox, IServerTools& tools,
                     TRepairOptions options = {});

    TRepairOutcome Run(TServerKind serverKind);

    // What the last run did and found. `reportPath` is where it was written, empty when the
    // run changed nothing (and wrote no report).
    const TRepairReport& Report() const noexcept { return report_; }
    const std::string& ReportPath() const noexcept { return reportPath_; }

private:
    TRepairOutcome CheckDatabaseFile(const std::string& fileName);
    bool InUse(const std::string& fileName, const TCredentials& credentials);
    TRepairOutcome Repair(const std::string& fileName, const std::string& password,
                          const std::string& toolDir);
    std::string Validate(TRepairStep step, const std::string& userLine,
                         const std::string& passwordLine, const std::string& fileName);
    std::string ValidateInChild(TRepairStep step, const std::string& fileName,
                                const std::string& password);
    void ReadRestOfOutput(TRepairStep step);
    int RunTool(TRepairStep step, const std::string& commandLine, const std::string& password);
    void KeepCopy(const std::string& fileName);
    void CountBefore(const std::string& fileName, const TCredentials& credentials);
    void StartCountBefore(const std::string& fileName, const TCredentials& credentials);
    void FinishCountBefore();
    void CountAfter(const std::string& fileName, const TCredentials& credentials,
                    bool afterPutBack = false);
    void PutBack(const std::string& fileName, const TCredentials& credentials);
    TRepairOutcome Salvage(const std::string& fileName, const std::string& gbak,
                           const TCredentials& credentials, const std::string& backupFailure);
    std::string TransientCopy(const std::string& fileName, const std::string& purpose);
    std::string PutBackLines() const;
    void BeginStep(TRepairStep step, const std::string& commandLine = {});
    void EndStep(int exitStatus);
    void Output(TRepairStep step, const std::string& line);
    void ToolLine(TRepairStep step, const std::string& line);
    void KeepToolFindings(const TToolOutputSummary& summary);
    bool RequireTool(const std::string& path);
    void Tell(const std::string& text, const std::string& caption);
    TRepairOutcome Finish(TRepairOutcome outcome, const std::string& text,
                          const std::string& caption);

    TIBValidationService& service_;
    IRepairOperator& operator_;
    const IFileNameBox& fileNameBox_;
    IServerTools& tools_;
    TRepairOptions options_;
    TRepairReport report_;
    std::string stamp_; // YYYYMMDD-HHMMSS of this run, for the kept copy and the report
    std::string reportPath_;
    std::chrono::steady_clock::time_point stepStart_;
    bool validationBegan_ = false; // false while a validation's attach has not succeeded

    // The count before the repair while it runs (see StartCountBefore).
    struct TCountBefore {
        std::optional<TDatabaseCensus> census;
        std::string error;
        std::chrono::milliseconds duration{0};
    };
    std::future<TCountBefore> countBefore_;
};

// onarim-validate beside the running program, or, in the build tree, where the build put it;
// empty when there is none.
std::string ValidatorPath();

// Everything up to and including the last path separator of `fileName`; empty without one.
std::string DirectoryPrefix(const std::string& fileName);

// `<stem>.onarim-<stamp><extension>` beside `fileName` (the extension is what follows the last
// full stop of the file's own name, if any).
std::string KeptCopyName(const std::string& fileName, const std::string& stamp);
// `<stem>.onarim-<stamp>.json` beside `fileName`.
std::string ReportFileName(const std::string& fileName, const std::string& stamp);

// Free space a repair needs beside a database of `databaseSize` bytes: the kept copy and, for
// the count before the repair, a transient second copy beside the backup (it is removed before
// the restore starts), then the backup and the restored database side by side, as gbak writes
// them. gbak's backup is usually smaller than the database and the restored database no
// larger, so the database's size stands for each: 3 x the size with a kept copy, 2 x without.
std::uint64_t RequiredFreeBytes(std::uint64_t databaseSize, bool keepCopy);

} // namespace onarim
