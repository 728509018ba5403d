#pragma once

#include "client/IBErrors.h"

namespace onarim {

// True when a failed validation says that the database's pages are damaged: the server's
// summary of validation errors, a read past the end of the file, a page of the wrong type, an
// internal consistency check, "database file appears corrupt". Such a failure is the
// validation's report and the repair goes on with the tools. Errors of access, credentials,
// locking, a missing file or an on-disk version the server does not support are not damage:
// they end the run.
bool IsDamageReport(const EIBInterBaseError& error);

} // namespace onarim
