#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "repair/RepairReport.h"
#include "repair/ServerTools.h"
#include "repair/StepLog.h"

namespace onarim {

// What the page check leaves for the run to decide.
struct TPageCheckResult {
    std::size_t written = 0; // pages mended or rebuilt in the database
    std::size_t toWrite = 0; // pages it found to write (none is written without a kept copy)
    bool heldElsewhere = false; // another process has the file open: nothing was written
    // What was written, to write into every byte copy of the original as well (the transient
    // copies that the counts and the recovery read), so that they read what the database does.
    std::optional<ods::TPageCheck> mends;

    const ods::TPageCheck* Mends() const { return mends ? &*mends : nullptr; }
};

// The run's step "page-check": every page's standard header is compared with what the
// database's own structure says the page must be, and every page the check is sure of is
// mended in the database itself (the kept copy stays as it was), each told as a line of the
// step and recorded in the report. Pages only when `mayWrite` (a kept copy exists) and no
// other process has the file open. A file the check cannot read or judge (another on-disk
// version, encryption, an nbackup state, several files) is told so and left to the
// validation.
TPageCheckResult CheckAndMendPages(IServerTools& tools, TStepLog& log, TRepairReport& report,
                                   const std::string& database, bool mayWrite);

} // namespace onarim
