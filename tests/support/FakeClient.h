#pragma once

#include <string>

#include "fakeclient/FakeClientControl.h"

namespace onarim::testing {

// Path of one export set of the stand-in client library ("complete", "no_rollback_retaining",
// "no_blob_get", "no_encode_timestamp").
std::string FakeClientPath(const std::string& variant);

// Unloads whatever client library the binding holds, points the binding at `variant` of the
// stand-in and loads it. Returns the stand-in's script, reset. Raises what the load raises.
fakeclient::Control& UseFakeClient(const std::string& variant = "complete");

// Unloads the client library and points the binding at `fileName` without loading it.
void PointClientLibraryAt(const std::string& fileName);

} // namespace onarim::testing
