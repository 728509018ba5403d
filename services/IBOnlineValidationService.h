#pragma once

#include <cstdint>
#include <string>

#include "services/IBControlAndQueryService.h"

namespace onarim {

// Starts Firebird 3's online validation of DatabaseName (every user table and its indexes)
// and reads its report (inherited). Unlike the repair action it reads only: other
// attachments stay connected, and a table another transaction holds locked is skipped after
// LockTimeout seconds and said so in the report. Damage does not fail the start: it is
// reported line by line ("Relation 128 (T1) : 1 ERRORS found").
class TIBOnlineValidationService : public TIBControlAndQueryService {
public:
    using TIBControlAndQueryService::TIBControlAndQueryService;

    // Path of the database as the server sees it; sent byte for byte.
    const std::string& DatabaseName() const noexcept { return databaseName_; }
    void SetDatabaseName(std::string name) { databaseName_ = std::move(name); }
    // How long the validation waits for each table's lock, in seconds.
    std::int32_t LockTimeout() const noexcept { return lockTimeout_; }
    void SetLockTimeout(std::int32_t seconds) noexcept { lockTimeout_ = seconds; }

protected:
    // The validate action (30) with the database item and the lock timeout item. Raises
    // EIBClientError 94 for an empty DatabaseName (after the action code has been set).
    void BuildStartRequest() override;

private:
    std::string databaseName_;
    std::int32_t lockTimeout_ = 10; // the server's own default
};

} // namespace onarim
