#pragma once

namespace onarim {

// Makes sure the client library is loaded and its entry points resolved. Raises
// EIBClientError, client error 1, when the library cannot be loaded, and EOSError when a
// required entry point is missing. Every service component calls it when it is constructed.
void EnsureClientLibrary();

// Loads the library if it is not loaded yet; returns whether it is loaded. Raises EOSError
// when a required entry point is missing.
bool TryLoadClientLibrary();

// Loads the client library by file name and fills the entry-point table: the 43 base entry
// points, the probe, then either the 10 version-6 entry points or, for an older client,
// fallbacks that raise client error 3 when called. A library that is loaded already, or one
// that cannot be loaded, leaves everything as it was and raises nothing. A missing required
// entry point raises EOSError; the library is then unloaded and every slot left empty, so the
// next call tries again.
void LoadClientLibrary();

// Unloads the library if it is loaded and empties the entry-point table. Runs at process exit.
void FreeClientLibrary();

// Has the library stop its engine (fb_shutdown, where it exports one: Firebird's client with
// its embedded engine), detaching whatever is still attached and ending the engine's threads.
// A program calls it once, on its way out, before FreeClientLibrary: unloading a library whose
// threads still run can crash the process as it exits. The library cannot be used afterwards.
void ShutdownClientEngine();

// Whether the library is loaded with a complete entry-point table.
bool IsClientLibraryLoaded();

// Address of an export of the library being loaded. ResolveRequired raises EOSError for the
// loader's error when the name is not exported; ResolveOptional returns nullptr instead. With
// no library loaded nothing is exported: neither looks anywhere else in the process.
void* ResolveRequired(const char* exportName);
void* ResolveOptional(const char* exportName);

} // namespace onarim
