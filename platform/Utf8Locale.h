#pragma once

namespace onarim {

// Texts are UTF-8 everywhere in this program, file names included. The client library and the
// server's tools convert file names from the character set of the locale into the server's,
// and fail on any letter beyond ASCII under the "C" locale. Call at start: makes the program's
// character type locale the environment's when that is UTF-8, C.UTF-8 otherwise, and in the
// second case sets the environment so that the tools started later use C.UTF-8 as well.
// Returns false when no UTF-8 locale is available.
bool EnsureUtf8Locale();

} // namespace onarim
