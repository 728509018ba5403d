#include "gui/WindowRepair.h"

namespace onarim {

TRepairOutcome RunWindowRepair(TIBValidationService& service, IRepairOperator& repairOperator,
                               const IFileNameBox& fileNameBox, IServerTools& tools,
                               TServerKind serverKind) {
    return TRepairProcedure(service, repairOperator, fileNameBox, tools).Run(serverKind);
}

} // namespace onarim
