#include "client/DatabaseError.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "client/ClientEntryPoints.h"
#include "client/ClientError.h"
#include "client/IBErrors.h"
#include "client/StatusVector.h"

namespace onarim {

namespace {

std::mutex optionsLock;
DatabaseErrorOptions options;

inline constexpr std::int32_t kNoPermissionSqlCode = -551;

// The error codes (isc_arg_gds items) of a status vector, stepping over the arguments between
// them; never past the vector's end.
std::vector<std::int32_t> ErrorCodes(const ISC_STATUS* vector) {
    std::vector<std::int32_t> codes;
    int i = 0;
    while (i + 1 < kStatusVectorLength && vector[i] != isc_arg_end) {
        const ISC_STATUS kind = vector[i];
        if (kind == isc_arg_gds) {
            codes.push_back(static_cast<std::int32_t>(vector[i + 1]));
        }
        i += kind == isc_arg_cstring ? 3 : 2;
    }
    return codes;
}

// Whether isc_interprete moved the cursor forward from `from` to `to` and left it inside the
// vector. A library that does not (seen: one that never advanced it) would otherwise have the
// next call read past the vector or hand out the same line for ever. Compared as addresses,
// since a cursor thrown outside the vector is no pointer into it.
bool CursorAdvancedWithin(const ISC_STATUS* vector, const ISC_STATUS* from, const ISC_STATUS* to) {
    const auto address = [](const ISC_STATUS* pointer) {
        return reinterpret_cast<std::uintptr_t>(pointer);
    };
    return address(to) > address(from) && address(to) < address(vector + kStatusVectorLength);
}

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
        ISC_STATUS* cursor = statusVector;
        while (true) {
            std::memset(buffer.get(), 0, kInterpreteBufferSize);
            ISC_STATUS* const lineStart = cursor;
            if (client.isc_interprete(buffer.get(), &cursor) <= 0) {
                break;
            }
            if (!message.empty() && message.back() != '\n') {
                message += "\r\n";
            }
            message.append(buffer.get(), strnlen(buffer.get(), kInterpreteBufferSize));
            if (!CursorAdvancedWithin(statusVector, lineStart, cursor)) {
                break;
            }
        }
    }
    if (!message.empty() && message.back() == '.') {
        message.pop_back();
    }
    std::vector<std::int32_t> codes = ErrorCodes(statusVector);
    if (sqlCode == kNoPermissionSqlCode) {
        throw EIBInterBaseRoleError(sqlCode, statusErrorCode, message, std::move(codes));
    }
    throw EIBInterBaseError(sqlCode, statusErrorCode, message, std::move(codes));
}

std::string ErrorText(const std::exception& error) {
    std::string message = error.what();
    if (!message.empty()) {
        return message;
    }
    message = FormatClientError(0, {});
    // A client error's SqlErrorCode is the number of its text, no SQL code.
    const auto* failedCall = dynamic_cast<const EIBError*>(&error);
    if (failedCall != nullptr && dynamic_cast<const EIBClientError*>(&error) == nullptr) {
        message += " (SQLCODE: " + std::to_string(failedCall->SqlErrorCode()) + ", status " +
                   std::to_string(failedCall->StatusErrorCode()) + ")";
    }
    return message;
}

} // namespace onarim
