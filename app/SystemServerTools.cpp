#include "app/SystemServerTools.h"

#include "app/ExecuteAndWait.h"
#include "app/ServerToolDir.h"
#include "platform/Files.h"

namespace onarim {

std::string TSystemServerTools::FirebirdToolDir() { return GetFirebirdToolDir(); }

std::string TSystemServerTools::InterBaseToolDir() { return GetInterBaseToolDir(); }

int TSystemServerTools::ExecuteAndWait(const std::string& commandLine, int showState) {
    return ::onarim::ExecuteAndWait(
        commandLine, showStateOverride_.value_or(static_cast<std::uint16_t>(showState)));
}

bool TSystemServerTools::FileExists(const std::string& path) { return ::onarim::FileExists(path); }

bool TSystemServerTools::DeleteFile(const std::string& path) { return ::onarim::DeleteFile(path); }

} // namespace onarim
