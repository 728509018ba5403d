#pragma once

#include <functional>
#include <optional>
#include <string>

#include "recovery/Credentials.h"

namespace onarim {

// The check's user and password, as the server's own tools take them: the user is ISC_USER
// (SYSDBA when unset or empty); the password is ISC_PASSWORD when set and not empty, so that
// a check run by cron or a timer needs no terminal, otherwise what `askPassword` gives
// (standard input or the terminal), which is asked for only then. Empty when that is empty:
// the operator cancelled.
std::optional<TCredentials> CheckCredentials(const std::function<std::string()>& askPassword);

} // namespace onarim
