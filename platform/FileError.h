#pragma once

#include <string>

#include "platform/Exception.h"

namespace onarim {

// A file operation that failed: which file, and why in the system's words. The message is
// "<path>: <reason>"; callers that speak to the operator in another language build their own
// text from Path() and Reason().
class EFileError : public Exception {
public:
    // `reason` empty means the system's text for `code` (strerror).
    EFileError(std::string path, int code, std::string reason = {});

    const std::string& Path() const noexcept { return path_; }
    int ErrorCode() const noexcept { return code_; }
    const std::string& Reason() const noexcept { return reason_; }

private:
    std::string path_;
    int code_;
    std::string reason_;
};

} // namespace onarim
