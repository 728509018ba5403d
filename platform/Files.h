#pragma once

#include <string>

namespace onarim {

// True when `path` names a regular file, following symbolic links. A directory, a dangling
// link, a device or nothing at all is not a file.
bool FileExists(const std::string& path);

// True when `path` names a regular file that this process may execute.
bool IsExecutableFile(const std::string& path);

// Removes the file `path`. Returns false when it cannot (missing, a directory, no permission),
// with the cause recorded as the last system error; never raises.
bool DeleteFile(const std::string& path);

} // namespace onarim
