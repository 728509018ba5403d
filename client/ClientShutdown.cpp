#include "client/ClientShutdown.h"

#include "client/ClientLibrary.h"
#include "client/MonitorHook.h"

namespace onarim {

void ShutdownClient() {
    ShutdownMonitorHook();
    ShutdownClientEngine();
    FreeClientLibrary();
}

} // namespace onarim
