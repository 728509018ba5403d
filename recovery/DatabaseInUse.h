#pragma once

#include <string>

#include "recovery/Credentials.h"

namespace onarim {

// Whether somebody besides us has the database at `path` open, so that repairing it now
// would pull the file out from under them. Two cases count, both measured on Firebird 3.0.11:
//  - The file is held by another engine instance: a Firebird server in SuperServer mode
//    (which any connection through it keeps open, also over TCP) or another program's
//    embedded engine. The engine then refuses to open it: the attach fails with
//    isc_already_opened ("Database already opened with engine instance, incompatible with
//    current", after an I/O error of the "lock" operation). That error, and no other, means
//    "in use".
//  - The attach succeeds and MON$ATTACHMENTS lists a user attachment other than our own (the
//    engine's own garbage collector and cache writer are not counted). This sees other
//    attachments of this process and, under a server sharing the file (Classic,
//    SuperClassic), of other processes; it needs SYSDBA or the database's owner, for whom
//    every attachment is listed.
// Attaches through the embedded engine with TSqlIntent::ReadOnly, which rewrites the header
// page's attachment counter (see TakeCensus). Raises EIBInterBaseError when the database
// cannot be attached for any other reason (no such file, not a database, wrong password) or
// the monitoring table cannot be read. Keeps no state; any thread may call it.
bool DatabaseInUse(const std::string& path, const TCredentials& credentials);

} // namespace onarim
