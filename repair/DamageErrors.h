#pragma once

#include <string>

#include "client/IBErrors.h"

namespace onarim {

// True when a failed validation says that the database's pages are damaged, by any code of
// its status vector (a scan error wraps the page's own): the server's summary of validation
// errors, a read past the end of the file, a page of the wrong type, an internal consistency
// check, "database file appears corrupt", and a page that "appears encrypted" in a database
// whose header page says it is not (`declaredEncrypted` false). Such a failure is the
// validation's report and the repair goes on with the tools. Errors of access, credentials,
// locking, a missing file or an on-disk version the server does not support are not damage:
// they end the run.
bool IsDamageReport(const EIBInterBaseError& error, bool declaredEncrypted);

// Whether the header page of the database at `path` says it is encrypted (or being
// encrypted). False when it cannot be read: a header that cannot be read declares nothing.
bool DeclaresEncryption(const std::string& path);

} // namespace onarim
