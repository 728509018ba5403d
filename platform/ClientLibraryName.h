#pragma once

#include <string>

namespace onarim {

// File name under which the database client library is loaded: the Firebird client by its bare
// name "libfbclient.so.2", unless the environment variable ONARIM_CLIENT_LIBRARY names another
// file. Read afresh on every call, so a test can point a later load elsewhere.
std::string ClientLibraryFileName();

} // namespace onarim
