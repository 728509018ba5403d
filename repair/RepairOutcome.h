#pragma once

#include <string>

namespace onarim {

// Which database server the operator chose; the values are the item indexes of the window's
// radio group.
enum class TServerKind { Firebird = 0, InterBase = 1 };

// How a run ended, for front ends that report more than the messages (the command line's exit
// status); the window ignores it.
enum class TRepairOutcome {
    NoDatabaseNamed,    // the edit box was empty
    DatabaseNotFound,   // no file of that name
    NotADatabase,       // an empty file, or one that is no Firebird or InterBase database
    Cancelled,          // no password given
    PreflightRefused,   // the file, its folder, the free space, another attachment or another
                        // repair still running on it said no
    Sound,              // the first validation reported nothing
    ToolMissing,        // gfix or gbak not found
    BackupFileExists,   // a BACKUP.GBK beside the database that is not ours
    BackupFailed,       // the backup did not complete; the database was not touched
    RestoreFailed,      // the restore did not complete; the backup was kept
    Repaired,           // the second validation reported nothing and nothing was lost
    RepairedWithLosses, // the second validation reported nothing, but data was lost or may be
    Salvaged,           // the backup failed; what could be read went into a new database
    NotRepaired,        // the second validation still reported something
    Interrupted,        // the process was asked to stop (SIGINT, SIGTERM, SIGHUP)
};

// The outcome's name in the report: "repaired-with-losses" and so on.
std::string RepairOutcomeName(TRepairOutcome outcome);

} // namespace onarim
