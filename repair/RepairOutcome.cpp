#include "repair/RepairOutcome.h"

namespace onarim {

std::string RepairOutcomeName(TRepairOutcome outcome) {
    switch (outcome) {
    case TRepairOutcome::NoDatabaseNamed: return "no-database-named";
    case TRepairOutcome::DatabaseNotFound: return "database-not-found";
    case TRepairOutcome::NotADatabase: return "not-a-database";
    case TRepairOutcome::Cancelled: return "cancelled";
    case TRepairOutcome::PreflightRefused: return "preflight-refused";
    case TRepairOutcome::Sound: return "sound";
    case TRepairOutcome::ToolMissing: return "tool-missing";
    case TRepairOutcome::BackupFileExists: return "backup-file-exists";
    case TRepairOutcome::BackupFailed: return "backup-failed";
    case TRepairOutcome::RestoreFailed: return "restore-failed";
    case TRepairOutcome::Repaired: return "repaired";
    case TRepairOutcome::RepairedWithLosses: return "repaired-with-losses";
    case TRepairOutcome::Salvaged: return "salvaged";
    case TRepairOutcome::NotRepaired: return "not-repaired";
    case TRepairOutcome::Interrupted: return "interrupted";
    }
    return {};
}

} // namespace onarim
