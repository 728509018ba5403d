#include "repair/RepairValidationService.h"

#include "services/IBValidationService.h"

namespace onarim {

void TValidationServiceDeleter::operator()(TIBValidationService* service) const {
    delete service;
}

TValidationServicePtr MakeRepairValidationService() {
    TValidationServicePtr service(new TIBValidationService(nullptr, "IBValidationService1"));
    service->SetLoginPrompt(false);
    service->SetOptions({TValidateOption::IgnoreChecksum, TValidateOption::MendDB});
    service->SetGlobalAction(TTransactionGlobalAction::CommitGlobal);
    service->Params().Assign({"user_name=SYSDBA", "password=1"});
    return service;
}

} // namespace onarim
