#include "client/DatabaseError.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "client/ClientEntryPoints.h"
#include "client/IBErrors.h"
#include "client/StatusVector.h"

namespace onarim {

namespace {

std::mutex optionsLock;
DatabaseErrorOptions options;

inline constexpr std::int32_t kNoPermissionSqlCode = -551;

} // namespace

DatabaseErrorOptions GetDatabaseErrorOptions() {
    std::lock_guard lock(optionsLock);
    return options;
}

void SetDatabaseErrorOptions(const DatabaseErrorOptions& newOptions) {
    std::lock_guard lock(optionsLock);
    options = newOptions;
}

void RaiseDatabaseError() {
    std::string message;
    ISC_STATUS* statusVector = ThreadStatusVector();
    const auto statusErrorCode = static_cast<std::int32_t>(statusVector[1]);
    DatabaseErrorOptions current = GetDatabaseErrorOptions();
    const auto& client = ClientEntryPoints();
    const auto sqlCode = static_cast<std::int32_t>(client.isc_sqlcode(statusVector));

    if (current.IncludeSqlCode) {
        message += "SQLCODE: " + std::to_string(sqlCode);
    }
    // The SQL message text is never part of the message, whatever the options say.
    current.IncludeSqlText = false;
    if (current.IncludeServerText) {
        if (current.IncludeSqlCode) {
            message += "\r\n";
        }
        const auto buffer = std::make_unique<char[]>(kInterpreteBufferSize);
        ISC_STATUS* cursor = ThreadStatusVector();
        while (true) {
            std::memset(buffer.get(), 0, kInterpreteBufferSize);
            if (client.isc_interprete(buffer.get(), &cursor) <= 0) {
                break;
            }
            if (!message.empty() && message.back() != '\n') {
                message += "\r\n";
            }
            message.append(buffer.get(), strnlen(buffer.get(), kInterpreteBufferSize));
        }
    }
    if (!message.empty() && message.back() == '.') {
        message.pop_back();
    }
    if (sqlCode == kNoPermissionSqlCode) {
        throw EIBInterBaseRoleError(sqlCode, statusErrorCode, message);
    }
    throw EIBInterBaseError(sqlCode, statusErrorCode, message);
}

} // namespace onarim
