#include "platform/FileError.h"

#include <cstring>

namespace onarim {

namespace {

std::string SystemText(int code, std::string reason) {
    if (!reason.empty()) {
        return reason;
    }
    char buffer[256];
    // The GNU strerror_r returns its text, which need not be in the buffer.
    return strerror_r(code, buffer, sizeof buffer);
}

} // namespace

EFileError::EFileError(std::string path, int code, std::string reason)
    : Exception(path + ": " + SystemText(code, reason)), path_(std::move(path)), code_(code),
      reason_(SystemText(code, std::move(reason))) {}

} // namespace onarim
