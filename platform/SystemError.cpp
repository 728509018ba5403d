#include "platform/SystemError.h"

#include <cstring>

namespace onarim {

namespace {

thread_local SystemError lastError;

std::string MessageFor(const SystemError& error) {
    if (error.code == 0) {
        return "A call to an OS function failed";
    }
    return "System Error.  Code: " + std::to_string(error.code) + ".\r\n" + error.text;
}

} // namespace

void SetLastSystemError(int code, std::string text) {
    if (text.empty() && code != 0) {
        char buffer[256];
        // The GNU strerror_r returns its text, which need not be in the buffer.
        text = strerror_r(code, buffer, sizeof buffer);
    }
    lastError = SystemError{code, std::move(text)};
}

SystemError LastSystemError() { return lastError; }

EOSError::EOSError(const SystemError& error) : Exception(MessageFor(error)), errorCode_(error.code) {}

void RaiseLastOSError() { throw EOSError(LastSystemError()); }

} // namespace onarim
