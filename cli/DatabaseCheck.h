#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "cli/CheckResult.h"

namespace onarim {

// What onarim-cli --check is asked to look at.
struct TCheckRequest {
    std::string database;              // a path on this machine, as given
    std::string server = "127.0.0.1";  // HOST or HOST/PORT of the server that opens it
    std::int64_t warnGap = 100000;
};

// How long the online validation waits for a table that another transaction holds locked
// before it passes it by: short enough for a monitor's time limit.
inline constexpr std::int32_t kCheckLockTimeoutSeconds = 5;

// Looks at the database and changes nothing in it, while its users stay attached:
//  1. the file must be there (its absolute path is what the server is given) and, where it
//     can be read here, start like a database;
//  2. a repair still running on it (its journal beside it, "running", its process alive)
//     makes the check UNKNOWN; one that was interrupted is a warning;
//  3. the credentials (CheckCredentials; `askPassword` is called only when the environment
//     has no password);
//  4. the server's online validation of every user table and index, through its service
//     manager over TCP;
//  5. the header's facts through an attachment over the server (TInfoAttachment): the
//     numbers the server holds in memory, which take in transactions other attachments hold
//     open, and need no right to read the file itself.
// Never raises: what goes wrong becomes a finding (CheckFindings.h).
TCheckResult CheckDatabase(const TCheckRequest& request,
                           const std::function<std::string()>& askPassword);

} // namespace onarim
