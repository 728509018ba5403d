#include "repair/ClientShutdown.h"

#include "client/ClientLibrary.h"
#include "trace/MonitorHook.h"

namespace onarim {

void ShutdownClient() {
    ShutdownMonitorHook();
    ShutdownClientEngine();
    FreeClientLibrary();
}

} // namespace onarim
