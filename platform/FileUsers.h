#pragma once

#include <string>

namespace onarim {

// Whether a process other than this one has the file at `path` open (a database server, an
// engine embedded in an application), by the descriptors listed under /proc. A process whose
// descriptors this process may not list (another user's, without privilege) is not seen: run
// as the superuser to see every one.
bool OpenByAnotherProcess(const std::string& path);

} // namespace onarim
