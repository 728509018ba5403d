#include "repair/RepairProcedure.h"

#include <csignal>

#include "client/IBErrors.h"
#include "platform/Exception.h"
#include "platform/ProcessRunner.h"
#include "repair/BusyCursor.h"
#include "repair/Interruption.h"
#include "repair/Preflight.h"
#include "repair/RepairMessages.h"
#include "repair/RepairRun.h"
#include "services/IBValidationService.h"

namespace onarim {

using namespace messages;

TRepairProcedure::TRepairProcedure(TIBValidationService& service, IRepairOperator& repairOperator,
                                   const IFileNameBox& fileNameBox, IServerTools& tools,
                                   TRepairOptions options)
    : service_(service), operator_(repairOperator), fileNameBox_(fileNameBox), tools_(tools),
      options_(std::move(options)) {
    if (options_.validator.empty()) {
        options_.validator = tools_.ValidatorProgram();
    }
}

TRepairOutcome TRepairProcedure::Run(TServerKind serverKind) {
    report_ = {};
    journalPath_.clear();
    reportPath_.clear();
    report_.started = options_.clock();
    stamp_ = LocalTimeText(report_.started, "%Y%m%d-%H%M%S");

    if (fileNameBox_.Text().empty()) {
        return Tell(TRepairOutcome::NoDatabaseNamed, NoDatabaseNamed(), kInformation);
    }
    const std::string fileName = fileNameBox_.FileName();
    report_.database = fileName;
    // Two runs in one second (a run killed at once and run again) get names of their own.
    const std::string second = stamp_;
    for (int n = 2; tools_.FileExists(ReportFileName(fileName, stamp_)) ||
                    tools_.FileExists(KeptCopyName(fileName, stamp_));
         ++n) {
        stamp_ = second + "-" + std::to_string(n);
    }
    if (!tools_.FileExists(fileName)) {
        return Tell(TRepairOutcome::DatabaseNotFound, DatabaseNotFound(fileName), kInformation);
    }
    if (const auto refusal =
            CheckDatabaseFile(fileName, tools_.InspectDatabaseFile(fileName), options_.keepCopy)) {
        return Tell(refusal->outcome, refusal->text, refusal->caption);
    }
    const auto earlier = FindUnfinishedRun(tools_, fileName);
    if (earlier && earlier->running) {
        return Tell(TRepairOutcome::PreflightRefused,
                    RepairRunning(fileName, earlier->process.pid, earlier->reportPath), kWarning);
    }
    const std::string password = operator_.ShowPasswordDialog();
    if (password.empty()) {
        return TRepairOutcome::Cancelled;
    }
    try {
        return Start(serverKind, fileName, password, earlier ? &*earlier : nullptr);
    } catch (const EInterrupted& interrupted) {
        return Finish(TRepairOutcome::Interrupted, Interrupted(interrupted.Signal()), kWarning);
    } catch (const std::exception& error) {
        EndAfterError(error.what());
        throw;
    }
}

// Everything after the password: the report is written from here on.
TRepairOutcome TRepairProcedure::Start(TServerKind serverKind, const std::string& fileName,
                                       const std::string& password, const TUnfinishedRun* earlier) {
    TRun run(*this, fileName, password);
    journalPath_ = ReportFileName(fileName, stamp_);
    report_.outcome = "running";
    report_.process = ThisProcess();
    if (earlier != nullptr) {
        TakeOverEarlierRun(run, *earlier);
    }
    SaveReport();
    try {
        // The copy comes first: looking for other attachments attaches, and an attachment
        // rewrites the database's header page, so the copy would no longer be the file as it was.
        if (options_.keepCopy && !run.keptCopy.Exists()) {
            const std::string copy = KeptCopyName(fileName, stamp_);
            NoteFile({copy, "kept-copy"});
            if (const std::string failure = run.keptCopy.Make(run.log, fileName, copy);
                !failure.empty()) {
                tools_.DeleteFile(journalPath_);
                return Tell(TRepairOutcome::PreflightRefused, CopyNotMade(failure), kWarning);
            }
        }
        // Before any attachment: an engine refuses a file whose header page is garbage.
        run.pages = CheckAndMendPages(tools_, run.log, report_, fileName, run.keptCopy.Exists());
        if (run.pages.written > 0) {
            run.keptCopy.Keep();
        } else if (run.pages.toWrite > 0 && !run.pages.heldElsewhere) {
            tools_.DeleteFile(journalPath_);
            return Tell(TRepairOutcome::PreflightRefused, PagesNeedACopy(run.pages.toWrite),
                        kWarning);
        }
        if (run.pages.heldElsewhere || tools_.DatabaseInUse(fileName, run.credentials)) {
            run.keptCopy.Discard();
            tools_.DeleteFile(journalPath_);
            return Tell(TRepairOutcome::PreflightRefused,
                        FileRefusal(TFileRefusal::InUse, fileName), kWarning);
        }
        if (!options_.keepCopy) {
            run.accounting.CountBefore(fileName);
        }
        const std::string report = FirstValidation(run);
        // Read before the report is looked at, so a registry fault shows for a sound database too.
        const std::string toolDir = ToolDir(serverKind);
        if (!report.empty()) {
            return Repair(run, toolDir);
        }
        if (run.keptCopy.Adopted()) {
            return FinishEarlierRepair(run);
        }
        if (run.pages.written > 0) {
            // The mended pages were all that was wrong: nothing was lost, no tool is needed.
            return Finish(TRepairOutcome::Repaired, messages::Repaired(nullptr), kInformation);
        }
        // Nothing was changed: the copy has nothing to keep, and the report nothing to tell.
        run.keptCopy.Discard();
        tools_.DeleteFile(journalPath_);
        return Tell(TRepairOutcome::Sound, NoErrorsFound(fileName), kInformation);
    } catch (const EInterrupted&) {
        run.keptCopy.Keep();
        throw;
    }
}

// A run that was killed left files and, perhaps, its kept copy of the true original: the files
// go, the copy becomes this run's original.
void TRepairProcedure::TakeOverEarlierRun(TRun& run, const TUnfinishedRun& earlier) {
    report_.earlierRun = CloseUnfinishedRun(tools_, earlier, journalPath_);
    if (!earlier.keptCopy.empty() && tools_.FileExists(earlier.keptCopy)) {
        run.keptCopy.Adopt(earlier.keptCopy);
        report_.files.push_back({earlier.keptCopy, "kept-copy"});
        report_.earlierRun.push_back(EarlierKeptCopyTakenOver(earlier.keptCopy));
    }
}

// The first validation, on a component cleared of what an earlier run left. Once it got past
// its attach it may have mended the file: the copy then stays, also when an error ends the
// run, and the error names it.
std::string TRepairProcedure::FirstValidation(TRun& run) {
    service_.SetActive(false);
    service_.Params().Clear();
    try {
        return run.validator.Validate(TRepairStep::FirstValidation, run.FirstLogin(), run.fileName,
                                      [&run] { run.keptCopy.Keep(); });
    } catch (const EIBInterBaseError& error) {
        if (!run.keptCopy.Exists() || !run.keptCopy.Kept()) {
            throw;
        }
        throw EIBInterBaseError(error.SqlErrorCode(), error.StatusErrorCode(),
                                error.Message() + KeptCopyLine(run.keptCopy.Path()),
                                error.StatusCodes());
    }
}

std::string TRepairProcedure::ToolDir(TServerKind serverKind) {
    switch (serverKind) {
    case TServerKind::Firebird:
        return tools_.FirebirdToolDir();
    case TServerKind::InterBase:
        return tools_.InterBaseToolDir();
    }
    return {};
}

TRepairOutcome TRepairProcedure::Repair(TRun& run, const std::string& toolDir) {
    TToolSteps toolSteps(tools_, run.log, toolDir, run.credentials);
    if (!RequireTool(toolSteps.Gfix()) || !RequireTool(toolSteps.Gbak())) {
        return TRepairOutcome::ToolMissing;
    }
    // The backup's name is fixed: never overwrite (and later delete) a file we did not write.
    const std::string backup = BackupFileName(run.fileName);
    if (tools_.FileExists(backup)) {
        return Finish(TRepairOutcome::BackupFileExists, BackupFileExists(backup), kWarning);
    }
    // The file the server opens, through a symbolic link too: it is what the restore replaces.
    const std::string target = tools_.ResolvedPath(run.fileName);
    const std::string restored = RestoredFileName(target, stamp_);
    NoteFile({restored, "restore"});
    TMadeFile backupFile(tools_, backup);
    TMadeFile restoredFile(tools_, restored);
    const TToolsRan ran = RunTools(run, toolSteps, backup, restored);
    KeepToolFindings(toolSteps.Summary());
    if (!ran.backedUp) {
        const std::string failure =
            messages::BackupFailed() + BecauseOf(ToolFailureReason(OutputOf(TRepairStep::Backup)));
        return run.keptCopy.Exists()
                   ? Salvage(run, toolSteps, TSalvageCause::BackupFailed, failure, nullptr)
                   : Finish(TRepairOutcome::BackupFailed, failure, kInformation);
    }
    if (!ran.restored) {
        // The database path holds what it held before the restore; what can be read goes
        // into a new database beside it, as when the backup fails.
        const std::string reason = BecauseOf(ToolFailureReason(OutputOf(TRepairStep::Restore)));
        if (run.keptCopy.Exists()) {
            return Salvage(run, toolSteps, TSalvageCause::RestoreFailed,
                           RestoreFailed(backup) + reason, &backupFile);
        }
        backupFile.Keep();
        return Finish(TRepairOutcome::RestoreFailed, RestoreFailed(backup) + reason, kInformation);
    }
    return PutInPlace(run, restoredFile, target);
}

// gfix, the backup (the count before the repair alongside) and the restore into a new file.
TRepairProcedure::TToolsRan TRepairProcedure::RunTools(TRun& run, TToolSteps& toolSteps,
                                                       const std::string& backup,
                                                       const std::string& restored) {
    if (run.keptCopy.Exists()) {
        const std::string countCopy = TransientCopyName(run.fileName, stamp_, "sayim");
        NoteFile({countCopy, "transient"});
        run.accounting.StartCountBefore(run.keptCopy.Path(), run.pages.Mends(), countCopy,
                                        options_.countAlongsideTools);
    }
    TToolsRan ran;
    const TBusyCursor busy(operator_);
    toolSteps.FullValidation(run.fileName);
    if (BackupIntoRestore(run, toolSteps, restored, ran)) {
        return ran;
    }
    NoteFile({backup, "backup"});
    ran.backedUp = toolSteps.Backup(run.fileName, backup) == 0 && tools_.FileExists(backup);
    run.accounting.FinishCountBefore();
    NoteRowsTheBackupMissed(toolSteps.Summary());
    if (ran.backedUp) {
        ran.restored = toolSteps.Restore(backup, restored) == 0 && tools_.FileExists(restored);
    }
    // A failed backup is no backup; a failed restore keeps it until the salvage has done.
    if (!ran.backedUp || ran.restored) {
        tools_.DeleteFile(backup);
    }
    return ran;
}

// The backup streamed straight into the restore: no backup file beside the database, and the
// two at once. Where that fails for any reason but the backup's own (a restore that fails, or
// ends first and so breaks the backup's pipe), both are run again the usual way, so that a
// failed restore leaves its backup as it always did. True when this settled the tools' run.
bool TRepairProcedure::BackupIntoRestore(TRun& run, TToolSteps& toolSteps,
                                         const std::string& restored, TToolsRan& ran) {
    const auto streamed = toolSteps.BackupIntoRestore(run.fileName, restored);
    if (!streamed) {
        return false;
    }
    const auto [backupStatus, restoreStatus] = *streamed;
    ran.backedUp = backupStatus == 0;
    ran.restored = ran.backedUp && restoreStatus == 0 && tools_.FileExists(restored);
    if (!ran.restored && tools_.FileExists(restored)) {
        tools_.DeleteFile(restored);
    }
    if (!ran.restored && (ran.backedUp || backupStatus == kSignalExitBase + SIGPIPE)) {
        toolSteps.ForgetTransfers();
        ran = {};
        return false;
    }
    run.accounting.FinishCountBefore();
    NoteRowsTheBackupMissed(toolSteps.Summary());
    return true;
}

// The restored database, validated, counted and given back what it lost, replaces the
// database in one rename; one that still reports errors stays beside it.
TRepairOutcome TRepairProcedure::PutInPlace(TRun& run, TMadeFile& restoredFile,
                                            const std::string& target) {
    const std::string& restored = restoredFile.Path();
    // The server runs as the database's owner: the new file must be as open to it.
    tools_.MatchOwnerAndMode(restored, target);
    tools_.StartWritingOut(restored);
    const std::string secondReport =
        run.validator.Validate(TRepairStep::SecondValidation, run.SecondLogin(), restored, [] {});
    run.accounting.CountAfter(restored, TAccounting::TCounted::MadeByRun);
    if (report_.losses.Any() && report_.before && run.keptCopy.Exists()) {
        run.lostData.PutBack(restored, true);
        if (report_.recovery) {
            run.accounting.CountAfter(restored, TAccounting::TCounted::MadeByRun, true);
        }
    }
    restoredFile.Keep();
    if (!secondReport.empty()) {
        report_.restored = restored;
        return Finish(TRepairOutcome::NotRepaired, NotRepaired(report_.losses, restored),
                      kInformation);
    }
    tools_.ReplaceFile(restored, target);
    return Completed(run, secondReport);
}

// The first validation found nothing, but an earlier run of this repair was killed after it
// had changed the database: what it would have counted and put back is done now, against its
// kept copy of the true original.
TRepairOutcome TRepairProcedure::FinishEarlierRepair(TRun& run) {
    const std::string countCopy = TransientCopyName(run.fileName, stamp_, "sayim");
    NoteFile({countCopy, "transient"});
    run.accounting.StartCountBefore(run.keptCopy.Path(), run.pages.Mends(), countCopy, false);
    run.accounting.FinishCountBefore();
    run.accounting.CountAfter(run.fileName, TAccounting::TCounted::Database);
    if (report_.losses.Any() && report_.before) {
        run.lostData.PutBack(run.fileName, false);
        if (report_.recovery) {
            run.accounting.CountAfter(run.fileName, TAccounting::TCounted::Database, true);
        }
    }
    return Completed(run, {});
}

TRepairOutcome TRepairProcedure::Completed(TRun& run, const std::string& secondReport) {
    static_cast<void>(run);
    const TRecoveryResult* putBack = report_.recovery ? &*report_.recovery : nullptr;
    if (!secondReport.empty()) {
        return Finish(TRepairOutcome::NotRepaired, NotRepaired(report_.losses, {}), kInformation);
    }
    if (report_.losses.Any()) {
        return Finish(TRepairOutcome::RepairedWithLosses,
                      RepairedWithLosses(report_.losses, putBack), kWarning);
    }
    return Finish(TRepairOutcome::Repaired, messages::Repaired(putBack), kInformation);
}

// When gbak cannot back the database up: a new database beside it, built from its metadata and
// every row that can still be read from the kept original. The damaged database stays where
// it is.
TRepairOutcome TRepairProcedure::Salvage(TRun& run, TToolSteps& toolSteps, TSalvageCause cause,
                                         const std::string& failure, TMadeFile* backupFile) {
    const std::string target = SalvageTargetName(
        run.fileName, stamp_, tools_.FileExists(SalvageTargetName(run.fileName, stamp_, false)));
    const std::string salvageFailure = run.lostData.Salvage(target, toolSteps.Gbak());
    if (!salvageFailure.empty()) {
        // Nothing else holds what the backup holds: it stays, named in the message.
        if (backupFile != nullptr) {
            backupFile->Keep();
        }
        return Finish(cause == TSalvageCause::BackupFailed ? TRepairOutcome::BackupFailed
                                                           : TRepairOutcome::RestoreFailed,
                      SalvageFailed(failure, salvageFailure), kInformation);
    }
    const std::string report =
        run.validator.Validate(TRepairStep::SecondValidation, run.SecondLogin(), target, [] {});
    run.accounting.CountAfter(target, TAccounting::TCounted::MadeByRun, true);
    return Finish(TRepairOutcome::Salvaged,
                  messages::Salvaged(cause == TSalvageCause::RestoreFailed, target, run.fileName,
                                     *report_.salvage, report_.losses, !report.empty()),
                  kWarning);
}

} // namespace onarim
