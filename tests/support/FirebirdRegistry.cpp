#include "support/FirebirdRegistry.h"

#include <cstdlib>

namespace onarim::testing {

std::string FirebirdRegistryText(const std::string& instanceDirectory) {
    return "Windows Registry Editor Version 5.00\r\n\r\n"
           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\FireBird Project\\Firebird Server\\Instances]\r\n"
           "\"DefaultInstance\"=\"" + instanceDirectory + "\"\r\n";
}

ScopedFirebirdRegistry::ScopedFirebirdRegistry(const ScratchDirectory& scratch,
                                               const std::string& instanceDirectory)
    : path_(scratch.WriteFile("registry.reg", FirebirdRegistryText(instanceDirectory))) {
    setenv("ONARIM_REGISTRY", path_.c_str(), 1);
}

ScopedFirebirdRegistry::~ScopedFirebirdRegistry() { unsetenv("ONARIM_REGISTRY"); }

} // namespace onarim::testing
