#include "cli/CheckCredentials.h"

#include <cstdlib>

namespace onarim {

namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

} // namespace

std::optional<TCredentials> CheckCredentials(const std::function<std::string()>& askPassword) {
    std::string user = Variable("ISC_USER");
    if (user.empty()) {
        user = "SYSDBA";
    }
    std::string password = Variable("ISC_PASSWORD");
    if (password.empty()) {
        password = askPassword();
    }
    if (password.empty()) {
        return std::nullopt;
    }
    return TCredentials{std::move(user), std::move(password)};
}

} // namespace onarim
