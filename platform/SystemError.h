#pragma once

#include <string>

#include "platform/Exception.h"

namespace onarim {

// The calling thread's last system error, in the manner of a per-thread "last error" word:
// platform functions that fail record a code and, where the system has a better text than
// strerror (the dynamic loader's own message, for instance), that text.
struct SystemError {
    int code = 0;
    std::string text;
};

// Records a failure for the calling thread. An empty text means strerror(code).
void SetLastSystemError(int code, std::string text = {});

// The calling thread's last recorded failure (code 0 and empty text when none).
SystemError LastSystemError();

// Error of a failed operating-system call. Its message is
// "System Error.  Code: <code>.\r\n<text>", or "A call to an OS function failed" for code 0.
class EOSError : public Exception {
public:
    explicit EOSError(const SystemError& error);

    int ErrorCode() const noexcept { return errorCode_; }

private:
    int errorCode_;
};

// Raises EOSError for the calling thread's last system error.
[[noreturn]] void RaiseLastOSError();

} // namespace onarim
