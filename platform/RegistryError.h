#pragma once

#include <string>

#include "platform/Exception.h"

namespace onarim {

// Error of the registry reader: a value that cannot be read as asked
// ("Invalid data type for '<name>'", "Failed to get data for '<name>'").
class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

// The registry file exists but is not a registry file this reader understands. The message
// names the file and the line: "Registry file '<path>', line <n>: <what is wrong>".
class ERegistryFileError : public ERegistryException {
public:
    ERegistryFileError(std::string fileName, int line, const std::string& problem);

    const std::string& FileName() const noexcept { return fileName_; }
    int Line() const noexcept { return line_; }

private:
    std::string fileName_;
    int line_;
};

} // namespace onarim
