#pragma once

namespace onarim {

// A front end's way out of the client library, in the only safe order: the trace hook first
// (nothing announces any more once the components are gone), then the engine's threads, then
// the library itself. Call it once, after the last component is destroyed.
void ShutdownClient();

} // namespace onarim
