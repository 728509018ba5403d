#pragma once

#include <functional>
#include <string>

#include "recovery/Credentials.h"
#include "recovery/Salvage.h"
#include "repair/Accounting.h"
#include "repair/RepairReport.h"
#include "repair/RunFiles.h"
#include "repair/ServerTools.h"
#include "repair/StepLog.h"

namespace onarim {

// The recovery of what the repair lost, from the kept original: each reads a transient copy of
// it (attaching writes to a file) and removes it when done.
class TLostDataSteps {
public:
    // `database` names the transient copies beside it; `noteFile` is told of each before it
    // is made (the run's report lists them).
    TLostDataSteps(IServerTools& tools, TStepLog& log, TRepairReport& report,
                   TCredentials credentials, std::string database, std::string stamp,
                   std::function<void(const TRunFile&)> noteFile, TCopyPreparation prepare)
        : tools_(tools), log_(log), report_(report), credentials_(std::move(credentials)),
          database_(std::move(database)), stamp_(std::move(stamp)), noteFile_(std::move(noteFile)),
          prepare_(std::move(prepare)) {}

    // Writes back into the repaired database at `repaired` what the kept copy still holds and
    // it lacks, in the tables the losses name (every table when the count failed). `madeByRun`:
    // the run made it and nobody else opens it yet (see TRepairedDatabase). A failure is told
    // as a failed step; the run goes on.
    void PutBack(const std::string& repaired, bool madeByRun);

    // Builds a new database at `target` from the metadata (through the gbak at `gbak`) and
    // every row the kept copy still gives, when gbak could not back the database up. Returns why it
    // failed, empty when it succeeded (the result is in the report); a failed salvage leaves no
    // `target`.
    std::string Salvage(const std::string& target, const std::string& gbak);

private:
    // Whether the database's pages were mended since the kept copy was made (TOriginalFiles).
    bool KeptCopyMended() const;

    IServerTools& tools_;
    TStepLog& log_;
    TRepairReport& report_;
    std::string TransientPath(const char* purpose);

    TCredentials credentials_;
    std::string database_;
    std::string stamp_;
    std::function<void(const TRunFile&)> noteFile_;
    TCopyPreparation prepare_;
};

} // namespace onarim
