#pragma once

#include <cstdint>
#include <string>

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
    EIBError(std::int32_t sqlErrorCode, std::int32_t statusErrorCode, std::string message)
        : EDatabaseError(std::move(message)), sqlErrorCode_(sqlErrorCode),
          statusErrorCode_(statusErrorCode) {}

    std::int32_t SqlErrorCode() const noexcept { return sqlErrorCode_; }
    std::int32_t StatusErrorCode() const noexcept { return statusErrorCode_; }

private:
    std::int32_t sqlErrorCode_ = 0;
    std::int32_t statusErrorCode_ = 0;
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
