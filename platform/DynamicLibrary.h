#pragma once

#include <string>

namespace onarim {

// A shared library loaded at run time; nullptr means "not loaded".
using LibraryHandle = void*;

// Loads a library by name through the system loader's normal search (a name without a slash is
// looked up on the library path, so LD_LIBRARY_PATH can put another copy first). Returns
// nullptr when it cannot be loaded and records the loader's message as the last system error.
LibraryHandle LoadDynamicLibrary(const std::string& name);

// Address of an exported symbol, or nullptr when the library does not export it; then the
// loader's message is recorded as the last system error (code ENOENT). A nullptr handle is no
// library: nothing is found in it (the loader alone would search every object of the process).
void* ResolveSymbol(LibraryHandle library, const char* name);

// Releases a library loaded by LoadDynamicLibrary. A nullptr handle is ignored.
void FreeDynamicLibrary(LibraryHandle library);

} // namespace onarim
