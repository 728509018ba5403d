#include "services/IBOnlineValidationService.h"

#include "client/ClientError.h"
#include "services/ServiceParameterBlock.h"

namespace onarim {

namespace {

constexpr std::int32_t kActionValidate = 30; // isc_action_svc_validate
constexpr std::uint8_t kSpbLockTimeout = 5;  // isc_spb_val_lock_timeout

} // namespace

void TIBOnlineValidationService::BuildStartRequest() {
    SetServiceAction(kActionValidate);
    if (databaseName_.empty()) {
        RaiseClientError(ClientErrorCode::StartParametersMissing, {std::string()});
    }
    SetStartRequest(std::string(1, static_cast<char>(kActionValidate)));
    AddStartString(databaseName_, kSpbDatabaseName);
    AddStartInteger(lockTimeout_, kSpbLockTimeout);
}

} // namespace onarim
