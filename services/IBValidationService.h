#pragma once

#include <cstdint>
#include <string>

#include "platform/EnumSet.h"
#include "services/IBControlAndQueryService.h"

namespace onarim {

// Validation options, in the bit order of the stored settings.
enum class TValidateOption : std::uint8_t {
    LimboTransactions = 0,
    CheckDB = 1,
    IgnoreChecksum = 2,
    KillShadows = 3,
    MendDB = 4,
    SweepDB = 5,
    ValidateDB = 6,
    ValidateFull = 7,
};
using TValidateOptions = EnumSet<TValidateOption, std::uint8_t, 8>;

// Stored with the settings; nothing reads it and it adds nothing to any request.
enum class TTransactionGlobalAction : std::uint8_t {
    CommitGlobal = 0,
    RollbackGlobal = 1,
    RecoverTwoPhaseGlobal = 2,
    NoGlobalAction = 3,
};

// Starts the server's database repair action on DatabaseName with the validation Options,
// and reads its output (inherited).
class TIBValidationService : public TIBControlAndQueryService {
public:
    using TIBControlAndQueryService::TIBControlAndQueryService;

    // Path of the database as the server sees it; sent byte for byte. May change while attached.
    const std::string& DatabaseName() const noexcept { return databaseName_; }
    void SetDatabaseName(std::string name) { databaseName_ = std::move(name); }
    TValidateOptions Options() const noexcept { return options_; }
    void SetOptions(TValidateOptions options) noexcept { options_ = options; }
    TTransactionGlobalAction GlobalAction() const noexcept { return globalAction_; }
    void SetGlobalAction(TTransactionGlobalAction action) noexcept { globalAction_ = action; }

protected:
    // The repair action (3) with the database item and up to two options items: the first
    // carries only the sweep and validate flags. Raises EIBClientError 94 for an empty
    // DatabaseName (after the action code has been set).
    void BuildStartRequest() override;

private:
    std::string databaseName_;
    TValidateOptions options_;
    TTransactionGlobalAction globalAction_ = TTransactionGlobalAction::CommitGlobal;
};

} // namespace onarim
