#pragma once

// What the steps of one run of TRepairProcedure share; for the procedure's own sources.
#include "repair/Accounting.h"
#include "repair/LostDataSteps.h"
#include "repair/PageCheckStep.h"
#include "repair/RepairProcedure.h"
#include "repair/RunFiles.h"
#include "repair/StepLog.h"
#include "repair/ToolSteps.h"
#include "repair/Validation.h"

namespace onarim {

// What the steps of one run share. Its members release what they hold as the run ends, on
// every way out: the kept copy that nothing changed, the count still running.
struct TRepairProcedure::TRun {
    TRun(TRepairProcedure& procedure, std::string database, const std::string& password)
        : fileName(std::move(database)), credentials{kSysdba, password},
          log(procedure.operator_, procedure.report_, [&procedure] { procedure.SaveReport(); }),
          keptCopy(procedure.tools_, procedure.report_.keptCopy),
          validator(procedure.service_, procedure.tools_, log, procedure.options_.validator),
          accounting(procedure.tools_, log, procedure.report_, credentials,
                     MendCopies(procedure.tools_)),
          lostData(procedure.tools_, log, procedure.report_, credentials, fileName,
                   procedure.stamp_,
                   [&procedure](const TRunFile& file) { procedure.NoteFile(file); },
                   MendCopies(procedure.tools_)) {}

    // Every copy of the original that a count or the recovery reads gets the pages mended
    // that the database got.
    TCopyPreparation MendCopies(IServerTools& tools) {
        return [this, &tools](const std::string& copy) {
            if (pages.mends) {
                tools.ApplyPageMends(copy, *pages.mends);
            }
        };
    }

    // The first validation logs in with the lower-case lines, the second adds the upper-case
    // ones to the component's list.
    TValidationLogin FirstLogin() const {
        return {"user_name=SYSDBA", "password=" + credentials.password, credentials.password};
    }
    TValidationLogin SecondLogin() const {
        return {"USER_NAME=SYSDBA", "PASSWORD=" + credentials.password, credentials.password};
    }

    std::string fileName;
    TCredentials credentials;
    TPageCheckResult pages;
    TStepLog log;
    TKeptCopy keptCopy;
    TValidator validator;
    TAccounting accounting;
    TLostDataSteps lostData;
};

} // namespace onarim
