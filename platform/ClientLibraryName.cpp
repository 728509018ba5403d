#include "platform/ClientLibraryName.h"

#include <cstdlib>

namespace onarim {

std::string ClientLibraryFileName() {
    const char* overridden = std::getenv("ONARIM_CLIENT_LIBRARY");
    if (overridden != nullptr && *overridden != '\0') {
        return overridden;
    }
    return "libfbclient.so.2";
}

} // namespace onarim
