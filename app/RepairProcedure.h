#pragma once

#include <string>

#include "app/RepairOperator.h"
#include "app/ServerTools.h"

namespace onarim {

class TIBValidationService;

// Which database server the operator chose; the values are the item indexes of the window's
// radio group.
enum class TServerKind { Firebird = 0, InterBase = 1 };

// Status code with which the server reports damage found by a validation: the start of the
// repair action fails with it, and the error's text is the report.
inline constexpr int kValidationErrorsStatus = 335740952;

// How a run ended, for front ends that report more than the messages (the command line's exit
// status); the window ignores it.
enum class TRepairOutcome {
    NoDatabaseNamed,  // the edit box was empty
    DatabaseNotFound, // no file of that name
    Cancelled,        // no password given
    Sound,            // the first validation reported nothing
    ToolMissing,      // gfix or gbak not found
    BackupFileExists, // a BACKUP.GBK beside the database that is not ours
    BackupFailed,     // the backup did not complete; the database was not touched
    RestoreFailed,    // the restore did not complete; the backup was kept
    Repaired,         // the second validation reported nothing
    NotRepaired,      // the second validation still reported something
};

// Name of the temporary backup written beside the database.
inline constexpr const char* kBackupFileName = "BACKUP.GBK";

// The whole of a repair, run when the operator presses "Onar": checks the named file, asks for
// the SYSDBA password, has the service manager validate the database, and when the validation
// reports anything repairs it with the server's own tools (full validation, backup beside the
// database, restore over it), removes the backup, validates again and tells the outcome.
//
// The database file is only handed to the tools when a backup of it has been written: a file
// named BACKUP.GBK already beside the database stops the run before any tool runs, a backup
// that fails stops it before the restore, and a restore that fails keeps the backup.
//
// Errors of the service component and of the registry are not caught: they leave Run, for the
// front end's error display. The procedure keeps nothing between runs; the service component
// may be left attached.
class TRepairProcedure {
public:
    TRepairProcedure(TIBValidationService& service, IRepairOperator& repairOperator,
                     const IFileNameBox& fileNameBox, IServerTools& tools);

    TRepairOutcome Run(TServerKind serverKind);

private:
    std::string Validate(TRepairStep step, const std::string& userLine,
                         const std::string& passwordLine, const std::string& fileName);
    void ReadRestOfOutput(TRepairStep step);
    int RunTool(TRepairStep step, const std::string& commandLine);
    void Output(TRepairStep step, const std::string& line);
    bool RequireTool(const std::string& path);
    void Tell(const std::string& text, const std::string& caption);

    TIBValidationService& service_;
    IRepairOperator& operator_;
    const IFileNameBox& fileNameBox_;
    IServerTools& tools_;
    std::string details_; // every line of the run's validations and tools, for the closing box
};

// Everything up to and including the last path separator of `fileName`; empty without one.
std::string DirectoryPart(const std::string& fileName);

} // namespace onarim
