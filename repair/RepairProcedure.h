#pragma once

#include <string>

#include "repair/RepairOperator.h"
#include "repair/RepairOptions.h"
#include "repair/RepairFiles.h"
#include "repair/RepairOutcome.h"
#include "repair/RepairReport.h"
#include "repair/ServerTools.h"
#include "repair/UnfinishedRun.h"

namespace onarim {

class TIBValidationService;
class TToolSteps;
class TMadeFile;
struct TToolOutputSummary;

// Status code with which the server reports damage found by a validation: the start of the
// repair action fails with it, and the error's text is the report.
inline constexpr int kValidationErrorsStatus = 335740952;

// The whole of a repair, run when the operator presses "Onar": checks the named file, asks for
// the SYSDBA password, has the service manager validate the database, and when the validation
// reports anything repairs it with the server's own tools (full validation, backup beside the
// database, restore of it into a new file beside it), removes the backup, validates the new
// file and, only when it validated, puts it in the database's place in one rename, and tells
// the outcome. The database's path holds a whole database the server can open at every
// moment: the original, the file as the validations and gfix left it, or the repaired one.
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
//  - rows and non-empty blob values are counted before the repair and after it; what was lost
//    and the kept copy still holds is written back; the closing message lists every loss, and
//    a JSON report of the run is written beside the database
//    (`<stem>.onarim-<YYYYMMDD-HHMMSS>.json`) whenever the repair changed anything;
//  - when the backup fails, what can still be read is salvaged into a new database beside it.
//
// The database file is only handed to the tools when a backup of it has been written: a file
// named BACKUP.GBK already beside the database stops the run before any tool runs, a backup
// that fails stops it before the restore, and a restore that fails keeps the backup.
//
// The report is written as the run begins (outcome "running", the run's process, every file
// it will make) and after every step, so that a run that is killed can be cleaned up after: a
// later run on the same database refuses to start while that process lives, and otherwise
// removes what it left and takes its kept copy as the original. A run asked to stop (SIGINT,
// SIGTERM, SIGHUP) stops its tool, removes the files it made but the kept copy, and ends with
// the outcome "interrupted".
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
    struct TRun;

    TRepairOutcome Start(TServerKind serverKind, const std::string& fileName,
                         const std::string& password, const TUnfinishedRun* earlier);
    void TakeOverEarlierRun(TRun& run, const TUnfinishedRun& earlier);
    void EndAfterError(const std::string& error) noexcept;
    std::string FirstValidation(TRun& run);
    std::string ToolDir(TServerKind serverKind);
    struct TToolsRan {
        bool backedUp = false;
        bool restored = false;
    };
    enum class TSalvageCause { BackupFailed, RestoreFailed };

    TRepairOutcome Repair(TRun& run, const std::string& toolDir);
    bool BackupIntoRestore(TRun& run, TToolSteps& toolSteps, const std::string& restored,
                           TToolsRan& ran);
    TToolsRan RunTools(TRun& run, TToolSteps& toolSteps, const std::string& backup,
                       const std::string& restored);
    TRepairOutcome PutInPlace(TRun& run, TMadeFile& restoredFile, const std::string& target);
    void NoteRowsTheBackupMissed(const TToolOutputSummary& summary);
    TRepairOutcome FinishEarlierRepair(TRun& run);
    TRepairOutcome Salvage(TRun& run, TToolSteps& toolSteps, TSalvageCause cause,
                           const std::string& failure, TMadeFile* backupFile);
    TRepairOutcome Completed(TRun& run, const std::string& secondReport);
    std::vector<std::string> OutputOf(TRepairStep step) const;
    bool RequireTool(const std::string& path);
    void KeepToolFindings(const TToolOutputSummary& summary);
    void NoteFile(const TRunFile& file);
    void SaveReport() noexcept;
    TRepairOutcome Tell(TRepairOutcome outcome, const std::string& text,
                        const std::string& caption);
    TRepairOutcome Finish(TRepairOutcome outcome, const std::string& text,
                          const std::string& caption);

    TIBValidationService& service_;
    IRepairOperator& operator_;
    const IFileNameBox& fileNameBox_;
    IServerTools& tools_;
    TRepairOptions options_;
    TRepairReport report_;
    std::string stamp_; // YYYYMMDD-HHMMSS of this run, for the kept copy and the report
    std::string journalPath_; // the report while the run goes on
    std::string reportPath_;
};

} // namespace onarim
