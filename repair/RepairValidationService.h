#pragma once

#include <memory>

#include "services/IBValidationService.h"

namespace onarim {

// The validation component "IBValidationService1" as the repair drives it: no login prompt, no
// tracing, options IgnoreChecksum and MendDB, global action CommitGlobal, the lines
// "user_name=SYSDBA" and a one-digit placeholder password (the repair replaces them), not
// attached. The window's component and the one of each command-line program are made here
// alike. Raises EIBClientError (client error 1) when the client library cannot be loaded, and
// what else the component's construction raises.
std::unique_ptr<TIBValidationService> MakeRepairValidationService();

} // namespace onarim
