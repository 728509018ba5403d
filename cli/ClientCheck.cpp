// onarim-client-check: loads the database client library the way the repair program does and
// tells what it found. Exit status 0 when the library is usable for the services interface.
#include <cstdio>
#include <string>

#include "client/ClientLibrary.h"
#include "platform/ClientLibraryName.h"
#include "platform/Exception.h"

int main() {
    using namespace onarim;
    const std::string name = ClientLibraryFileName();
    try {
        EnsureClientLibrary();
    } catch (const Exception& error) {
        std::printf("Client library %s: not usable.\n%s\n", name.c_str(), error.what());
        return 1;
    }
    std::printf("Client library %s: loaded, all entry points resolved.\n", name.c_str());

    const bool version6 = ResolveOptional("isc_rollback_retaining") != nullptr;
    std::printf("Services interface: %s.\n",
                version6 ? "available" : "missing (an older client; service calls will fail)");

    // Not one of the entry points the system uses; asked only to tell the operator.
    using GetClientVersion = void (*)(char*);
    if (void* address = ResolveOptional("isc_get_client_version")) {
        char version[256] = {};
        reinterpret_cast<GetClientVersion>(address)(version);
        std::printf("Client version: %s\n", version);
    }
    FreeClientLibrary();
    return version6 ? 0 : 1;
}
