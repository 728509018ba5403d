#pragma once

#include <optional>
#include <string>
#include <vector>

#include "repair/RepairReport.h"
#include "repair/ServerTools.h"

namespace onarim {

// What the report of a run that never ended says: the report is written as soon as a run
// begins, with the outcome "running", its process and every file it makes before it makes
// it, and rewritten after every step, so a run that was killed (a power cut, SIGKILL) leaves
// it behind.
struct TUnfinishedRun {
    std::string reportPath;
    ProcessIdentity process;
    bool running = false;     // that process still runs: its repair is not over
    std::string lastStep;     // the step it was in (a step name, "restore"); empty before any
    std::string keptCopy;     // its kept copy, made whole; empty when it made none
    std::vector<TRunFile> files;
};

// The report of a run on `database` (by its path) that never ended (outcome "running") or was
// interrupted, and that no later run has taken over; the newest one; nothing when there is
// none. Reports that cannot be read or are not this program's are passed over.
std::optional<TUnfinishedRun> FindUnfinishedRun(IServerTools& tools, const std::string& database);

// Cleans up after `earlier`, whose process is gone: removes every file it made except its kept
// copy (the partial restore, the backup, transient copies, a partial salvage, and the
// temporary names its copies had while being written), and marks its report "interrupted" and
// taken over by the report at `takenOverBy`. Returns lines for the operator: what it found
// and what it removed.
std::vector<std::string> CloseUnfinishedRun(IServerTools& tools, const TUnfinishedRun& earlier,
                                            const std::string& takenOverBy);

} // namespace onarim
