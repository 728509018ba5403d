#pragma once

#include <string>

#include "repair/Accounting.h"
#include "repair/RepairReport.h"
#include "repair/ServerTools.h"
#include "repair/StepLog.h"
#include "recovery/Credentials.h"
#include "recovery/Salvage.h"

namespace onarim {

// The recovery of what the repair lost, from the kept original: each reads a transient copy of
// it (attaching writes to a file) and removes it when done.
class TLostDataSteps {
public:
    TLostDataSteps(IServerTools& tools, TStepLog& log, TRepairReport& report,
                   TCredentials credentials, std::string stamp)
        : tools_(tools), log_(log), report_(report), credentials_(std::move(credentials)),
          stamp_(std::move(stamp)) {}

    // Writes back into the repaired `database` what the kept copy still holds and it lacks.
    // A failure is told as a failed step; the run goes on.
    void PutBack(const std::string& database);

    // Builds a new database at `target` from the metadata and every row the kept copy of
    // `database` still gives, when gbak could not back it up. Returns why it failed, empty
    // when it succeeded (the result is in the report).
    std::string Salvage(const std::string& database, const std::string& target,
                        const TGbakRunner& gbak);

private:
    IServerTools& tools_;
    TStepLog& log_;
    TRepairReport& report_;
    TCredentials credentials_;
    std::string stamp_;
};

} // namespace onarim
