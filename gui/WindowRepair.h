#pragma once

#include "repair/RepairProcedure.h"

namespace onarim {

// The repair of one "Onar" click, run on the window's worker thread: builds the repair
// procedure with what the window hands over and runs it. The one place where the window
// chooses how the procedure is set up. Raises what the procedure raises.
TRepairOutcome RunWindowRepair(TIBValidationService& service, IRepairOperator& repairOperator,
                               const IFileNameBox& fileNameBox, IServerTools& tools,
                               TServerKind serverKind);

} // namespace onarim
