#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Exception.h"

namespace onarim {

class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

// Base of the database component errors. For a failed client call SqlErrorCode is the SQL code
// and StatusErrorCode word 1 of the status vector; for a client-side error SqlErrorCode holds
// the client error code and StatusErrorCode is 0.
class EIBError : public EDatabaseError {
public:
    EIBError(std::int32_t sqlErrorCode, std::string message)
        : EDatabaseError(std::move(message)), sqlErrorCode_(sqlErrorCode) {}
    EIBError(std::int32_t sqlErrorCode, std::int32_t statusErrorCode, std::string message,
             std::vector<std::int32_t> statusCodes = {})
        : EDatabaseError(std::move(message)), sqlErrorCode_(sqlErrorCode),
          statusErrorCode_(statusErrorCode), statusCodes_(std::move(statusCodes)) {}

    std::int32_t SqlErrorCode() const noexcept { return sqlErrorCode_; }
    std::int32_t StatusErrorCode() const noexcept { return statusErrorCode_; }
    // Every error code of the failed call's status vector in order, the primary one first
    // (what tells "the file is locked by another engine" from "no such file", which share the
    // primary code); empty for a client-side error.
    const std::vector<std::int32_t>& StatusCodes() const noexcept { return statusCodes_; }
    bool HasStatusCode(std::int32_t code) const noexcept {
        for (std::int32_t each : statusCodes_) {
            if (each == code) {
                return true;
            }
        }
        return false;
    }

private:
    std::int32_t sqlErrorCode_ = 0;
    std::int32_t statusErrorCode_ = 0;
    std::vector<std::int32_t> statusCodes_;
};

// A client call that failed, with the server's message lines.
class EIBInterBaseError : public EIBError {
public:
    using EIBError::EIBError;
};

// A client call that failed with SQL code -551 (no permission). Deliberately not an
// EIBInterBaseError: a handler for that class does not catch it.
class EIBInterBaseRoleError : public EIBError {
public:
    using EIBError::EIBError;
};

// A misuse detected on the client side, raised by number with a fixed English text.
class EIBClientError : public EIBError {
public:
    using EIBError::EIBError;
};

} // namespace onarim
