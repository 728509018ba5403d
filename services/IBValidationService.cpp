#include "services/IBValidationService.h"

#include "client/ClientError.h"
#include "services/ServiceParameterBlock.h"

namespace onarim {

namespace {

constexpr std::int32_t kActionRepair = 3; // isc_action_svc_repair

// Repair flags of the start request.
constexpr std::int32_t kValidateDb = 0x01;
constexpr std::int32_t kSweepDb = 0x02;
constexpr std::int32_t kMendDb = 0x04;
constexpr std::int32_t kListLimboTransactions = 0x08;
constexpr std::int32_t kCheckDb = 0x10;
constexpr std::int32_t kIgnoreChecksum = 0x20;
constexpr std::int32_t kKillShadows = 0x40;
constexpr std::int32_t kFull = 0x80;

} // namespace

void TIBValidationService::BuildStartRequest() {
    using enum TValidateOption;
    SetServiceAction(kActionRepair);
    if (databaseName_.empty()) {
        RaiseClientError(ClientErrorCode::StartParametersMissing, {std::string()});
    }
    std::int32_t first = 0;
    if (options_.Contains(SweepDB)) {
        first |= kSweepDb;
    }
    if (options_.Contains(ValidateDB)) {
        first |= kValidateDb;
    }
    SetStartRequest(std::string(1, static_cast<char>(kActionRepair)));
    AddStartString(databaseName_, kSpbDatabaseName);
    if (first > 0) {
        AddStartInteger(first, kSpbOptions);
    }

    std::int32_t second = 0;
    const struct {
        TValidateOption option;
        std::int32_t flag;
    } secondGroup[] = {
        {LimboTransactions, kListLimboTransactions},
        {CheckDB, kCheckDb},
        {IgnoreChecksum, kIgnoreChecksum},
        {KillShadows, kKillShadows},
        {MendDB, kMendDb},
        {ValidateFull, kFull},
    };
    for (const auto& entry : secondGroup) {
        if (options_.Contains(entry.option)) {
            second |= entry.flag;
        }
    }
    if (options_.Contains(ValidateFull) && !options_.Contains(MendDB)) {
        second |= kValidateDb;
    }
    if (second > 0) {
        AddStartInteger(second, kSpbOptions);
    }
}

} // namespace onarim
