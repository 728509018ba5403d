#pragma once

#include <optional>
#include <string>

#include "repair/RepairOutcome.h"
#include "repair/ServerTools.h"

namespace onarim {

// Why a run refuses to start, as the operator is told.
struct TRefusal {
    TRepairOutcome outcome;
    std::string text;
    std::string caption;
};

// Pre-flight of the file itself, before anything has been asked or changed: the file must be a
// database, readable and writable, on a writable file system, in a folder that takes new files,
// with free space for what the run writes beside it (RequiredFreeBytes). Nothing when it may
// go on.
std::optional<TRefusal> CheckDatabaseFile(const std::string& fileName,
                                          const TDatabaseFileFacts& facts, bool keepCopy);

} // namespace onarim
