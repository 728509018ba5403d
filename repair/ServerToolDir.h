#pragma once

#include <string>

namespace onarim {

// Where the installed database server keeps its command-line tools, as its installation
// recorded it in the registry (HKEY_LOCAL_MACHINE). Each lookup reads the registry afresh.
// A key that cannot be opened and a missing value are not errors: they give an empty text.
// Raises ERegistryException "Invalid data type for '<value name>'" for a value that is not
// text, "Failed to get data for '<value name>'" when its data cannot be read, and
// ERegistryFileError when the registry file is malformed.

// Firebird: the value "DefaultInstance" of the key
// "SOFTWARE\FireBird Project\Firebird Server\Instances" (the instance directory, ending with
// a path separator) followed directly by kFirebirdToolSubdirectory, so "/usr/" gives
// "/usr/bin", and no entry gives "bin".
std::string GetFirebirdToolDir();

// InterBase: the value "ServerDirectory" of "SOFTWARE\Borland\InterBase\CurrentVersion" as
// stored; empty when there is no such entry.
std::string GetInterBaseToolDir();

} // namespace onarim
