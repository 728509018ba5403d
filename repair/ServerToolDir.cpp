#include "repair/ServerToolDir.h"

#include "platform/Registry.h"
#include "platform/ServerToolNames.h"

namespace onarim {

namespace {

// The text of one value of one HKEY_LOCAL_MACHINE key; empty when the key or value is missing.
std::string ReadMachineText(const char* key, const char* valueName) {
    TRegistry registry(HKEY_LOCAL_MACHINE);
    // Read access is all a lookup needs. A failed open leaves no key open, and the read then
    // gives an empty text.
    registry.OpenKey(key);
    return registry.ReadString(valueName);
}

} // namespace

std::string GetFirebirdToolDir() {
    return ReadMachineText(R"(SOFTWARE\FireBird Project\Firebird Server\Instances)",
                           "DefaultInstance") +
           std::string(kFirebirdToolSubdirectory);
}

std::string GetInterBaseToolDir() {
    return ReadMachineText(R"(SOFTWARE\Borland\InterBase\CurrentVersion)", "ServerDirectory");
}

} // namespace onarim
