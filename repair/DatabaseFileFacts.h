#pragma once

#include <string>

#include "repair/ServerTools.h"

namespace onarim {

// Looks at the database file and its folder as the pre-flight needs them: whether the file
// starts like a Firebird or InterBase database (a header page of a plausible page size), whether
// it and its folder may be written, whether its file system is mounted read-only, and the free
// space there. Reads the file's first bytes only; never writes, never raises.
TDatabaseFileFacts InspectDatabaseFileFacts(const std::string& path);

} // namespace onarim
