#pragma once

#include <stdexcept>
#include <string>

namespace onarim {

// Root of every error the system raises on purpose. The message is UTF-8 text meant for the
// operator; the help context is carried for completeness and is always 0 here.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}

    const std::string& Message() const noexcept { return message_; }
    int HelpContext() const noexcept { return 0; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

} // namespace onarim
