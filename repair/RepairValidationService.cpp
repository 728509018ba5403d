#include "repair/RepairValidationService.h"

namespace onarim {

std::unique_ptr<TIBValidationService> MakeRepairValidationService() {
    auto service = std::make_unique<TIBValidationService>(nullptr, "IBValidationService1");
    service->SetLoginPrompt(false);
    service->SetOptions({TValidateOption::IgnoreChecksum, TValidateOption::MendDB});
    service->SetGlobalAction(TTransactionGlobalAction::CommitGlobal);
    service->Params().Assign({"user_name=SYSDBA", "password=1"});
    return service;
}

} // namespace onarim
