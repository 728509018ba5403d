#pragma once

#include <string>

namespace onarim {

// Who the recovery logs in as. Counting every attachment of a database (DatabaseInUse) needs
// SYSDBA or the database's owner; the embedded engine takes any password.
struct TCredentials {
    std::string user, password;
};

} // namespace onarim
