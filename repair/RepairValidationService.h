#pragma once

#include <memory>

namespace onarim {

class TIBValidationService;

// Owns a validation component without making its header visible. The window's sources also
// see the widgets' headers, whose notification type shares its name with the service
// components' one; the two never meet in one source file this way.
struct TValidationServiceDeleter {
    void operator()(TIBValidationService* service) const;
};
using TValidationServicePtr = std::unique_ptr<TIBValidationService, TValidationServiceDeleter>;

// The main window's validation component "IBValidationService1", set up as the repair expects
// it: no login prompt, no tracing, options IgnoreChecksum and MendDB, global action
// CommitGlobal, the lines "user_name=SYSDBA" and a one-digit placeholder password (the repair
// replaces them), not attached. Raises EIBClientError (client error 1) when the client library
// cannot be loaded, and what else the component's construction raises.
TValidationServicePtr MakeRepairValidationService();

} // namespace onarim
